#pragma once

#include <juce_audio_devices/juce_audio_devices.h>

/** A device that never runs by itself: tests and benchmarks call the player's device
    callbacks directly, and the player asks this object for the rate, buffer size and active
    channels as it would ask a real device.
*/
class FakeAudioDevice final : public juce::AudioIODevice
{
public:
    FakeAudioDevice (double rate, int bufferSize, int numInputs, int numOutputs)
        : juce::AudioIODevice ("Fake", "Fake"), sampleRate (rate), bufferSamples (bufferSize)
    {
        inputs.setRange (0, numInputs, true);
        outputs.setRange (0, numOutputs, true);
    }

    juce::StringArray getOutputChannelNames() override        { return {}; }
    juce::StringArray getInputChannelNames() override         { return {}; }
    juce::Array<double> getAvailableSampleRates() override    { return { sampleRate }; }
    juce::Array<int> getAvailableBufferSizes() override       { return { bufferSamples }; }
    int getDefaultBufferSize() override                       { return bufferSamples; }
    juce::String open (const juce::BigInteger&, const juce::BigInteger&, double, int) override { return {}; }
    void close() override                                     {}
    bool isOpen() override                                    { return true; }
    void start (juce::AudioIODeviceCallback*) override        {}
    void stop() override                                      {}
    bool isPlaying() override                                 { return true; }
    juce::String getLastError() override                      { return {}; }
    int getCurrentBufferSizeSamples() override                { return bufferSamples; }
    double getCurrentSampleRate() override                    { return sampleRate; }
    int getCurrentBitDepth() override                         { return 32; }
    juce::BigInteger getActiveOutputChannels() const override { return outputs; }
    juce::BigInteger getActiveInputChannels() const override  { return inputs; }
    int getOutputLatencyInSamples() override                  { return 0; }
    int getInputLatencyInSamples() override                   { return 0; }

    double sampleRate;
    int bufferSamples;
    juce::BigInteger inputs, outputs;
};
