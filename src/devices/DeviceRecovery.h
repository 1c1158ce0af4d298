#pragma once

#include "SavedDeviceState.h"

#include <juce_audio_devices/juce_audio_devices.h>

#include <cstdint>
#include <functional>
#include <memory>

/** Brings the audio device that the user chose back after it was lost.

    A device is lost when it closes by itself (a JACK server that went away: the framework
    closes the device and sends no further notice; it is let go a second later), when it stays
    open but delivers no block for a second and a half (four seconds before its first block),
    or when the framework replaced it by a fallback device because it vanished (Windows, an
    interface unplugged); one that is open but stopped is left a moment to finish stopping.
    As soon as the chosen device is listed again it is reopened with the chosen set-up, and
    the player, which stays the device manager's audio callback, is started by it again.

    The chosen device is the one that the saved device state names; without a saved choice,
    the device that ran when recovery started. It is reopened the way it ran: with its input,
    or its output alone when start-up (or the settings dialog) left it so. A fallback is never
    the choice. While the settings dialog is open nothing is reopened; when it closes, what
    the dialog saved is the choice.

    A chosen device that has delivered nothing since it was chosen and will not run, even
    reopened (it stays quiet, or it will not open), is given up while it stays listed: the
    default device of another type plays instead. One that has delivered is reopened until it
    plays again, however long that takes.

    Checks run on the message thread: twice a second, and whenever the device manager announces
    a change. While the chosen device runs a check reads a counter and two flags, nothing more.
*/
class DeviceRecovery final : private juce::Timer,
                             private juce::ChangeListener
{
public:
    /** Which device: its type and its output and input names. */
    using Choice = SavedDeviceState::Device;

    /** blocksDelivered counts the device blocks that reached the player; any thread may
        increment it, the checks only compare its values.
    */
    DeviceRecovery (juce::AudioDeviceManager& deviceManager, const SavedDeviceState& savedState,
                    std::function<std::uint32_t()> blocksDelivered);
    ~DeviceRecovery() override;

    /** Takes the chosen device from the saved state (or the running one) and starts checking.
        A chosen device that is listed while another device runs in its place has failed at
        start-up: it is given up while it stays listed.
        Without input (start-up runs the device's output alone, as for a plug-in that takes no
        input) the chosen device's input side is left out: its output running alone is the
        chosen device running, and it is reopened that way.
    */
    void start (bool withInput = true);

    /** Stops checking; nothing is reopened after it returns. */
    void stop();

    /** One timed check, as the timer runs it (the device manager's change messages run the
        same without counting a quiet interval).
    */
    void check();

    /** Marks the settings dialog as open for its lifetime: nothing is reopened meanwhile, and
        when it ends, what the dialog saved is the new choice, reopened the way the device now
        runs. Null (no recovery running) is allowed.
    */
    class SettingsDialogScope final
    {
    public:
        explicit SettingsDialogScope (DeviceRecovery* recoveryToPause);
        ~SettingsDialogScope();

    private:
        DeviceRecovery* recovery;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SettingsDialogScope)
    };

    //==============================================================================
    /** The devices that a type lists. */
    struct Listing
    {
        juce::StringArray outputs, inputs;
    };

    /** Whether the names of a choice are all among the listed devices. */
    static bool isListed (const Choice& choice, const Listing& listing);

    /** The quiet-check count after a check: it grows while an open device delivers nothing. */
    static int nextQuietChecks (int quietChecks, bool open, bool blocksArrived) noexcept;

    /** Quiet checks in a row that make an open device lost once it has delivered: long enough
        for a driver that is late now and then, short enough that sound is back soon after a
        sound server restarts (the loss is seen 1.5 to 2 s after the last block).
    */
    static constexpr int quietChecksForLoss = 3;

    /** The same before a device's first block: ALSA's device on a PulseAudio server delivers
        its first one about two seconds after it opens.
    */
    static constexpr int quietChecksBeforeFirstBlock = 8;

    /** Timed checks that find a device closed by itself before it is let go, a second or more
        after it closed. Its driver may still be winding down: JACK's library ends the threads
        of a client whose server went away when the next client opens, cancelling them wherever
        they are, and one still handling the server's last messages leaves the library's lock
        held, so that every later client waits for ever. Left a second, those threads finish.
    */
    static constexpr int closedChecksBeforeLettingGo = 3;

    /** Whether an open device has delivered nothing for too long. */
    static bool isStalled (int quietChecks, bool hasDelivered) noexcept
    {
        return quietChecks >= (hasDelivered ? quietChecksForLoss : quietChecksBeforeFirstBlock);
    }

    /** What a check makes of the current device. */
    enum class DeviceState
    {
        running,  ///< open and playing
        settling, ///< open and stopped, not for long yet: on its way to playing or to closing
        lost      ///< none, closed by itself, or quiet for too long
    };

    static DeviceState judge (bool exists, bool open, bool playing, bool stalled) noexcept;

private:
    void timerCallback() override;
    void changeListenerCallback (juce::ChangeBroadcaster*) override;

    /** Reopens the chosen device if it is not the one that runs and it is listed; after a
        failed attempt, not before the next timed check.
    */
    void recoverIfNeeded();

    void readChoice();
    Choice currentDevice() const;
    Listing rescan (const juce::String& typeName);
    void reopenChosen();

    /** The device that runs now is watched afresh: no quiet checks, nothing delivered yet. */
    void watchFromNow();

    /** Another type's default plays in place of the chosen device, watched afresh. */
    void openStandIn();

    void settingsDialogOpened();
    void settingsDialogClosed();

    juce::AudioDeviceManager& deviceManager;
    const SavedDeviceState& savedState;
    std::function<std::uint32_t()> blocksDelivered;

    Choice chosen;
    juce::AudioDeviceManager::AudioDeviceSetup chosenSetup;

    bool checking = false, dialogOpen = false, mayReopen = true, inputWanted = true;
    std::uint32_t lastBlocks = 0;
    int quietChecks = 0;
    int closedChecks = 0;            ///< timed checks in a row that found the device closed by itself
    int chosenStalls = 0;            ///< times the chosen device stalled; at two it is given up while listed
    bool chosenHasRun = false;       ///< whether the chosen device delivered since it was chosen
    bool deliveredSinceOpen = false; ///< whether the current device delivered since it was opened

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DeviceRecovery)
};
