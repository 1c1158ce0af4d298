/*
    Counts the heap calls made on the threads that read the fake sequencer's events (the
    framework's MIDI input threads), outside the fake sequencer's own code. With
    TOLVANE_FAKESEQ_ALLOCATIONS naming a file, each SIGUSR2 appends the counts so far to it:
    "allocations N bytes B frees F" (a realloc counts as an allocation, and as a free when it
    moves a block).
*/
#define _GNU_SOURCE
#include <fcntl.h>
#include <signal.h>
#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

extern void* __libc_malloc (size_t);
extern void* __libc_calloc (size_t, size_t);
extern void* __libc_realloc (void*, size_t);
extern void* __libc_memalign (size_t, size_t);
extern void __libc_free (void*);

__attribute__ ((tls_model ("initial-exec"))) __thread int fakeseqMidiThread, fakeseqInside;

static atomic_long allocations, allocatedBytes, frees;
static const char* reportPath;

static int counting (void)
{
    return fakeseqMidiThread && ! fakeseqInside;
}

static void countAllocation (size_t size)
{
    if (counting())
    {
        ++allocations;
        allocatedBytes += (long) size;
    }
}

void* malloc (size_t size)
{
    countAllocation (size);
    return __libc_malloc (size);
}

void* calloc (size_t count, size_t size)
{
    countAllocation (count * size);
    return __libc_calloc (count, size);
}

void* realloc (void* block, size_t size)
{
    countAllocation (size);
    void* result = __libc_realloc (block, size);
    if (block != NULL && result != block && counting())
        ++frees;
    return result;
}

void* aligned_alloc (size_t alignment, size_t size)
{
    countAllocation (size);
    return __libc_memalign (alignment, size);
}

void* memalign (size_t alignment, size_t size)
{
    countAllocation (size);
    return __libc_memalign (alignment, size);
}

int posix_memalign (void** result, size_t alignment, size_t size)
{
    countAllocation (size);
    *result = __libc_memalign (alignment, size);
    return *result != NULL ? 0 : 12 /* ENOMEM */;
}

void free (void* block)
{
    if (block != NULL && counting())
        ++frees;
    __libc_free (block);
}

static void report (int signalNumber)
{
    (void) signalNumber;
    char line[128];
    const int length = snprintf (line, sizeof line, "allocations %ld bytes %ld frees %ld\n", (long) allocations,
                                 (long) allocatedBytes, (long) frees);
    const int fd = open (reportPath, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd >= 0)
    {
        if (write (fd, line, (size_t) length) < 0)
            (void) 0;
        close (fd);
    }
}

__attribute__ ((constructor)) static void startCounting (void)
{
    reportPath = getenv ("TOLVANE_FAKESEQ_ALLOCATIONS");
    if (reportPath != NULL && *reportPath != 0)
        signal (SIGUSR2, report);
}
