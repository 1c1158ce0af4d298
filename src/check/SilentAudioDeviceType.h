#pragma once

#include <juce_audio_devices/juce_audio_devices.h>

class SilentAudioDevice;

/** The device type that offers one SilentAudioDevice, so that the device manager opens it and
    connects the player to it exactly as it does a sound card. Added to a device manager
    before anything else, it is the only type that manager knows.
*/
class SilentAudioDeviceType final : public juce::AudioIODeviceType
{
public:
    SilentAudioDeviceType (int numInputs, int numOutputs);

    void scanForDevices() override {}
    juce::StringArray getDeviceNames (bool wantInputNames) const override;
    int getDefaultDeviceIndex (bool) const override { return 0; }
    int getIndexOfDevice (juce::AudioIODevice* device, bool) const override { return device != nullptr ? 0 : -1; }
    bool hasSeparateInputsAndOutputs() const override { return false; }
    juce::AudioIODevice* createDevice (const juce::String& outputDeviceName,
                                       const juce::String& inputDeviceName) override;

    /** The device made last; the device manager owns it. */
    SilentAudioDevice* getLastDevice() const noexcept { return lastDevice; }

private:
    const int numInputs, numOutputs;
    SilentAudioDevice* lastDevice = nullptr;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SilentAudioDeviceType)
};
