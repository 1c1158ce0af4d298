/*
    The VST 2.x interface for the framework's VST hosting and plug-in client, taken from
    FST (Debian's fst-dev) with two structures mended.

    FST declares VstSpeakerArrangement with a flexible speakers[] array, but the framework
    allocates and fills it as if it held eight speakers, so every plug-in load would write
    past the allocation. VstPinProperties is also shorter in FST than the 128 bytes that
    plug-ins fill in. Both are declared here at their full sizes.

    The framework includes this header inside its own namespace, so it must not include
    any system header.
*/
#pragma once

#ifndef FST2VST
 #define FST2VST 1
#endif

// FST marks the values whose origin it has not documented as deprecated; they are used as
// they are.
#ifndef FST_DONT_DEPRECATE_UNKNOWN
 #define FST_DONT_DEPRECATE_UNKNOWN 1
#endif

// Keep FST's own declarations of the two faulty structures out of the way.
#define VstSpeakerArrangement FstVstSpeakerArrangementUnused
#define VstPinProperties      FstVstPinPropertiesUnused
#include <pluginterfaces/fst/fst.h>
#undef VstSpeakerArrangement
#undef VstPinProperties

typedef struct VstSpeakerArrangement_
{
    int type;
    int numChannels;
    VstSpeakerProperties speakers[8];
} VstSpeakerArrangement;

typedef struct VstPinProperties_
{
    char label[64];
    int flags;
    int arrangementType;
    char shortLabel[8];
    char future[48];
} VstPinProperties;

#ifdef __cplusplus
 #define TOLVANE_VST_SHIM_ASSERT(cond, msg) static_assert (cond, msg)
#else
 #define TOLVANE_VST_SHIM_ASSERT(cond, msg) _Static_assert (cond, msg)
#endif

TOLVANE_VST_SHIM_ASSERT (sizeof (VstSpeakerProperties) == 112, "VstSpeakerProperties must be 112 bytes");
TOLVANE_VST_SHIM_ASSERT (sizeof (VstSpeakerArrangement) == 8 + 8 * 112, "VstSpeakerArrangement must hold 8 speakers");
TOLVANE_VST_SHIM_ASSERT (sizeof (VstPinProperties) == 128, "VstPinProperties must be 128 bytes");

#undef TOLVANE_VST_SHIM_ASSERT
