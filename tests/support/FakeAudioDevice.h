#pragma once

#include <juce_audio_devices/juce_audio_devices.h>

#include <utility>

/** A device that never runs by itself: tests and benchmarks call the player's device
    callbacks directly, and the player asks this object for the rate, buffer size and active
    channels as it would ask a real device. A device manager may open and start it too; then
    deliver() runs one block through the callback it was started with.
*/
class FakeAudioDevice final : public juce::AudioIODevice
{
public:
    FakeAudioDevice (double rate, int bufferSize, int numInputs, int numOutputs, const juce::String& deviceName = "Fake",
                     const juce::String& deviceTypeName = "Fake")
        : juce::AudioIODevice (deviceName, deviceTypeName), sampleRate (rate), bufferSamples (bufferSize)
    {
        inputs.setRange (0, numInputs, true);
        outputs.setRange (0, numOutputs, true);
    }

    juce::StringArray getOutputChannelNames() override { return {}; }
    juce::StringArray getInputChannelNames() override { return {}; }
    juce::Array<double> getAvailableSampleRates() override { return { sampleRate }; }
    juce::Array<int> getAvailableBufferSizes() override { return { bufferSamples }; }
    int getDefaultBufferSize() override { return bufferSamples; }
    juce::String open (const juce::BigInteger&, const juce::BigInteger& outputChannels, double, int) override
    {
        const auto error = mostOutputs > 0 && outputChannels.getHighestBit() >= mostOutputs ? "too many outputs" : openError;
        opened = error.isEmpty();
        return error;
    }
    void close() override
    {
        stop();
        opened = false;
    }
    bool isOpen() override { return opened; }
    void start (juce::AudioIODeviceCallback* newCallback) override
    {
        newCallback->audioDeviceAboutToStart (this);
        callback = newCallback;
    }
    void stop() override
    {
        if (auto* old = std::exchange (callback, nullptr))
            old->audioDeviceStopped();
    }
    bool isPlaying() override { return callback != nullptr; }
    juce::String getLastError() override { return {}; }
    int getCurrentBufferSizeSamples() override { return bufferSamples; }
    double getCurrentSampleRate() override { return sampleRate; }
    int getCurrentBitDepth() override { return 32; }
    juce::BigInteger getActiveOutputChannels() const override { return outputs; }
    juce::BigInteger getActiveInputChannels() const override { return inputs; }
    int getOutputLatencyInSamples() override { return 0; }
    int getInputLatencyInSamples() override { return 0; }

    /** One block of silence through the callback that started the device, if any. */
    void deliver()
    {
        juce::AudioBuffer<float> block (outputs.countNumberOfSetBits(), bufferSamples);
        if (callback != nullptr)
            callback->audioDeviceIOCallbackWithContext (nullptr, 0, block.getArrayOfWritePointers(),
                                                        block.getNumChannels(), bufferSamples, {});
    }

    double sampleRate;
    int bufferSamples;
    juce::BigInteger inputs, outputs;
    bool opened = true;
    juce::String openError; ///< what open() answers: a device that will not run, when not empty
    int mostOutputs = 0;    ///< above 0: open() refuses outputs from this index on
    juce::AudioIODeviceCallback* callback = nullptr;
};
