#include "DeviceSetup.h"

#include "TransportAudioProcessorPlayer.h"

namespace DeviceSetup
{
    // Every MIDI input present, by identifier; an empty identifier would stand for the device
    // manager's first enabled input, which is never used.
    template <typename Function>
    static void forEachMidiInput (Function&& function)
    {
        for (const auto& input : juce::MidiInput::getAvailableDevices())
            if (input.identifier.isNotEmpty())
                function (input.identifier);
    }

    void openDevices (juce::AudioDeviceManager& deviceManager, juce::PropertiesFile& userSettings)
    {
        const auto savedState = userSettings.getXmlValue ("audioDeviceState");
        deviceManager.initialise (256, 256, savedState.get(), true, {}, nullptr);
    }

    void attach (juce::AudioPluginInstance& plugin, TransportAudioProcessorPlayer& player,
                 juce::AudioDeviceManager& deviceManager)
    {
        plugin.setPlayHead (&player);
        player.setProcessor (&plugin);

        // The only place that sets the work buffer's channel count; device starts set its length.
        player.workBuffer.setSize (plugin.getTotalNumOutputChannels(), plugin.getBlockSize(),
                                   false, false, false);

        deviceManager.addAudioCallback (&player);
        registerMidiInputs (player, deviceManager);
    }

    void registerMidiInputs (TransportAudioProcessorPlayer& player, juce::AudioDeviceManager& deviceManager)
    {
        forEachMidiInput ([&] (const juce::String& identifier)
        {
            deviceManager.addMidiInputDeviceCallback (identifier, &player);
        });
    }

    void detach (TransportAudioProcessorPlayer& player, juce::AudioDeviceManager& deviceManager)
    {
        player.setProcessor (nullptr);
        deviceManager.removeAudioCallback (&player);

        forEachMidiInput ([&] (const juce::String& identifier)
        {
            deviceManager.removeMidiInputDeviceCallback (identifier, &player);
        });
    }
}
