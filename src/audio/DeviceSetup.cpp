#include "DeviceSetup.h"

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

    void attach (juce::AudioPluginInstance& plugin, juce::AudioProcessorPlayer& player,
                 juce::AudioDeviceManager& deviceManager)
    {
        player.setProcessor (&plugin);
        deviceManager.addAudioCallback (&player);
        registerMidiInputs (player, deviceManager);
    }

    void registerMidiInputs (juce::AudioProcessorPlayer& player, juce::AudioDeviceManager& deviceManager)
    {
        forEachMidiInput ([&] (const juce::String& identifier)
        {
            deviceManager.addMidiInputDeviceCallback (identifier, &player);
        });
    }

    void detach (juce::AudioProcessorPlayer& player, juce::AudioDeviceManager& deviceManager)
    {
        player.setProcessor (nullptr);
        deviceManager.removeAudioCallback (&player);

        forEachMidiInput ([&] (const juce::String& identifier)
        {
            deviceManager.removeMidiInputDeviceCallback (identifier, &player);
        });
    }
}
