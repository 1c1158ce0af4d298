/*
    The fake sequencer's snd_seq_* calls: only those that the framework's Linux MIDI code and
    Wine's ALSA driver import. Every other snd_seq_* call lands in a generated stub that says
    so on stderr (FakeSequencerStubs.c). See FakeSequencer.h for the shared folder.
*/
#define _GNU_SOURCE
#include "FakeSequencer.h"

#include <alsa/asoundlib.h>

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#define MAX_PORTS           16
#define MAX_CLIENTS         192
#define NAME_SIZE           64
#define FIRST_USER_CLIENT   128
#define FIRST_DEVICE_CLIENT 20
#define MAX_RECORD          4096 /* PIPE_BUF: one write, never interleaved with another writer's */
#define DEVICE_PORT_CAPS    (SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_READ \
                          | SND_SEQ_PORT_CAP_SUBS_WRITE | SND_SEQ_PORT_CAP_DUPLEX)
#define DEVICE_PORT_TYPE (SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_HARDWARE | SND_SEQ_PORT_TYPE_PORT)

typedef struct
{
    int used;
    unsigned caps, type;
    char name[NAME_SIZE];
} Port;

typedef struct
{
    int number, type, pid, numPorts;
    char name[NAME_SIZE];
    Port ports[MAX_PORTS];
} Client;

struct _snd_seq
{
    Client self;
    int nonblock, readFd, keepFd;
    unsigned char* input; /* records read from the fifo, not yet handed out */
    size_t inputSize, inputCapacity;
    unsigned char* current; /* the event last handed out, with its data */
    size_t currentCapacity;
};

struct _snd_seq_system_info
{
    int curClients;
};

struct _snd_seq_client_info
{
    int client, type, numPorts;
    char name[NAME_SIZE];
};

struct _snd_seq_port_info
{
    snd_seq_addr_t addr;
    int client, port;
    unsigned caps, type;
    char name[NAME_SIZE];
};

typedef struct
{
    unsigned size;
    snd_seq_event_t event;
} RecordHeader;

/* The thread that reads events is a MIDI input thread; heap calls made inside the fake
   sequencer are not the program's (MidiThreadAllocations.c). */
extern __thread int fakeseqMidiThread, fakeseqInside;

//==============================================================================
static void say (const char* format, ...) __attribute__ ((format (printf, 1, 2)));

static void say (const char* format, ...)
{
    va_list args;
    va_start (args, format);
    fputs ("fakeseq: ", stderr);
    vfprintf (stderr, format, args);
    fputc ('\n', stderr);
    va_end (args);
}

static const char* folder (void)
{
    const char* dir = getenv ("TOLVANE_FAKESEQ_DIR");
    return dir != NULL && *dir != 0 ? dir : NULL;
}

static void pathOf (char* out, size_t size, const char* format, int number)
{
    char tail[64];
    snprintf (tail, sizeof tail, format, number);
    snprintf (out, size, "%s/%s", folder(), tail);
}

static int lockFolder (void)
{
    char path[4096];
    snprintf (path, sizeof path, "%s/lock", folder());
    const int fd = open (path, O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd >= 0)
        flock (fd, LOCK_EX);
    return fd;
}

static void unlockFolder (int fd)
{
    if (fd >= 0)
        close (fd);
}

static int prepareFolder (void)
{
    if (folder() == NULL)
    {
        say ("TOLVANE_FAKESEQ_DIR is not set: no sequencer");
        return -ENOENT;
    }

    char path[4096];
    snprintf (path, sizeof path, "%s/clients", folder());
    mkdir (folder(), 0777);
    mkdir (path, 0777);
    return 0;
}

//==============================================================================
static int writeClient (const Client* client)
{
    char path[4096], temporary[4200];
    pathOf (path, sizeof path, "clients/%d", client->number);
    snprintf (temporary, sizeof temporary, "%s.%d.new", path, (int) getpid());

    FILE* file = fopen (temporary, "w");
    if (file == NULL)
        return -errno;

    fprintf (file, "client %d %d %s\n", client->type, client->pid, client->name);
    for (int p = 0; p < MAX_PORTS; ++p)
        if (client->ports[p].used)
            fprintf (file, "port %d %u %u %s\n", p, client->ports[p].caps, client->ports[p].type, client->ports[p].name);

    fclose (file);
    return rename (temporary, path) == 0 ? 0 : -errno;
}

static void trimLine (char* text)
{
    text[strcspn (text, "\n")] = 0;
}

/* Reads a client; 0 when it exists and its process (if any) is alive. */
static int readClient (int number, Client* client)
{
    char path[4096], line[256];
    pathOf (path, sizeof path, "clients/%d", number);

    FILE* file = fopen (path, "r");
    if (file == NULL)
        return -ENOENT;

    memset (client, 0, sizeof *client);
    client->number = number;
    int offset = 0;

    if (fgets (line, sizeof line, file) == NULL
        || sscanf (line, "client %d %d %n", &client->type, &client->pid, &offset) < 2 || offset == 0)
    {
        fclose (file);
        return -ENOENT;
    }

    trimLine (line);
    snprintf (client->name, NAME_SIZE, "%s", line + offset);

    while (fgets (line, sizeof line, file) != NULL)
    {
        int port = -1;
        unsigned caps = 0, type = 0;
        if (sscanf (line, "port %d %u %u %n", &port, &caps, &type, &offset) < 3 || port < 0 || port >= MAX_PORTS)
            continue;

        trimLine (line);
        client->ports[port] = (Port) { 1, caps, type, "" };
        snprintf (client->ports[port].name, NAME_SIZE, "%s", line + offset);
        ++client->numPorts;
    }

    fclose (file);

    // A process that ended without closing its client leaves it behind.
    if (client->pid > 0 && kill (client->pid, 0) != 0 && errno == ESRCH)
        return -ENOENT;

    return 0;
}

/* The numbers of the live clients, ascending. */
static int listClients (int* numbers, int capacity)
{
    char path[4096];
    snprintf (path, sizeof path, "%s/clients", folder());

    int count = 0;
    DIR* dir = opendir (path);
    if (dir == NULL)
        return 0;

    for (struct dirent* entry; (entry = readdir (dir)) != NULL && count < capacity;)
    {
        char* end = NULL;
        const long number = strtol (entry->d_name, &end, 10);
        Client client;
        if (end != entry->d_name && *end == 0 && readClient ((int) number, &client) == 0)
            numbers[count++] = (int) number;
    }

    closedir (dir);

    for (int i = 1; i < count; ++i)
        for (int j = i; j > 0 && numbers[j - 1] > numbers[j]; --j)
        {
            const int swap = numbers[j];
            numbers[j] = numbers[j - 1];
            numbers[j - 1] = swap;
        }

    return count;
}

static int findDevice (const char* name, Client* client)
{
    int numbers[MAX_CLIENTS];
    const int count = listClients (numbers, MAX_CLIENTS);

    for (int i = 0; i < count; ++i)
        if (readClient (numbers[i], client) == 0 && client->type == SND_SEQ_KERNEL_CLIENT && strcmp (client->name, name) == 0)
            return 0;

    return -ENOENT;
}

//==============================================================================
typedef struct
{
    int sourceClient, sourcePort, destClient, destPort;
} Subscription;

static int readSubscriptions (Subscription* subs, int capacity)
{
    char path[4096];
    snprintf (path, sizeof path, "%s/subs", folder());

    FILE* file = fopen (path, "r");
    if (file == NULL)
        return 0;

    int count = 0;
    Subscription sub;
    while (count < capacity && fscanf (file, "%d %d %d %d", &sub.sourceClient, &sub.sourcePort, &sub.destClient, &sub.destPort) == 4)
        subs[count++] = sub;

    fclose (file);
    return count;
}

static void writeSubscriptions (const Subscription* subs, int count)
{
    char path[4096], temporary[4200];
    snprintf (path, sizeof path, "%s/subs", folder());
    snprintf (temporary, sizeof temporary, "%s.%d.new", path, (int) getpid());

    FILE* file = fopen (temporary, "w");
    if (file == NULL)
        return;

    for (int i = 0; i < count; ++i)
        fprintf (file, "%d %d %d %d\n", subs[i].sourceClient, subs[i].sourcePort, subs[i].destClient, subs[i].destPort);

    fclose (file);
    rename (temporary, path);
}

/* Adds (add != 0) or removes a subscription; with port -1, removes every one of the client's. */
static void changeSubscriptions (Subscription changed, int add, int client, int port)
{
    enum
    {
        capacity = 1024
    };
    static Subscription subs[capacity];

    const int lock = lockFolder();
    int count = readSubscriptions (subs, capacity), kept = 0;

    for (int i = 0; i < count; ++i)
    {
        const Subscription s = subs[i];
        const int same = memcmp (&s, &changed, sizeof s) == 0;
        const int ofPort = (s.sourceClient == client && (port < 0 || s.sourcePort == port))
            || (s.destClient == client && (port < 0 || s.destPort == port));
        if (! same && ! ofPort)
            subs[kept++] = s;
    }

    if (add && kept < capacity)
        subs[kept++] = changed;

    writeSubscriptions (subs, kept);
    unlockFolder (lock);
}

//==============================================================================
/* Hands an event to one client's input. waitMs: how long a full input may hold it up. */
static int deliverTo (const snd_seq_event_t* event, const void* data, unsigned dataSize, int waitMs)
{
    char path[4096];
    pathOf (path, sizeof path, "%d.fifo", event->dest.client);

    unsigned char record[MAX_RECORD];
    RecordHeader header = { (unsigned) sizeof header + dataSize, *event };
    if (header.size > sizeof record)
    {
        say ("an event of %u bytes is more than one record holds: dropped", dataSize);
        return -EINVAL;
    }

    // A client that is gone has no reader on its input: opening it fails.
    const int fd = open (path, O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -ENOENT;

    memcpy (record, &header, sizeof header);
    memcpy (record + sizeof header, data, dataSize);

    ssize_t written;
    while ((written = write (fd, record, header.size)) < 0 && errno == EAGAIN && waitMs > 0)
    {
        struct pollfd pfd = { fd, POLLOUT, 0 };
        if (poll (&pfd, 1, waitMs) <= 0)
            break;
    }

    close (fd);
    return written == (ssize_t) header.size ? 0 : -EAGAIN;
}

/* Delivers to the event's destination, or to every subscriber of its source. Returns how
   many clients took it. */
static int deliver (snd_seq_event_t event, int waitMs)
{
    const int variable = (event.flags & SND_SEQ_EVENT_LENGTH_MASK) == SND_SEQ_EVENT_LENGTH_VARIABLE;
    const void* data = variable ? event.data.ext.ptr : NULL;
    const unsigned dataSize = variable ? event.data.ext.len : 0;
    if (variable)
        event.data.ext.ptr = NULL;

    if (event.dest.client != SND_SEQ_ADDRESS_SUBSCRIBERS)
        return deliverTo (&event, data, dataSize, waitMs) == 0 ? 1 : 0;

    enum
    {
        capacity = 1024
    };
    Subscription subs[capacity];
    const int count = readSubscriptions (subs, capacity);
    int taken = 0;

    for (int i = 0; i < count; ++i)
    {
        if (subs[i].sourceClient != event.source.client || subs[i].sourcePort != event.source.port)
            continue;

        event.dest.client = (unsigned char) subs[i].destClient;
        event.dest.port = (unsigned char) subs[i].destPort;
        if (deliverTo (&event, data, dataSize, waitMs) == 0)
            ++taken;
    }

    return taken;
}

//==============================================================================
/* The lowest number from `first` that no live client has; a stale file there is replaced. */
static int claimNumber (int first, int last)
{
    for (int number = first; number <= last; ++number)
    {
        Client existing;
        if (readClient (number, &existing) != 0)
            return number;
    }

    return -EBUSY;
}

int snd_seq_open (snd_seq_t** handle, const char* name, int streams, int mode)
{
    (void) name;
    (void) streams;
    *handle = NULL;

    if (prepareFolder() != 0)
        return -ENOENT;

    snd_seq_t* seq = calloc (1, sizeof *seq);
    seq->nonblock = (mode & SND_SEQ_NONBLOCK) != 0;
    seq->readFd = seq->keepFd = -1;

    const int lock = lockFolder();
    seq->self.number = claimNumber (FIRST_USER_CLIENT, MAX_CLIENTS - 1);
    seq->self.type = SND_SEQ_USER_CLIENT;
    seq->self.pid = (int) getpid();
    snprintf (seq->self.name, NAME_SIZE, "Client-%d", seq->self.number);

    char path[4096];
    pathOf (path, sizeof path, "%d.fifo", seq->self.number);
    unlink (path);

    if (seq->self.number < 0 || mkfifo (path, 0666) != 0
        || (seq->readFd = open (path, O_RDONLY | O_NONBLOCK | O_CLOEXEC)) < 0
        || (seq->keepFd = open (path, O_WRONLY | O_NONBLOCK | O_CLOEXEC)) < 0 // never an end of file
        || writeClient (&seq->self) != 0)
    {
        unlockFolder (lock);
        say ("cannot open a client in %s: %s", folder(), strerror (errno));
        snd_seq_close (seq);
        return -ENOMEM;
    }

    unlockFolder (lock);
    *handle = seq;
    return 0;
}

int snd_seq_close (snd_seq_t* seq)
{
    if (seq == NULL)
        return -EINVAL;

    if (seq->self.number >= 0 && seq->readFd >= 0)
    {
        changeSubscriptions ((Subscription) { -1, -1, -1, -1 }, 0, seq->self.number, -1);

        char path[4096];
        pathOf (path, sizeof path, "clients/%d", seq->self.number);
        unlink (path);
        pathOf (path, sizeof path, "%d.fifo", seq->self.number);
        unlink (path);
    }

    if (seq->readFd >= 0)
        close (seq->readFd);
    if (seq->keepFd >= 0)
        close (seq->keepFd);

    free (seq->input);
    free (seq->current);
    free (seq);
    return 0;
}

int snd_seq_nonblock (snd_seq_t* seq, int nonblock)
{
    seq->nonblock = nonblock;
    return 0;
}

int snd_seq_set_client_name (snd_seq_t* seq, const char* name)
{
    snprintf (seq->self.name, NAME_SIZE, "%s", name);
    return writeClient (&seq->self);
}

//==============================================================================

// The records' fields, read and written as they are.
// clang-format off
int snd_seq_client_id (snd_seq_t* seq) { return seq->self.number; }
size_t snd_seq_system_info_sizeof (void) { return sizeof (snd_seq_system_info_t); }
int snd_seq_system_info_get_cur_clients (const snd_seq_system_info_t* info) { return info->curClients; }
size_t snd_seq_client_info_sizeof (void) { return sizeof (snd_seq_client_info_t); }
int snd_seq_client_info_get_client (const snd_seq_client_info_t* info) { return info->client; }
void snd_seq_client_info_set_client (snd_seq_client_info_t* info, int client) { info->client = client; }
int snd_seq_client_info_get_num_ports (const snd_seq_client_info_t* info) { return info->numPorts; }
const char* snd_seq_client_info_get_name (snd_seq_client_info_t* info) { return info->name; }
snd_seq_client_type_t snd_seq_client_info_get_type (const snd_seq_client_info_t* info) { return (snd_seq_client_type_t) info->type; }
size_t snd_seq_port_info_sizeof (void) { return sizeof (snd_seq_port_info_t); }
int snd_seq_port_info_get_client (const snd_seq_port_info_t* info) { return info->client; }
int snd_seq_port_info_get_port (const snd_seq_port_info_t* info) { return info->port; }
void snd_seq_port_info_set_client (snd_seq_port_info_t* info, int client) { info->client = client; }
void snd_seq_port_info_set_port (snd_seq_port_info_t* info, int port) { info->port = port; }
const char* snd_seq_port_info_get_name (const snd_seq_port_info_t* info) { return info->name; }
unsigned int snd_seq_port_info_get_capability (const snd_seq_port_info_t* info) { return info->caps; }
unsigned int snd_seq_port_info_get_type (const snd_seq_port_info_t* info) { return info->type; }
const snd_seq_addr_t* snd_seq_port_info_get_addr (const snd_seq_port_info_t* info) { return &info->addr; }
// clang-format on

int snd_seq_system_info (snd_seq_t* seq, snd_seq_system_info_t* info)
{
    (void) seq;
    int numbers[MAX_CLIENTS];
    info->curClients = listClients (numbers, MAX_CLIENTS);
    return 0;
}

int snd_seq_query_next_client (snd_seq_t* seq, snd_seq_client_info_t* info)
{
    (void) seq;
    int numbers[MAX_CLIENTS];
    const int count = listClients (numbers, MAX_CLIENTS);

    for (int i = 0; i < count; ++i)
    {
        Client client;
        if (numbers[i] > info->client && readClient (numbers[i], &client) == 0)
        {
            info->client = client.number;
            info->type = client.type;
            info->numPorts = client.numPorts;
            snprintf (info->name, NAME_SIZE, "%s", client.name);
            return 0;
        }
    }

    return -ENOENT;
}

int snd_seq_query_next_port (snd_seq_t* seq, snd_seq_port_info_t* info)
{
    (void) seq;
    Client client;
    if (readClient (info->client, &client) != 0)
        return -ENOENT;

    for (int p = info->port + 1; p < MAX_PORTS; ++p)
    {
        if (! client.ports[p].used)
            continue;

        info->port = p;
        info->addr = (snd_seq_addr_t) { (unsigned char) client.number, (unsigned char) p };
        info->caps = client.ports[p].caps;
        info->type = client.ports[p].type;
        snprintf (info->name, NAME_SIZE, "%s", client.ports[p].name);
        return 0;
    }

    return -ENOENT;
}

//==============================================================================
int snd_seq_create_simple_port (snd_seq_t* seq, const char* name, unsigned int caps, unsigned int type)
{
    for (int p = 0; p < MAX_PORTS; ++p)
    {
        if (seq->self.ports[p].used)
            continue;

        seq->self.ports[p] = (Port) { 1, caps, type, "" };
        snprintf (seq->self.ports[p].name, NAME_SIZE, "%s", name);
        ++seq->self.numPorts;
        writeClient (&seq->self);
        return p;
    }

    return -ENOMEM;
}

int snd_seq_delete_simple_port (snd_seq_t* seq, int port)
{
    if (port < 0 || port >= MAX_PORTS || ! seq->self.ports[port].used)
        return -ENOENT;

    seq->self.ports[port].used = 0;
    --seq->self.numPorts;
    writeClient (&seq->self);
    changeSubscriptions ((Subscription) { -1, -1, -1, -1 }, 0, seq->self.number, port);
    return 0;
}

static int portExists (int client, int port, unsigned caps)
{
    Client found;
    return readClient (client, &found) == 0 && port >= 0 && port < MAX_PORTS
        && found.ports[port].used && (found.ports[port].caps & caps) == caps;
}

int snd_seq_connect_from (snd_seq_t* seq, int myPort, int sourceClient, int sourcePort)
{
    if (! portExists (sourceClient, sourcePort, SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ))
        return -ENXIO;

    changeSubscriptions ((Subscription) { sourceClient, sourcePort, seq->self.number, myPort }, 1, -1, -1);
    return 0;
}

int snd_seq_connect_to (snd_seq_t* seq, int myPort, int destClient, int destPort)
{
    if (! portExists (destClient, destPort, SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE))
        return -ENXIO;

    changeSubscriptions ((Subscription) { seq->self.number, myPort, destClient, destPort }, 1, -1, -1);
    return 0;
}

int snd_seq_disconnect_from (snd_seq_t* seq, int myPort, int sourceClient, int sourcePort)
{
    changeSubscriptions ((Subscription) { sourceClient, sourcePort, seq->self.number, myPort }, 0, -1, -1);
    return 0;
}

//==============================================================================
int snd_seq_event_output_direct (snd_seq_t* seq, snd_seq_event_t* event)
{
    snd_seq_event_t copy = *event;
    copy.source.client = (unsigned char) seq->self.number;
    deliver (copy, 0);
    return (int) sizeof copy;
}

int snd_seq_poll_descriptors_count (snd_seq_t* seq, short events)
{
    (void) seq;
    return (events & POLLIN) != 0 ? 1 : 0;
}

int snd_seq_poll_descriptors (snd_seq_t* seq, struct pollfd* pfds, unsigned int space, short events)
{
    if (space < 1 || (events & POLLIN) == 0)
        return 0;

    pfds[0] = (struct pollfd) { seq->readFd, POLLIN, 0 };
    return 1;
}

/* Reads what the fifo holds into the input buffer. */
static void fetchInput (snd_seq_t* seq)
{
    for (;;)
    {
        if (seq->inputCapacity - seq->inputSize < MAX_RECORD)
        {
            seq->inputCapacity = seq->inputCapacity == 0 ? 65536 : seq->inputCapacity * 2;
            seq->input = realloc (seq->input, seq->inputCapacity);
        }

        const ssize_t got = read (seq->readFd, seq->input + seq->inputSize, seq->inputCapacity - seq->inputSize);
        if (got <= 0)
            return;

        seq->inputSize += (size_t) got;
    }
}

static int recordsBuffered (const snd_seq_t* seq)
{
    int count = 0;
    for (size_t at = 0; at + sizeof (RecordHeader) <= seq->inputSize;)
    {
        unsigned size;
        memcpy (&size, seq->input + at, sizeof size);
        if (at + size > seq->inputSize)
            break;
        at += size;
        ++count;
    }
    return count;
}

int snd_seq_event_input_pending (snd_seq_t* seq, int fetchSequencer)
{
    ++fakeseqInside;
    if (fetchSequencer)
        fetchInput (seq);
    --fakeseqInside;
    return recordsBuffered (seq);
}

static int takeEvent (snd_seq_t* seq, snd_seq_event_t** event);

int snd_seq_event_input (snd_seq_t* seq, snd_seq_event_t** event)
{
    fakeseqMidiThread = 1;
    ++fakeseqInside;
    const int result = takeEvent (seq, event);
    --fakeseqInside;
    return result;
}

static int takeEvent (snd_seq_t* seq, snd_seq_event_t** event)
{
    *event = NULL;

    while (recordsBuffered (seq) == 0)
    {
        fetchInput (seq);
        if (recordsBuffered (seq) > 0)
            break;
        if (seq->nonblock)
            return -EAGAIN;

        struct pollfd pfd = { seq->readFd, POLLIN, 0 };
        poll (&pfd, 1, -1);
    }

    unsigned size;
    memcpy (&size, seq->input, sizeof size);

    if (seq->currentCapacity < size)
    {
        seq->currentCapacity = MAX_RECORD;
        seq->current = realloc (seq->current, seq->currentCapacity);
    }

    memcpy (seq->current, seq->input, size);
    memmove (seq->input, seq->input + size, seq->inputSize - size);
    seq->inputSize -= size;

    snd_seq_event_t* result = &((RecordHeader*) seq->current)->event;
    if ((result->flags & SND_SEQ_EVENT_LENGTH_MASK) == SND_SEQ_EVENT_LENGTH_VARIABLE)
        result->data.ext.ptr = seq->current + sizeof (RecordHeader);

    *event = result;
    return (int) seq->inputSize;
}

int snd_seq_free_event (snd_seq_event_t* event)
{
    (void) event;
    return 0;
}

//==============================================================================
int fakeseq_add_device (const char* name, int client)
{
    if (prepareFolder() != 0)
        return -1;

    const int lock = lockFolder();

    // Unless asked for one, never a number used before: a device plugged in again comes back
    // under another one.
    char path[4096];
    snprintf (path, sizeof path, "%s/next-device", folder());
    int number = FIRST_DEVICE_CLIENT;
    FILE* counter = fopen (path, "r");
    if (counter != NULL)
    {
        if (fscanf (counter, "%d", &number) != 1)
            number = FIRST_DEVICE_CLIENT;
        fclose (counter);
    }

    Client device = { 0 };
    if (client >= 0)
        number = readClient (client, &device) == 0 ? FIRST_USER_CLIENT : client;
    device.number = number;
    device.type = SND_SEQ_KERNEL_CLIENT;
    device.numPorts = 1;
    snprintf (device.name, NAME_SIZE, "%s", name);
    device.ports[0] = (Port) { 1, DEVICE_PORT_CAPS, DEVICE_PORT_TYPE, "" };
    snprintf (device.ports[0].name, NAME_SIZE, "%s", name);

    int result = -1;
    if (number < FIRST_USER_CLIENT && writeClient (&device) == 0)
    {
        result = number;
        counter = client >= 0 ? NULL : fopen (path, "w");
        if (counter != NULL)
        {
            fprintf (counter, "%d\n", number + 4);
            fclose (counter);
        }
    }

    unlockFolder (lock);
    return result;
}

int fakeseq_remove_device (const char* name)
{
    Client device;
    if (folder() == NULL || findDevice (name, &device) != 0)
        return -1;

    char path[4096];
    pathOf (path, sizeof path, "clients/%d", device.number);
    unlink (path);
    changeSubscriptions ((Subscription) { -1, -1, -1, -1 }, 0, device.number, -1);
    return 0;
}

long fakeseq_send (const char* name, const unsigned char* bytes, size_t size, double eventsPerSecond)
{
    Client device;
    snd_midi_event_t* parser = NULL;
    if (folder() == NULL || findDevice (name, &device) != 0 || snd_midi_event_new (256, &parser) < 0)
        return -1;

    struct timespec next;
    clock_gettime (CLOCK_MONOTONIC, &next);
    const long stepNs = eventsPerSecond > 0 ? (long) (1e9 / eventsPerSecond) : 0;
    long delivered = 0;

    snd_seq_event_t event;
    snd_seq_ev_clear (&event);

    for (size_t i = 0; i < size; ++i)
    {
        if (snd_midi_event_encode_byte (parser, bytes[i], &event) != 1)
            continue;

        snd_seq_ev_set_source (&event, 0);
        event.source.client = (unsigned char) device.number;
        snd_seq_ev_set_subs (&event);
        snd_seq_ev_set_direct (&event);

        if (stepNs > 0)
        {
            clock_nanosleep (CLOCK_MONOTONIC, TIMER_ABSTIME, &next, NULL);
            next.tv_nsec += stepNs;
            next.tv_sec += next.tv_nsec / 1000000000L;
            next.tv_nsec %= 1000000000L;
        }

        if (deliver (event, 5000) > 0)
            ++delivered;

        snd_seq_ev_clear (&event);
    }

    snd_midi_event_free (parser);
    return delivered;
}

void fakeseq_list (FILE* out)
{
    if (folder() == NULL)
        return;

    int numbers[MAX_CLIENTS];
    const int count = listClients (numbers, MAX_CLIENTS);

    for (int i = 0; i < count; ++i)
    {
        Client client;
        if (readClient (numbers[i], &client) != 0)
            continue;

        fprintf (out, "client %d '%s' %s\n", client.number, client.name,
                 client.type == SND_SEQ_KERNEL_CLIENT ? "device" : "program");
        for (int p = 0; p < MAX_PORTS; ++p)
            if (client.ports[p].used)
                fprintf (out, "  port %d:%d '%s' caps 0x%x type 0x%x\n", client.number, p,
                         client.ports[p].name, client.ports[p].caps, client.ports[p].type);
    }

    Subscription subs[1024];
    const int subscriptions = readSubscriptions (subs, 1024);
    for (int i = 0; i < subscriptions; ++i)
        fprintf (out, "subscription %d:%d -> %d:%d\n", subs[i].sourceClient, subs[i].sourcePort,
                 subs[i].destClient, subs[i].destPort);
}
