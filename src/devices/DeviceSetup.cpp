#include "DeviceSetup.h"

#include "SavedDeviceState.h"

#include "audio/TransportAudioProcessorPlayer.h"
#include "DeviceFallback.h"

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

    // What the device manager would make of its types at its first use, less its second round
    // of looking for devices: types it creates itself are all scanned twice, types added
    // before are scanned once (for JACK each scan registers a client with the server).
    static void createDeviceTypes (juce::AudioDeviceManager& deviceManager)
    {
        juce::OwnedArray<juce::AudioIODeviceType> types;
        deviceManager.createAudioDeviceTypes (types);

        for (auto* type : types)
            deviceManager.addAudioDeviceType (std::unique_ptr<juce::AudioIODeviceType> (type));

        types.clear (false);
    }

    void openDevices (juce::AudioDeviceManager& deviceManager, const SavedDeviceState& savedState)
    {
        createDeviceTypes (deviceManager);

        const auto* saved = savedState.get();
        const auto outputAlone = saved != nullptr ? SavedDeviceState::withoutInput (*saved) : nullptr;

        // With no input channels wanted, the framework's default device has no input side
        // either, and it opens no trial devices to match an input's rates to the output's.
        deviceManager.initialise (0, 256, outputAlone.get(), true, {}, nullptr);

        // An output that will not run alone (Wine's WASAPI on a null device) is opened with
        // its input, as saved.
        if (deviceManager.getCurrentAudioDevice() == nullptr)
            deviceManager.initialise (256, 256, saved, true, {}, nullptr);

        if (! DeviceFallback::isRunning (deviceManager.getCurrentAudioDevice())
            && ! DeviceFallback::openFirstTwoOutputs (deviceManager, saved))
            DeviceFallback::openDefaultOfAnotherType (deviceManager, deviceManager.getCurrentAudioDeviceType());
    }

    void openInputIfTaken (juce::AudioDeviceManager& deviceManager, const SavedDeviceState& savedState,
                           int pluginInputChannels)
    {
        auto* type = deviceManager.getCurrentDeviceTypeObject();
        const auto previous = deviceManager.getAudioDeviceSetup();

        if (pluginInputChannels <= 0 || type == nullptr || deviceManager.getCurrentAudioDevice() == nullptr
            || previous.inputDeviceName.isNotEmpty())
            return;

        // The saved input when the saved device is the one open (an empty one is the user's
        // choice too), else the type's default input.
        const auto* saved = savedState.get();
        const auto savedDevice = SavedDeviceState::deviceOf (saved);
        const auto inputs = type->getDeviceNames (true);
        auto setup = previous;
        setup.inputDeviceName = inputs[type->getDefaultDeviceIndex (true)];
        setup.inputChannels.setRange (0, 256, true);

        if (saved != nullptr && savedDevice.output == previous.outputDeviceName
            && saved->getStringAttribute ("deviceType", type->getTypeName()) == type->getTypeName())
        {
            setup.inputDeviceName = savedDevice.input;

            if (saved->hasAttribute ("audioDeviceInChans"))
            {
                setup.inputChannels.clear();
                setup.inputChannels.parseString (saved->getStringAttribute ("audioDeviceInChans"), 2);
            }
        }

        if (setup.inputDeviceName.isEmpty() || ! inputs.contains (setup.inputDeviceName))
            return;

        setup.useDefaultInputChannels = false;

        // Not the user's choice: the state kept as chosen stays as it is. An input that will
        // not run leaves the output running alone, as before.
        if (deviceManager.setAudioDeviceSetup (setup, false).isNotEmpty())
            deviceManager.setAudioDeviceSetup (previous, false);
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
