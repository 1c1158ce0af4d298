/*
    fakeseq: devices of the fake sequencer (TOLVANE_FAKESEQ_DIR) that come, go and play.
      fakeseq add NAME [CLIENT]            a device appears: client NAME, one port NAME, under
                                           a new client number or the one given
      fakeseq remove NAME                  the device goes
      fakeseq send [--rate N] NAME HEX...  raw bytes from the device (N events a second);
                                           HEX "-" reads them from standard input
      fakeseq list                         clients, ports and subscriptions
*/
#include "FakeSequencer.h"

#include <stdlib.h>
#include <string.h>

static int usage (void)
{
    fputs ("usage: fakeseq add NAME [CLIENT] | remove NAME | send [--rate N] NAME HEX... | list\n", stderr);
    return 2;
}

/* Hex bytes from the arguments, each argument any run of hex digits ("90 3c 7f" or "903c7f");
   "-" stands for standard input, white space ignored (one argument holds at most 128 KiB). */
static unsigned char* parseHex (char** args, int count, size_t* size)
{
    if (count == 1 && strcmp (args[0], "-") == 0)
    {
        size_t length = 0, capacity = 1 << 16;
        char* text = malloc (capacity);
        for (int c; (c = getchar()) != EOF;)
        {
            if (c == ' ' || c == '\n' || c == '\t' || c == '\r')
                continue;
            if (length + 1 >= capacity)
                text = realloc (text, capacity *= 2);
            text[length++] = (char) c;
        }
        text[length] = 0;
        unsigned char* bytes = parseHex (&text, 1, size);
        free (text);
        return bytes;
    }

    size_t capacity = 0;
    for (int i = 0; i < count; ++i)
        capacity += strlen (args[i]) / 2 + 1;

    unsigned char* bytes = malloc (capacity + 1);
    *size = 0;

    for (int i = 0; i < count; ++i)
    {
        const size_t length = strlen (args[i]);
        if (length % 2 != 0 || strspn (args[i], "0123456789abcdefABCDEF") != length)
        {
            free (bytes);
            return NULL;
        }

        for (size_t at = 0; at < length; at += 2)
        {
            char pair[3] = { args[i][at], args[i][at + 1], 0 };
            bytes[(*size)++] = (unsigned char) strtoul (pair, NULL, 16);
        }
    }

    return bytes;
}

int main (int argc, char** argv)
{
    if (argc < 2)
        return usage();

    const char* command = argv[1];

    if (strcmp (command, "list") == 0 && argc == 2)
    {
        fakeseq_list (stdout);
        return 0;
    }

    if (strcmp (command, "add") == 0 && (argc == 3 || argc == 4))
        return fakeseq_add_device (argv[2], argc == 4 ? atoi (argv[3]) : -1) >= 0 ? 0 : 1;

    if (strcmp (command, "remove") == 0 && argc == 3)
        return fakeseq_remove_device (argv[2]) == 0 ? 0 : 1;

    if (strcmp (command, "send") == 0 && argc >= 4)
    {
        int first = 2;
        double rate = 0.0;
        if (strcmp (argv[first], "--rate") == 0 && argc >= 6)
        {
            rate = atof (argv[first + 1]);
            first += 2;
        }

        size_t size = 0;
        unsigned char* bytes = parseHex (argv + first + 1, argc - first - 1, &size);
        if (bytes == NULL)
            return usage();

        const long delivered = fakeseq_send (argv[first], bytes, size, rate);
        free (bytes);
        if (delivered < 0)
        {
            fprintf (stderr, "fakeseq: no device '%s'\n", argv[first]);
            return 1;
        }

        printf ("%ld events delivered\n", delivered);
        return 0;
    }

    return usage();
}
