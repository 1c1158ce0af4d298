#include "DeviceSetup.h"

namespace DeviceSetup
{
    void openDevices (juce::AudioDeviceManager& deviceManager, juce::PropertiesFile& userSettings)
    {
        const auto savedState = userSettings.getXmlValue ("audioDeviceState");
        deviceManager.initialise (256, 256, savedState.get(), true, {}, nullptr);
    }

    void attach (juce::AudioPluginInstance& plugin, juce::AudioProcessorPlayer& player,
                 juce::AudioDeviceManager& deviceManager)
    {
        player.setProcessor (&plugin);
        deviceManager.addAudioCallback (&player);
        registerMidiInputs (player, deviceManager);
    }

    void registerMidiInputs (juce::AudioProcessorPlayer& player, juce::AudioDeviceManager& deviceManager)
    {
        for (const auto& input : juce::MidiInput::getAvailableDevices())
            if (input.identifier.isNotEmpty())
                deviceManager.addMidiInputDeviceCallback (input.identifier, &player);
    }

    void detach (juce::AudioProcessorPlayer& player, juce::AudioDeviceManager& deviceManager)
    {
        player.setProcessor (nullptr);
        deviceManager.removeAudioCallback (&player);

        for (const auto& input : juce::MidiInput::getAvailableDevices())
            if (input.identifier.isNotEmpty())
                deviceManager.removeMidiInputDeviceCallback (input.identifier, &player);
    }
}
