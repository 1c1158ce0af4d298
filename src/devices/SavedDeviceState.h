#pragma once

#include <juce_audio_devices/juce_audio_devices.h>
#include <juce_data_structures/juce_data_structures.h>

#include <memory>

/** The audio device state that the user chose, as kept under "audioDeviceState" in the
    settings file: the device manager's own XML (a "DEVICESETUP" element).

    It is read once, when this object is made at start-up; from then on it changes only
    through storeAfterDialog(), which writes the file at once. Start-up, device recovery and
    the settings dialog all take it from here. Message thread.
*/
class SavedDeviceState final
{
public:
    /** Reads the saved state from the settings; text that is not a device state counts as none. */
    explicit SavedDeviceState (juce::PropertiesFile& userSettings);

    /** The saved state; null when there is none. */
    const juce::XmlElement* get() const noexcept { return saved.get(); }

    /** Stores what the settings dialog leaves behind (see toStoreAfterDialog) and saves the
        file at once. before and after are the device manager's states (createStateXml) when
        the dialog opened and when it closed. Returns whether the file was written.
    */
    bool storeAfterDialog (const juce::XmlElement* before, const juce::XmlElement* after);

    //==============================================================================
    /** Which device a state names: its type and its output and input names. */
    struct Device
    {
        juce::String type, output, input;

        bool isEmpty() const noexcept { return output.isEmpty() && input.isEmpty(); }
        bool operator== (const Device& other) const noexcept;
        bool operator!= (const Device& other) const noexcept { return ! operator== (other); }
    };

    /** The device that a state names, read as the device manager reads it: a single
        "audioDeviceName" stands for both directions and wins over the two separate names.
        Empty for null or for anything but a device state.
    */
    static Device deviceOf (const juce::XmlElement* state);

    /** The set-up that a state asks for, read as the device manager reads it. */
    static juce::AudioDeviceManager::AudioDeviceSetup setupOf (const juce::XmlElement& state);

    /** The same device without its input side (its output alone); MIDI inputs and output as
        in the state.
    */
    static std::unique_ptr<juce::XmlElement> withoutInput (const juce::XmlElement& state);

    /** state with the device attributes of deviceSource in place of its own; everything else
        (MIDI inputs and output) stays as in state.
    */
    static std::unique_ptr<juce::XmlElement> withDeviceOf (const juce::XmlElement& state,
                                                           const juce::XmlElement& deviceSource);

    /** Whether two states set up the audio device alike (MIDI aside). */
    static bool sameDevice (const juce::XmlElement& a, const juce::XmlElement& b);

    /** What the settings dialog stores when it closes, given the saved state and the device
        manager's states before and after it:
        - nothing changed: the saved state as it is;
        - the audio device untouched, only MIDI changed: the saved device with the new MIDI
          set-up. The device that ran may have been the saved one without its input (a
          plug-in that takes none) or a stand-in for a saved device that is away; neither
          becomes the choice;
        - the audio device changed: the device manager's state.
        Null stands for an empty value.
    */
    static std::unique_ptr<juce::XmlElement> toStoreAfterDialog (const juce::XmlElement* saved,
                                                                 const juce::XmlElement* before,
                                                                 const juce::XmlElement* after);

private:
    juce::PropertiesFile& userSettings;
    std::unique_ptr<juce::XmlElement> saved;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SavedDeviceState)
};
