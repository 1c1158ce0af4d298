#include "DeviceFallback.h"

namespace DeviceFallback
{
    juce::StringArray typesToTry (const juce::StringArray& availableTypes, const juce::String& failedType)
    {
        juce::StringArray result;

        for (const auto* name : { "Windows Audio", "DirectSound", "ALSA", "JACK" })
            if (availableTypes.contains (name) && failedType != name)
                result.add (name);

        return result;
    }

    bool isRunning (juce::AudioIODevice* device)
    {
        return device != nullptr && device->isOpen() && device->isPlaying();
    }

    bool openFirstTwoOutputs (juce::AudioDeviceManager& deviceManager, const juce::XmlElement* savedState)
    {
        auto* type = deviceManager.getCurrentDeviceTypeObject();

        if (type == nullptr)
            return false;

        const auto outputs = type->getDeviceNames (false);
        auto name = outputs[type->getDefaultDeviceIndex (false)];

        if (savedState != nullptr && savedState->getStringAttribute ("deviceType") == type->getTypeName())
        {
            const auto both = savedState->getStringAttribute ("audioDeviceName");
            const auto saved = both.isNotEmpty() ? both : savedState->getStringAttribute ("audioOutputDeviceName");

            if (outputs.contains (saved))
                name = saved;
        }

        if (name.isEmpty())
            return false;

        auto setup = deviceManager.getAudioDeviceSetup();
        setup.outputDeviceName = name;
        setup.inputDeviceName = {};
        setup.outputChannels.clear();
        setup.outputChannels.setRange (0, 2, true);
        setup.useDefaultOutputChannels = false;
        deviceManager.closeAudioDevice();
        deviceManager.setAudioDeviceSetup (setup, false);
        return isRunning (deviceManager.getCurrentAudioDevice());
    }

    juce::String openDefaultOfAnotherType (juce::AudioDeviceManager& deviceManager, const juce::String& failedType)
    {
        juce::StringArray available;

        for (auto* type : deviceManager.getAvailableDeviceTypes())
            available.add (type->getTypeName());

        for (const auto& name : typesToTry (available, failedType))
        {
            auto* type = deviceManager.getAvailableDeviceTypes()[available.indexOf (name)];
            type->scanForDevices();

            if (type->getDeviceNames (false).isEmpty())
                continue;

            // Closed first: the framework waits one and a half seconds before it changes the
            // type of a device that is still there. A type that is current already (a fallback
            // that stopped running) is given its default device again.
            deviceManager.closeAudioDevice();

            if (deviceManager.getCurrentAudioDeviceType() != name)
            {
                deviceManager.setCurrentAudioDeviceType (name, false);
            }
            else
            {
                auto setup = deviceManager.getAudioDeviceSetup();
                setup.outputDeviceName = type->getDeviceNames (false)[type->getDefaultDeviceIndex (false)];
                setup.inputDeviceName = {};
                deviceManager.setAudioDeviceSetup (setup, false);
            }

            if (isRunning (deviceManager.getCurrentAudioDevice()) || openFirstTwoOutputs (deviceManager, nullptr))
                return name;
        }

        return {};
    }
}
