#pragma once

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_audio_utils/juce_audio_utils.h>

#include <atomic>

/** The reference editor plug-in: two audio outputs, a small sine synthesiser that sounds on
    MIDI notes and on its editor's keyboard, and an editor of a fixed size that shows what
    the host gives it: sample rate, block size and the play head.
*/
class ReferenceProcessor final : public juce::AudioProcessor
{
public:
    ReferenceProcessor();

    void prepareToPlay (double sampleRate, int maximumExpectedSamplesPerBlock) override;
    void releaseResources() override {}
    bool isBusesLayoutSupported (const BusesLayout& layouts) const override;
    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) override;

    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override { return true; }

    const juce::String getName() const override { return "Tolvane Reference"; }
    bool acceptsMidi() const override  { return true; }
    bool producesMidi() const override { return false; }
    double getTailLengthSeconds() const override { return 0.3; }

    int getNumPrograms() override    { return 1; }
    int getCurrentProgram() override { return 0; }
    void setCurrentProgram (int) override {}
    const juce::String getProgramName (int) override { return "Default"; }
    void changeProgramName (int, const juce::String&) override {}

    void getStateInformation (juce::MemoryBlock&) override {}
    void setStateInformation (const void*, int) override {}

    /** What the editor shows, written by the audio thread at each block. */
    struct HostView
    {
        std::atomic<double> sampleRate { 0.0 }, bpm { 0.0 }, seconds { 0.0 };
        std::atomic<int> blockSize { 0 };
        std::atomic<bool> playing { false }, recording { false };
    };

    HostView hostView;
    juce::MidiKeyboardState keyboardState;

private:
    juce::Synthesiser synth;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ReferenceProcessor)
};
