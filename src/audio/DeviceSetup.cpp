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

    void runOutputAloneIfInputUnused (juce::AudioDeviceManager& deviceManager, int pluginInputChannels)
    {
        const auto previous = deviceManager.getAudioDeviceSetup();
        auto setup = previous;
        const auto isOpen = deviceManager.getCurrentAudioDevice() != nullptr;

        if (isOpen && (pluginInputChannels > 0 || setup.inputDeviceName.isEmpty()))
            return;

        if (! isOpen)
        {
            // A device that failed to open leaves no names behind.
            auto* type = deviceManager.getCurrentDeviceTypeObject();
            if (type == nullptr)
                return;

            const auto outputs = type->getDeviceNames (false);
            const auto saved = deviceManager.createStateXml();
            const auto savedOutput = saved != nullptr ? saved->getStringAttribute ("audioOutputDeviceName") : juce::String();
            setup.outputDeviceName = outputs.contains (savedOutput) ? savedOutput : outputs[type->getDefaultDeviceIndex (false)];
        }

        setup.inputDeviceName = {};
        setup.inputChannels.clear();
        setup.useDefaultInputChannels = false;

        // Not the user's choice: the state that the settings store keeps stays as it is.
        // An output that will not run alone (Wine's WASAPI on a null device) gets back the
        // device that was open before.
        if (deviceManager.setAudioDeviceSetup (setup, false).isNotEmpty() && isOpen)
            deviceManager.setAudioDeviceSetup (previous, false);
    }

    void attach (juce::AudioPluginInstance& plugin, TransportAudioProcessorPlayer& player,
                 juce::AudioDeviceManager& deviceManager)
    {
        runOutputAloneIfInputUnused (deviceManager, plugin.getTotalNumInputChannels());

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
