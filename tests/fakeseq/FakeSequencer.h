/*
    A user-space stand-in for the ALSA sequencer, for machines without one. Loaded with
    LD_PRELOAD, it takes over the snd_seq_* calls that the framework's Linux MIDI code and
    Wine's ALSA driver make; processes whose TOLVANE_FAKESEQ_DIR names the same folder share
    one sequencer. Devices (a client with one port that is source and destination, as a USB
    controller shows itself) are added, removed and played by the fakeseq tool through the
    calls below.

    The folder holds:
      clients/N   one file a client: "client TYPE PID NAME", then "port P CAPS TYPE NAME" lines
      N.fifo      a running client's input, records of one event each (atomic pipe writes)
      subs        subscriptions, "SRC-CLIENT SRC-PORT DEST-CLIENT DEST-PORT" a line
      lock        taken (flock) while clients, subscriptions or numbers change
      next-device the number the next device gets; a device plugged in again gets a new one
*/
#pragma once

#include <stddef.h>
#include <stdio.h>

#ifdef __cplusplus
extern "C"
{
#endif

    /** Adds a device named NAME under the client number asked for (or, with -1, one that no
        device had before). Returns its client number, or -1 (also when that number is taken).
    */
    int fakeseq_add_device (const char* name, int client);

    /** Removes the device named NAME with its subscriptions. Returns 0, or -1 when there is none. */
    int fakeseq_remove_device (const char* name);

    /** Plays raw MIDI bytes from the device named NAME to its subscribers, split into events as
        the kernel does (system-exclusive in pieces of 256 bytes, running status, real-time bytes
        at once). eventsPerSecond > 0 paces the events. A subscriber whose input stays full for
        5 s loses events. Returns the number of events delivered to some subscriber, or -1.
    */
    long fakeseq_send (const char* name, const unsigned char* bytes, size_t size, double eventsPerSecond);

    /** Writes the clients, their ports and the subscriptions, a line each. */
    void fakeseq_list (FILE* out);

#ifdef __cplusplus
}
#endif
