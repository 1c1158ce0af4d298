#include "SilentAudioDevice.h"

#include <chrono>
#include <thread>

namespace
{
    juce::StringArray channelNames (const char* prefix, int count)
    {
        juce::StringArray names;
        for (int i = 1; i <= count; ++i)
            names.add (prefix + juce::String (i));
        return names;
    }
}

SilentAudioDevice::SilentAudioDevice (int numInputs, int numOutputs)
    : juce::AudioIODevice ("Silent device", typeName),
      juce::Thread ("Silent device"),
      numInputChannels (numInputs),
      numOutputChannels (numOutputs)
{
}

SilentAudioDevice::~SilentAudioDevice()
{
    close();
}

juce::StringArray SilentAudioDevice::getOutputChannelNames()
{
    return channelNames ("Out ", numOutputChannels);
}
juce::StringArray SilentAudioDevice::getInputChannelNames()
{
    return channelNames ("In ", numInputChannels);
}

juce::String SilentAudioDevice::open (const juce::BigInteger& inputChannels, const juce::BigInteger& outputChannels,
                                      double, int)
{
    close();

    activeInputs = inputChannels;
    activeInputs.setRange (numInputChannels, juce::jmax (0, activeInputs.getHighestBit() + 1 - numInputChannels), false);
    activeOutputs = outputChannels;
    activeOutputs.setRange (numOutputChannels, juce::jmax (0, activeOutputs.getHighestBit() + 1 - numOutputChannels), false);

    const auto bufferSize = (size_t) getCurrentBufferSizeSamples();
    inputs.assign ((size_t) activeInputs.countNumberOfSetBits(), std::vector<float> (bufferSize, 0.0f));
    outputs.assign ((size_t) activeOutputs.countNumberOfSetBits(), std::vector<float> (bufferSize, 0.0f));

    inputPointers.clear();
    outputPointers.clear();
    for (auto& channel : inputs)
        inputPointers.push_back (channel.data());
    for (auto& channel : outputs)
        outputPointers.push_back (channel.data());

    opened = true;
    startThread (juce::Thread::Priority::highest);
    return {};
}

void SilentAudioDevice::close()
{
    stop();
    stopThread (2000);
    opened = false;
}

void SilentAudioDevice::start (juce::AudioIODeviceCallback* newCallback)
{
    if (newCallback == nullptr || ! opened)
        return;

    newCallback->audioDeviceAboutToStart (this);

    const juce::ScopedLock lock (callbackLock);
    callback = newCallback;
}

void SilentAudioDevice::stop()
{
    juce::AudioIODeviceCallback* previous = nullptr;

    {
        const juce::ScopedLock lock (callbackLock);
        previous = callback.exchange (nullptr);
    }

    if (previous != nullptr)
        previous->audioDeviceStopped();
}

CheckVerdicts::OutputCounts SilentAudioDevice::getOutputCounts() const
{
    const juce::ScopedLock lock (callbackLock);
    return counts;
}

void SilentAudioDevice::run()
{
    using Clock = std::chrono::steady_clock;
    const auto numSamples = getCurrentBufferSizeSamples();
    const auto period = std::chrono::duration_cast<Clock::duration> (
        std::chrono::duration<double> (numSamples / getCurrentSampleRate()));
    auto due = Clock::now();

    while (! threadShouldExit())
    {
        {
            // As a driver does: the callback is not swapped while it runs.
            const juce::ScopedLock lock (callbackLock);

            if (auto* current = callback.load())
            {
                for (auto& channel : inputs)
                    std::fill (channel.begin(), channel.end(), 0.0f);

                current->audioDeviceIOCallbackWithContext (inputPointers.data(), (int) inputPointers.size(),
                                                           outputPointers.data(), (int) outputPointers.size(),
                                                           numSamples, {});
                ++blocks;
                CheckVerdicts::countBlock (counts, outputPointers.data(), (int) outputPointers.size(), numSamples);
            }
        }

        // A plug-in slower than real time is not waited for: the blocks come back to back.
        due += period;
        std::this_thread::sleep_until (due);
    }
}
