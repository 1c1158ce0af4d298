#pragma once

#include <tolvane_minihost.h>

#include <juce_core/juce_core.h>

#include <atomic>

/** The plug-in's side of the mini-host extension of the Tolvane Editor host.

    The host speaks to the plug-in through the VST 2.x dispatcher: a capability query
    (effCanDo) and then vendor-specific messages (effVendorSpecific) during its start-up.
    The plug-in's processor hands both kinds of call to this object (see
    ReferenceProcessor::handleVstPluginCanDo and handleVstManufacturerSpecific), which
    answers them, keeps the host handle and the two call-backs, and lets the editor use them.

    What the plug-in tells the host (keyboard flag, window size mode, colours) is given
    at construction.

    Threads: the host sends its messages on its message thread; the editor runs on that
    same thread under this host, but may run on another one under other hosts, and the
    audio thread may read too. Everything kept is therefore atomic, and each call-back is
    read once per use.
*/
class MiniHostLink final
{
public:
    /** What the plug-in answers when the host asks. */
    struct Answers
    {
        TolvaneMiniHostKeyboardFlag keyboardFlag;
        TolvaneMiniHostSizeMode sizeMode;
        uint32_t textColour, accentColour, backgroundColour; // 0xAARRGGBB
    };

    explicit MiniHostLink (const Answers& answersToGive);

    /** Answers effCanDo: exactly 1 for TOLVANE_MINIHOST_CAN_DO, 0 for any other text (or none). */
    static juce::pointer_sized_int answerCanDo (const char* text);

    /** Answers effVendorSpecific. Messages with another index, unknown values and a null
        address where one is needed get 0; everything else gets 1.
    */
    juce::pointer_sized_int answerVendorSpecific (juce::int32 index, juce::pointer_sized_int value, void* ptr);

    /** True once the host has handed over its handle: the host speaks the extension. */
    bool isConnected() const noexcept;

    /** True when the host is connected and gave the call-back; the editor shows the
        matching control only then.
    */
    bool canOpenSettings() const noexcept;
    bool canSetTempo() const noexcept;

    /** Opens the host's "Audio / MIDI Settings" dialog and returns once it is closed; does
        nothing without the call-back. Call it from the editor: the host runs the dialog
        on its message thread.
    */
    void openSettings() const;

    /** Sets the tempo that the host's play head reports; does nothing without the call-back.
        Any thread may call it.
    */
    void setTempo (float beatsPerMinute) const;

private:
    const Answers answers;

    std::atomic<bool> connected { false };
    std::atomic<void*> hostHandle { nullptr };
    std::atomic<TolvaneMiniHostSettingsCallback> settingsCallback { nullptr };
    std::atomic<TolvaneMiniHostTempoCallback> tempoCallback { nullptr };

    static_assert (std::atomic<void*>::is_always_lock_free
                       && std::atomic<TolvaneMiniHostTempoCallback>::is_always_lock_free,
                   "the audio thread must be able to read the link without a lock");

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MiniHostLink)
};
