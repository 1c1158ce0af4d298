#pragma once

#include <juce_audio_devices/juce_audio_devices.h>
#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_audio_utils/juce_audio_utils.h>

class SavedDeviceState;
class TransportAudioProcessorPlayer;

/** Brings the devices up from the saved device state and connects the plug-in, the player
    and the device manager. Message thread only.
*/
namespace DeviceSetup
{
    /** Opens the output side of the device that the saved device state names
        (with up to 256 output channels), falling back to the default device's output, and
        enables the MIDI inputs that it names. The input side waits until the plug-in is known
        (openInputIfTaken): most editor plug-ins take none, and the device is then opened once.
        An output that will not open alone is opened with its input, as saved. A device that
        fails to open does not stop anything; the error is dropped. Call once, on
        a device manager that has not been initialised: it creates the device types itself so
        that each type looks for its devices once, not twice.
    */
    void openDevices (juce::AudioDeviceManager& deviceManager, const SavedDeviceState& savedState);

    /** Adds the input side (up to 256 channels) to the open device when the plug-in takes
        audio input: the input that the saved state names, else the device type's default one.
        If the device will not run with it, the output runs alone again, as before: with the
        framework's WASAPI device an input that fails to open or start, or whose session ends,
        stops the output too (a disabled, unplugged or blocked microphone). Nothing happens for
        a plug-in without inputs or when no device is open. Not the user's choice: the state
        that the device manager keeps as chosen is not touched.
    */
    void openInputIfTaken (juce::AudioDeviceManager& deviceManager, const SavedDeviceState& savedState,
                           int pluginInputChannels);

    /** Makes the player the plug-in's play head, gives it the plug-in, sizes its work buffer
        to the plug-in's outputs and block size, adds it as audio callback and registers it
        for every MIDI input.
    */
    void attach (juce::AudioPluginInstance& plugin, TransportAudioProcessorPlayer& player,
                 juce::AudioDeviceManager& deviceManager);

    /** Registers the player under every MIDI input present; the device manager keeps the
        registration only for enabled inputs, and never doubles one.
    */
    void registerMidiInputs (TransportAudioProcessorPlayer& player, juce::AudioDeviceManager& deviceManager);

    /** Undoes attach(); harmless when there is nothing to undo. After it returns, the audio
        thread no longer enters the player.
    */
    void detach (TransportAudioProcessorPlayer& player, juce::AudioDeviceManager& deviceManager);
}
