#pragma once

#include <juce_audio_devices/juce_audio_devices.h>
#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_audio_utils/juce_audio_utils.h>

class TransportAudioProcessorPlayer;

/** Brings the devices up from the saved device state and connects the plug-in, the player
    and the device manager. Message thread only.
*/
namespace DeviceSetup
{
    /** Opens the devices from the settings value "audioDeviceState" with up to 256 input and
        256 output channels, falling back to the default device. A device that fails to open
        does not stop anything; the error is dropped.
    */
    void openDevices (juce::AudioDeviceManager& deviceManager, juce::PropertiesFile& userSettings);

    /** Makes the player the plug-in's play head, gives it the plug-in, sizes its work buffer
        to the plug-in's outputs and block size, adds it as audio callback and registers it
        for every MIDI input. First runs the device's output alone where its input would only
        be in the way (runOutputAloneIfInputUnused).
    */
    void attach (juce::AudioPluginInstance& plugin, TransportAudioProcessorPlayer& player,
                 juce::AudioDeviceManager& deviceManager);

    /** Reopens the audio device without its input side when the plug-in takes no audio input,
        or when no device could be opened with an input: with the framework's WASAPI device an
        input that fails to open or start, or whose session ends, stops the output too (a
        disabled, unplugged or blocked microphone). The output opened alone is the one open
        before, else the saved one, else the device type's default; if it will not run alone,
        the device open before is opened again. Not counted as the user's choice: the saved
        device state is kept as it is, so a plug-in with inputs still gets them next time.
    */
    void runOutputAloneIfInputUnused (juce::AudioDeviceManager& deviceManager, int pluginInputChannels);

    /** Registers the player under every MIDI input present; the device manager keeps the
        registration only for enabled inputs, and never doubles one.
    */
    void registerMidiInputs (TransportAudioProcessorPlayer& player, juce::AudioDeviceManager& deviceManager);

    /** Undoes attach(); harmless when there is nothing to undo. After it returns, the audio
        thread no longer enters the player.
    */
    void detach (TransportAudioProcessorPlayer& player, juce::AudioDeviceManager& deviceManager);
}
