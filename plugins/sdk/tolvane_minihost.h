/*
    The mini-host extension of Tolvane Editor: what a VST 2.x editor plug-in and the host say to
    each other beyond the standard interface.

    Dependency-free; usable from C and C++. Every message is one call of the plug-in's
    dispatcher, made by the host on its message thread during start-up, once the plug-in has
    been opened and before its editor is shown:

        dispatcher (effect, opcode, index, value, ptr, 0.0f)

    1. Capability query: opcode TOLVANE_MINIHOST_OPCODE_CAN_DO (effCanDo), index 0, value 0,
       ptr = the text TOLVANE_MINIHOST_CAN_DO. Only a reply of exactly 1 means "supported";
       anything else (0, -1, 2, ...) ends the handshake.
    2. Then opcode TOLVANE_MINIHOST_OPCODE_VENDOR (effVendorSpecific), index
       TOLVANE_MINIHOST_INDEX, with one of these values, in this order:

       value                      ptr                                   reply
       TOLVANE_MINIHOST_HANDLE    the host handle (opaque)              non-zero: accepted; 0 ends the handshake
       TOLVANE_MINIHOST_SETTINGS  a TolvaneMiniHostSettingsCallback     ignored
       TOLVANE_MINIHOST_TEMPO     a TolvaneMiniHostTempoCallback        ignored
       TOLVANE_MINIHOST_KEYBOARD  TolvaneMiniHostKeyboardFlag*, 0 set   ignored
       TOLVANE_MINIHOST_SIZE      TolvaneMiniHostSizeMode*, 1 set       ignored; the value is read afterwards
       TOLVANE_MINIHOST_COLOURS   uint32_t* to the first of three       non-zero: the plug-in filled the array
                                  words (a TolvaneMiniHostColours), 0

    The dispatcher carries every address as void*: cast the two call-backs back to
    TolvaneMiniHostSettingsCallback and TolvaneMiniHostTempoCallback. The plug-in may keep the
    handle and the two call-backs for as long as it lives. The addresses sent with KEYBOARD,
    SIZE and COLOURS are valid only during the call that carries them: write the answer and
    forget the address.
*/
#ifndef TOLVANE_MINIHOST_H
#define TOLVANE_MINIHOST_H

#include <stdint.h>

#ifdef __cplusplus
extern "C"
{
#endif

/* The C calling convention of the platform: the caller removes the arguments. */
#if defined(_WIN32)
#define TOLVANE_MINIHOST_CALL __cdecl
#else
#define TOLVANE_MINIHOST_CALL
#endif

/* A four-character code: the first character in the most significant byte. */
#define TOLVANE_MINIHOST_FOURCC(a, b, c, d)                                         \
    ((int32_t) (((uint32_t) (uint8_t) (a) << 24) | ((uint32_t) (uint8_t) (b) << 16) \
                | ((uint32_t) (uint8_t) (c) << 8) | (uint32_t) (uint8_t) (d)))

/* The VST 2.x opcodes that carry the extension. */
#define TOLVANE_MINIHOST_OPCODE_VENDOR 50 /* effVendorSpecific */
#define TOLVANE_MINIHOST_OPCODE_CAN_DO 51 /* effCanDo */

/* The capability text, and the one reply that means "supported". */
#define TOLVANE_MINIHOST_CAN_DO           "supportMiniHostExtensions"
#define TOLVANE_MINIHOST_CAN_DO_SUPPORTED 1

/* The index of every vendor-specific message: 'M1n1'. */
#define TOLVANE_MINIHOST_INDEX 0x4D316E31

/* The values of the vendor-specific messages. */
#define TOLVANE_MINIHOST_HANDLE   0x7348444C /* 'sHDL': ptr is the host handle */
#define TOLVANE_MINIHOST_SETTINGS 0x73434647 /* 'sCFG': ptr is the settings call-back */
#define TOLVANE_MINIHOST_TEMPO    0x73544D50 /* 'sTMP': ptr is the tempo call-back */
#define TOLVANE_MINIHOST_KEYBOARD 0x734B6264 /* 'sKbd': ptr is a TolvaneMiniHostKeyboardFlag* */
#define TOLVANE_MINIHOST_SIZE     0x7353697A /* 'sSiz': ptr is a TolvaneMiniHostSizeMode* */
#define TOLVANE_MINIHOST_COLOURS  0x73436F6C /* 'sCol': ptr is a TolvaneMiniHostColours */

    /* sKbd: one byte, 0 when the host asks. The host does not consult it; its meaning is the
       plug-in's own. */
    typedef uint8_t TolvaneMiniHostKeyboardFlag;

    /* sSiz: a 32-bit signed integer, 1 when the host asks. 1 gives the main window only minimise
       and close buttons (a window of the editor's fixed size); any other value leaves it
       minimise, maximise and close. */
    typedef int32_t TolvaneMiniHostSizeMode;
#define TOLVANE_MINIHOST_SIZE_FIXED 1

    /* sCol: three 32-bit 0xAARRGGBB words, all 0 when the host asks, in this order. The host
       ignores the top byte: every colour is made opaque. From them it draws its own windows
       (the settings dialog and its lists). */
    typedef uint32_t TolvaneMiniHostColours[3];
#define TOLVANE_MINIHOST_COLOUR_TEXT       0
#define TOLVANE_MINIHOST_COLOUR_ACCENT     1
#define TOLVANE_MINIHOST_COLOUR_BACKGROUND 2

    /* Opens the host's modal "Audio / MIDI Settings" dialog and returns once the user has closed
       it. Call it from the plug-in's editor while the host shows it: the editor then runs on the
       host's message thread. The host defers a call from any other thread (a plug-in's own
       message thread before its editor is open, say) to its message thread and returns at once.
       While the dialog is open, further calls are ignored, and the plug-in's editor may not get
       events or repaints until it closes. */
    typedef void (TOLVANE_MINIHOST_CALL* TolvaneMiniHostSettingsCallback) (void* hostHandle);

    /* Sets the tempo that the host's play head reports, in beats per minute, from the next
       query on. Takes no lock and may be called from any thread, the audio thread included. A
       value that is not finite or not above zero is ignored. */
    typedef void (TOLVANE_MINIHOST_CALL* TolvaneMiniHostTempoCallback) (void* hostHandle, float beatsPerMinute);

#ifdef __cplusplus
}
#endif

#endif /* TOLVANE_MINIHOST_H */
