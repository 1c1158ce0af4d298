/*
    The protocol header compiled as C, as a plug-in written in C includes it, with every
    code checked against its four characters at compile time.
*/
#include <tolvane_minihost.h>

_Static_assert(TOLVANE_MINIHOST_FOURCC ('M', '1', 'n', '1') == TOLVANE_MINIHOST_INDEX, "index");
_Static_assert(TOLVANE_MINIHOST_FOURCC ('s', 'H', 'D', 'L') == TOLVANE_MINIHOST_HANDLE, "sHDL");
_Static_assert(TOLVANE_MINIHOST_FOURCC ('s', 'C', 'F', 'G') == TOLVANE_MINIHOST_SETTINGS, "sCFG");
_Static_assert(TOLVANE_MINIHOST_FOURCC ('s', 'T', 'M', 'P') == TOLVANE_MINIHOST_TEMPO, "sTMP");
_Static_assert(TOLVANE_MINIHOST_FOURCC ('s', 'K', 'b', 'd') == TOLVANE_MINIHOST_KEYBOARD, "sKbd");
_Static_assert(TOLVANE_MINIHOST_FOURCC ('s', 'S', 'i', 'z') == TOLVANE_MINIHOST_SIZE, "sSiz");
_Static_assert(TOLVANE_MINIHOST_FOURCC ('s', 'C', 'o', 'l') == TOLVANE_MINIHOST_COLOURS, "sCol");

_Static_assert(sizeof (TolvaneMiniHostKeyboardFlag) == 1, "the keyboard flag is one byte");
_Static_assert(sizeof (TolvaneMiniHostSizeMode) == 4, "the size mode is a 32-bit integer");
_Static_assert(sizeof (TolvaneMiniHostColours) == 12, "three 32-bit colours");

static void TOLVANE_MINIHOST_CALL settings (void* hostHandle)
{
    (void) hostHandle;
}
static void TOLVANE_MINIHOST_CALL tempo (void* hostHandle, float bpm)
{
    (void) hostHandle;
    (void) bpm;
}

TolvaneMiniHostSettingsCallback tolvaneMiniHostCheckSettings (void)
{
    return settings;
}
TolvaneMiniHostTempoCallback tolvaneMiniHostCheckTempo (void)
{
    return tempo;
}
