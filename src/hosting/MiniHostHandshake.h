#pragma once

#include <juce_graphics/juce_graphics.h>
#include <tolvane_minihost.h>

#include <array>

// The plug-in's entry structure of the VST 2.x interface (declared the same way by the framework).
struct AEffect;

namespace juce
{
    class AudioPluginInstance;
}

/** The host's half of the mini-host extension handshake: one run of messages through the
    plug-in's dispatcher that hands it the host handle and the two call-backs and asks it for
    the keyboard flag, the window size mode and three colours.

    Message thread, once per run, after the plug-in has been opened and before its editor is
    shown.
*/
namespace MiniHostHandshake
{
    /** What the plug-in answered. With `supported` false nothing else was sent after the
        capability query or the handle; with `coloursSupplied` false the colours are zeros.
    */
    struct Reply
    {
        bool supported = false;
        bool coloursSupplied = false;
        TolvaneMiniHostKeyboardFlag keyboardFlag = 0;
        TolvaneMiniHostSizeMode windowSizeMode = TOLVANE_MINIHOST_SIZE_FIXED;
        std::array<juce::uint32, 3> colours {};

        /** The plug-in's replies as they came, for reporting: to the capability query, to
            the host handle and to the colours; 0 for a message that was not sent.
        */
        juce::int64 capabilityReply = 0, handleReply = 0, coloursReply = 0;
    };

    /** The VST 2.x plug-in's own entry structure, as the framework's hosting holds it; null
        for a plug-in of another format.
    */
    AEffect* effectOf (juce::AudioPluginInstance& plugin);

    /** Sends the capability query and, if the plug-in answers exactly 1 and accepts the host
        handle, the call-backs and the three questions, in the protocol's order.
    */
    Reply run (AEffect& effect, void* hostHandle,
               TolvaneMiniHostSettingsCallback settingsCallback,
               TolvaneMiniHostTempoCallback tempoCallback);

    /** The colours of a reply as text, accent and background, each made opaque. */
    std::array<juce::Colour, 3> opaqueColours (const Reply& reply);
}
