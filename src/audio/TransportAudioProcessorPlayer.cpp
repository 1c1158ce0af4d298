#include "TransportAudioProcessorPlayer.h"

#include "ChannelFold.h"

namespace
{
    /** The device as the framework's player must see it when the plug-in processes into the
        work buffer: the device's rate, buffer size and inputs, but as many outputs as the work
        buffer has channels. The framework's player lays its processing channels out from the
        device's active outputs; shown the real device it would address device outputs that
        the work buffer does not have.
    */
    class WorkBufferDeviceView final : public juce::AudioIODevice
    {
    public:
        WorkBufferDeviceView (juce::AudioIODevice& deviceToShow, int numWorkChannels)
            : juce::AudioIODevice (deviceToShow.getName(), deviceToShow.getTypeName()),
              device (deviceToShow)
        {
            outputs.setRange (0, numWorkChannels, true);
        }

        juce::StringArray getOutputChannelNames() override { return device.getOutputChannelNames(); }
        juce::StringArray getInputChannelNames() override { return device.getInputChannelNames(); }
        juce::Array<double> getAvailableSampleRates() override { return device.getAvailableSampleRates(); }
        juce::Array<int> getAvailableBufferSizes() override { return device.getAvailableBufferSizes(); }
        int getDefaultBufferSize() override { return device.getDefaultBufferSize(); }
        juce::String open (const juce::BigInteger&, const juce::BigInteger&, double, int) override { return {}; }
        void close() override {}
        bool isOpen() override { return device.isOpen(); }
        void start (juce::AudioIODeviceCallback*) override {}
        void stop() override {}
        bool isPlaying() override { return device.isPlaying(); }
        juce::String getLastError() override { return device.getLastError(); }
        int getCurrentBufferSizeSamples() override { return device.getCurrentBufferSizeSamples(); }
        double getCurrentSampleRate() override { return device.getCurrentSampleRate(); }
        int getCurrentBitDepth() override { return device.getCurrentBitDepth(); }
        juce::BigInteger getActiveOutputChannels() const override { return outputs; }
        juce::BigInteger getActiveInputChannels() const override { return device.getActiveInputChannels(); }
        int getOutputLatencyInSamples() override { return device.getOutputLatencyInSamples(); }
        int getInputLatencyInSamples() override { return device.getInputLatencyInSamples(); }

    private:
        juce::AudioIODevice& device;
        juce::BigInteger outputs;
    };

    double sampleRateOf (const juce::AudioProcessor* processor)
    {
        return processor != nullptr ? processor->getSampleRate() : 0.0;
    }
}

//==============================================================================
TransportAudioProcessorPlayer::TransportAudioProcessorPlayer()
{
    // The framework's collector queues MIDI on the MIDI thread in a buffer that grows when a
    // burst outdoes every earlier one; room for one here (a large system-exclusive dump)
    // keeps that thread off the heap.
    getMidiMessageCollector().ensureStorageAllocated (midiQueueBytes);
}

TransportAudioProcessorPlayer::~TransportAudioProcessorPlayer()
{
    setProcessor (nullptr);
}

void TransportAudioProcessorPlayer::setProcessor (juce::AudioProcessor* processorToPlay)
{
    juce::AudioProcessorPlayer::setProcessor (processorToPlay);
    transportSampleRate = sampleRateOf (getCurrentProcessor());
}

void TransportAudioProcessorPlayer::audioDeviceAboutToStart (juce::AudioIODevice* device)
{
    // Preparing for the new start releases the plug-in first, if the last stop did not.
    deferredRelease.pending = false;

    WorkBufferDeviceView view (*device, workBuffer.getNumChannels());
    juce::AudioProcessorPlayer::audioDeviceAboutToStart (&view);

    workBuffer.setSize (workBuffer.getNumChannels(), device->getCurrentBufferSizeSamples(),
                        false, false, false);
    channelTargets.resize ((size_t) workBuffer.getNumChannels());

    transportSampleRate = sampleRateOf (getCurrentProcessor());
}

void TransportAudioProcessorPlayer::audioDeviceStopped()
{
    if (juce::MessageManager::existsAndIsCurrentThread())
    {
        deferredRelease.pending = false;
        juce::AudioProcessorPlayer::audioDeviceStopped();
        return;
    }

    deferredRelease.pending = true;
    deferredRelease.triggerAsyncUpdate();
}

void TransportAudioProcessorPlayer::DeferredRelease::handleAsyncUpdate()
{
    if (pending.exchange (false))
        player.juce::AudioProcessorPlayer::audioDeviceStopped();
}

void TransportAudioProcessorPlayer::audioDeviceIOCallbackWithContext (const float* const* inputChannelData,
                                                                      int numInputChannels,
                                                                      float* const* outputChannelData,
                                                                      int numOutputChannels,
                                                                      int numSamples,
                                                                      const juce::AudioIODeviceCallbackContext& context)
{
    blocksDelivered.fetch_add (1, std::memory_order_relaxed);

    const auto pieceLength = workBuffer.getNumSamples();

    if (pieceLength <= 0)
    {
        // Nothing can be processed into an empty buffer; the device gets silence.
        ChannelFold::foldSurplus (nullptr, 0, outputChannelData, numOutputChannels, 0, numSamples);
        return;
    }

    if (numSamples <= pieceLength)
    {
        processPiece (inputChannelData, numInputChannels, outputChannelData, numOutputChannels,
                      0, numSamples, context);
        return;
    }

    // A driver may deliver a longer block than the buffer size it started with. The work
    // buffer (and the plug-in, prepared for that size) only take that much at a time.
    numInputChannels = juce::jmin (numInputChannels, maxDeviceChannels);

    for (int offset = 0; offset < numSamples; offset += pieceLength)
    {
        for (int i = 0; i < numInputChannels; ++i)
            pieceInputs[(size_t) i] = inputChannelData[i] + offset;

        processPiece (pieceInputs.data(), numInputChannels, outputChannelData, numOutputChannels,
                      offset, juce::jmin (pieceLength, numSamples - offset), context);
    }
}

void TransportAudioProcessorPlayer::processPiece (const float* const* inputChannelData,
                                                  int numInputChannels,
                                                  float* const* outputChannelData,
                                                  int numOutputChannels,
                                                  int offset, int numSamples,
                                                  const juce::AudioIODeviceCallbackContext& context)
{
    const auto numChannels = juce::jmin (workBuffer.getNumChannels(), (int) channelTargets.size());

    ChannelFold::chooseTargets (workBuffer.getArrayOfWritePointers(), numChannels,
                                outputChannelData, numOutputChannels, offset, channelTargets.data());

    juce::AudioProcessorPlayer::audioDeviceIOCallbackWithContext (inputChannelData, numInputChannels,
                                                                  channelTargets.data(), numChannels,
                                                                  numSamples, context);

    ChannelFold::foldSurplus (workBuffer.getArrayOfReadPointers(), numChannels,
                              outputChannelData, numOutputChannels, offset, numSamples);

    // After processing: during processBlock the plug-in saw the position of the first sample.
    positionRecord.advance (numSamples, transportSampleRate.load (std::memory_order_relaxed));
}

void TransportAudioProcessorPlayer::handleIncomingMidiMessage (juce::MidiInput* source,
                                                               const juce::MidiMessage& message)
{
    // The length first: the framework's test reads the fourth byte before it checks the size.
    if (message.getRawDataSize() > 5 && message.isMidiMachineControlMessage())
    {
        const auto command = static_cast<int> (message.getMidiMachineControlCommand());
        const auto rate = transportSampleRate.load (std::memory_order_relaxed);

        positionRecord.update ([&] (TransportState state)
                               {
                                   return Transport::applyMachineControl (state, command, rate);
                               });
    }

    juce::AudioProcessorPlayer::handleIncomingMidiMessage (source, message);
}

juce::Optional<juce::AudioPlayHead::PositionInfo> TransportAudioProcessorPlayer::getPosition() const
{
    const auto state = positionRecord.read();

    PositionInfo info;
    info.setBpm (state.bpm);
    info.setTimeSignature (TimeSignature { 4, 4 });
    info.setTimeInSamples (state.timeInSamples);
    info.setTimeInSeconds (state.timeInSeconds);
    info.setEditOriginTime (0.0);
    info.setPpqPosition (0.0);
    info.setPpqPositionOfLastBarStart (0.0);
    info.setFrameRate (FrameRate (fps24));
    info.setIsPlaying (state.isPlaying);
    info.setIsRecording (state.isRecording);
    info.setLoopPoints (LoopPoints { 0.0, 0.0 });
    info.setIsLooping (false);
    return info;
}

void TransportAudioProcessorPlayer::setTempo (double beatsPerMinute) noexcept
{
    positionRecord.setTempo (beatsPerMinute);
}
