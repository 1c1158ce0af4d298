#pragma once

#include "SavedDeviceState.h"

#include <juce_audio_devices/juce_audio_devices.h>

#include <functional>
#include <vector>

/** Opens the MIDI inputs that the user enabled when their devices appear or come back.

    The framework opens an enabled input only at start-up and when the settings dialog ticks
    it, by identifier, and never hears of devices that come and go: a controller plugged in
    after start, or unplugged and plugged back (on Linux often under another identifier, on
    Windows under the same one, its old handle dead), would stay silent. Once a second this
    looks at the inputs present. An input that the saved device state or the device manager's
    state (the dialog) enables is opened when a device of its name is there and its input is
    not open, or opened again when that device was missing at the last look; the player is
    then registered on it (the registration function). An input the user did not enable is
    never opened. A device that goes and comes back between
    two looks under the same identifier is not noticed: the framework tells nothing of it.

    Reopening is not a new choice: nothing is saved, and while a device is away the state
    keeps naming it (its input stays open in the device manager, silent, until the device is
    back). Names that the user unticks in the dialog are not opened again in this run, even
    when a stale entry of the saved state still names them.

    Message thread only. A look asks the system for its MIDI inputs and reads the device
    manager's state; it changes nothing unless a device came.
*/
class MidiInputWatcher final : private juce::Timer
{
public:
    /** savedState is the saved device state; registerPlayer registers the
        player on every enabled input (after anything opened).
    */
    MidiInputWatcher (juce::AudioDeviceManager& deviceManager,
                      const SavedDeviceState& savedState,
                      std::function<void()> registerPlayer);
    ~MidiInputWatcher() override;

    /** Takes the inputs present now as seen and looks once a second from now on. */
    void start();

    /** One look, as the timer makes it. */
    void look();

    /** Marks the settings dialog as open for its lifetime: nothing is opened meanwhile (the
        looks only note devices that go away); what the user unticked is not opened again.
        Null (no watcher) is allowed.
    */
    class SettingsDialogScope final
    {
    public:
        explicit SettingsDialogScope (MidiInputWatcher* watcherToPause);
        ~SettingsDialogScope();

    private:
        MidiInputWatcher* watcher;
        juce::StringArray enabledBefore;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SettingsDialogScope)
    };

    //==============================================================================
    /** The inputs that the saved device state and the device manager's state enable, as they
        name them (name and the identifier they had), without those named in turnedOff. The
        device manager's state does not name a saved input that was absent at start until
        something in it changes, so both are read.
    */
    static juce::Array<juce::MidiDeviceInfo> wantedInputs (const juce::XmlElement* saved,
                                                           const juce::XmlElement* current,
                                                           const juce::StringArray& turnedOff);

    /** One step: enable or disable the input of this identifier. */
    struct Step
    {
        juce::String identifier;
        bool enable;

        bool operator== (const Step& other) const noexcept { return identifier == other.identifier && enable == other.enable; }
    };

    /** What a look does. For each wanted name with a device present: open it when its input
        is not enabled, or close and open it again when it is but the device was not present
        (under this identifier) at the last look; an enabled input of that name whose
        identifier is gone is closed once the new one is open. Names without a device: nothing.
    */
    static std::vector<Step> decide (const juce::Array<juce::MidiDeviceInfo>& wanted,
                                     const juce::Array<juce::MidiDeviceInfo>& lastLook,
                                     const juce::Array<juce::MidiDeviceInfo>& present,
                                     const juce::StringArray& enabledIdentifiers);

    /** The names turned off in the dialog, given those turned off before, and the names of
        the inputs present and enabled before and after it.
    */
    static juce::StringArray turnedOffAfterDialog (juce::StringArray turnedOff,
                                                   const juce::StringArray& enabledBefore,
                                                   const juce::StringArray& enabledAfter);

private:
    void timerCallback() override;
    juce::StringArray enabledPresentNames (const juce::Array<juce::MidiDeviceInfo>& present) const;

    juce::AudioDeviceManager& deviceManager;
    const SavedDeviceState& savedState;
    std::function<void()> registerPlayer;

    juce::Array<juce::MidiDeviceInfo> lastLook;
    juce::StringArray turnedOff;
    bool dialogOpen = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MidiInputWatcher)
};
