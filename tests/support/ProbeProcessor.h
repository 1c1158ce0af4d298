#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <array>
#include <atomic>

/** A stand-in plug-in with fixed numbers of inputs and outputs, which accepts fewer channels
    but never more (as the VST 2.x hosting does). Each block it fills output channel c with
    the value c + 1 (or passes its inputs through, when asked), and keeps what it saw: the
    play head's position, the block length, the MIDI it received. No allocation while
    processing.
*/
class ProbeProcessor final : public juce::AudioProcessor
{
public:
    ProbeProcessor (int numInputs, int numOutputs)
        : juce::AudioProcessor (makeBuses (numInputs, numOutputs)),
          declaredInputs (numInputs), declaredOutputs (numOutputs)
    {
    }

    bool isBusesLayoutSupported (const BusesLayout& layout) const override
    {
        return layout.getMainInputChannels() <= declaredInputs
            && layout.getMainOutputChannels() <= declaredOutputs;
    }

    void prepareToPlay (double, int newBlockSize) override
    {
        preparedBlockSize = newBlockSize;
        ++preparations;
    }
    void releaseResources() override {}

    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) override
    {
        ++blocks;
        lastBlockLength = buffer.getNumSamples();
        lastBufferChannels = buffer.getNumChannels();

        if (auto* head = getPlayHead(); head != nullptr && queryPlayHead)
            lastPosition = head->getPosition();

        for (const auto event : midi)
        {
            if (midiSeen < midiLog.size())
                midiLog[midiSeen] = { event.numBytes, event.data[0],
                                      event.numBytes > 4 ? event.data[4] : std::uint8_t {}, blocks,
                                      lastPosition.hasValue() && lastPosition->getIsPlaying() };
            ++midiSeen;
        }

        if (! passInputsThrough)
            for (int c = 0; c < buffer.getNumChannels(); ++c)
                juce::FloatVectorOperations::fill (buffer.getWritePointer (c), (float) (c + 1),
                                                   buffer.getNumSamples());
    }

    const juce::String getName() const override { return "Probe"; }
    double getTailLengthSeconds() const override { return 0.0; }
    bool acceptsMidi() const override { return true; }
    bool producesMidi() const override { return false; }
    juce::AudioProcessorEditor* createEditor() override { return nullptr; }
    bool hasEditor() const override { return false; }
    int getNumPrograms() override { return 1; }
    int getCurrentProgram() override { return 0; }
    void setCurrentProgram (int) override {}
    const juce::String getProgramName (int) override { return {}; }
    void changeProgramName (int, const juce::String&) override {}
    void getStateInformation (juce::MemoryBlock&) override {}
    void setStateInformation (const void*, int) override {}

    struct MidiSeen
    {
        int size = 0;
        std::uint8_t status = 0, fifthByte = 0;
        int block = 0;
        bool playingDuringBlock = false;
    };

    bool passInputsThrough = false, queryPlayHead = true;
    int preparedBlockSize = 0, preparations = 0;
    int blocks = 0, lastBlockLength = 0, lastBufferChannels = 0;
    juce::Optional<juce::AudioPlayHead::PositionInfo> lastPosition;
    std::array<MidiSeen, 64> midiLog {};
    size_t midiSeen = 0;

private:
    static BusesProperties makeBuses (int numInputs, int numOutputs)
    {
        BusesProperties buses;

        if (numInputs > 0)
            buses = buses.withInput ("In", juce::AudioChannelSet::discreteChannels (numInputs));

        if (numOutputs > 0)
            buses = buses.withOutput ("Out", juce::AudioChannelSet::discreteChannels (numOutputs));

        return buses;
    }

    const int declaredInputs, declaredOutputs;
};
