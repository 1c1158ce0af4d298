#include "SilentAudioDeviceType.h"

#include "SilentAudioDevice.h"

SilentAudioDeviceType::SilentAudioDeviceType (int inputs, int outputs)
    : juce::AudioIODeviceType (SilentAudioDevice::typeName),
      numInputs (inputs), numOutputs (outputs)
{
}

juce::StringArray SilentAudioDeviceType::getDeviceNames (bool) const
{
    return { "Silent device" };
}

juce::AudioIODevice* SilentAudioDeviceType::createDevice (const juce::String&, const juce::String&)
{
    lastDevice = new SilentAudioDevice (numInputs, numOutputs);
    return lastDevice;
}
