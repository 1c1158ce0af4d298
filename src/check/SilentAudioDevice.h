#pragma once

#include "CheckVerdicts.h"

#include <juce_audio_devices/juce_audio_devices.h>

#include <atomic>
#include <vector>

/** An audio device with no hardware behind it: silent inputs, and a thread of its own that
    calls the device manager at the pace of a real device, one block of its buffer size at a
    time. It counts the blocks and looks at every output sample that reaches it.

    Real-time pace rather than as fast as possible: the plug-in, the framework's MIDI
    collector and the machine control times then see the clock a sound card would give
    them, and the checker does not take a whole core of the machine it runs on.
*/
class SilentAudioDevice final : public juce::AudioIODevice,
                                private juce::Thread
{
public:
    static constexpr const char* typeName = "Silent";

    SilentAudioDevice (int numInputs, int numOutputs);
    ~SilentAudioDevice() override;

    juce::StringArray getOutputChannelNames() override;
    juce::StringArray getInputChannelNames() override;
    juce::Array<double> getAvailableSampleRates() override { return { 48000.0 }; }
    juce::Array<int> getAvailableBufferSizes() override { return { 256 }; }
    int getDefaultBufferSize() override { return 256; }
    juce::String open (const juce::BigInteger& inputChannels, const juce::BigInteger& outputChannels,
                       double sampleRate, int bufferSizeSamples) override;
    void close() override;
    bool isOpen() override { return opened; }
    void start (juce::AudioIODeviceCallback* callback) override;
    void stop() override;
    bool isPlaying() override { return callback.load() != nullptr; }
    juce::String getLastError() override { return {}; }
    int getCurrentBufferSizeSamples() override { return 256; }
    double getCurrentSampleRate() override { return 48000.0; }
    int getCurrentBitDepth() override { return 32; }
    juce::BigInteger getActiveOutputChannels() const override { return activeOutputs; }
    juce::BigInteger getActiveInputChannels() const override { return activeInputs; }
    int getOutputLatencyInSamples() override { return 0; }
    int getInputLatencyInSamples() override { return 0; }

    /** Blocks delivered since the device was created. Any thread. */
    std::int64_t getBlocksProcessed() const noexcept { return blocks.load(); }

    /** What the output samples held so far, taken between two blocks. Not for the device's
        own callback.
    */
    CheckVerdicts::OutputCounts getOutputCounts() const;

private:
    void run() override;

    const int numInputChannels, numOutputChannels;
    juce::BigInteger activeInputs, activeOutputs;
    bool opened = false;

    std::vector<std::vector<float>> inputs, outputs;
    std::vector<const float*> inputPointers;
    std::vector<float*> outputPointers;

    std::atomic<juce::AudioIODeviceCallback*> callback { nullptr };
    juce::CriticalSection callbackLock;
    std::atomic<std::int64_t> blocks { 0 };
    CheckVerdicts::OutputCounts counts;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SilentAudioDevice)
};
