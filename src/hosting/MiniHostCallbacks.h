#pragma once

#include <juce_events/juce_events.h>
#include <tolvane_minihost.h>

/** Answers the two call-backs that the plug-in receives in the mini-host handshake.

    The call-backs are plain C functions that carry only the host handle, so one object at a
    time answers them (the one that last started answering). A call whose handle is not that
    object's handle does nothing. The settings call-back opens the dialog only on the message
    thread: a call from another thread is passed to the message thread and returns at once,
    and a call while the dialog is already open does nothing. The tempo call-back ignores a
    tempo that is not finite or not above zero, and takes no lock.

    Stop answering when the plug-in's teardown begins: its calls from then on do nothing.
    Destroy the object only after the plug-in has been deleted, since a call already under
    way on another thread may still reach it.
*/
class MiniHostCallbacks final : private juce::AsyncUpdater
{
public:
    /** What the call-backs ask of the host. */
    class Host
    {
    public:
        virtual ~Host() = default;

        /** Shows the modal settings dialog and returns once it has been closed. Message thread. */
        virtual void openSettingsDialogForPlugin() = 0;

        /** Sets the play head's tempo. Any thread: must neither lock nor allocate. */
        virtual void setTempoForPlugin (double beatsPerMinute) noexcept = 0;
    };

    /** Sees every call of the two call-backs as it arrives, before it is answered or turned
        away, whatever its handle: for a tool that reports what a plug-in does. Called on the
        plug-in's thread; must neither lock nor allocate.
    */
    class Observer
    {
    public:
        virtual ~Observer() = default;
        virtual void settingsCalled (void* hostHandle) noexcept = 0;
        virtual void tempoCalled (void* hostHandle, float beatsPerMinute) noexcept = 0;
    };

    /** Makes observer (or none) see the calls from now on. The application has none. The
        observer must outlive every call that may still be on its way to it.
    */
    static void setObserver (Observer* observer) noexcept;

    MiniHostCallbacks (void* hostHandle, Host& host) noexcept;
    ~MiniHostCallbacks() override;

    /** From now on the call-backs reach this object's host. Message thread. */
    void startAnswering() noexcept;

    /** The call-backs do nothing from now on, and a settings request still waiting for the
        message thread is dropped. Message thread.
    */
    void stopAnswering();

    void* getHostHandle() const noexcept { return hostHandle; }
    bool isSettingsDialogOpen() const noexcept { return settingsDialogOpen; }

    /** The functions handed to the plug-in. */
    static TolvaneMiniHostSettingsCallback settingsCallback() noexcept;
    static TolvaneMiniHostTempoCallback tempoCallback() noexcept;

    /** What the two call-backs do; they only forward here. */
    static void answerSettings (void* hostHandle);
    static void answerTempo (void* hostHandle, float beatsPerMinute) noexcept;

private:
    void handleAsyncUpdate() override;
    void openSettingsDialog();

    void* const hostHandle;
    Host& host;
    bool settingsDialogOpen = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MiniHostCallbacks)
};
