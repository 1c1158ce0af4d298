#pragma once

#include "MiniHostLink.h"

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_audio_utils/juce_audio_utils.h>

#include <atomic>

/** The reference editor plug-in: two audio outputs, a small sine synthesiser that sounds on
    MIDI notes and on its editor's keyboard, and an editor of a fixed size that shows what
    the host gives it (sample rate, block size and the play head) and, under a host that
    speaks the mini-host extension, opens the host's settings and sets its tempo.

    As a juce::VSTCallbackHandler it receives the capability queries and vendor-specific
    messages that the framework's VST 2.x wrapper does not answer itself; it hands them to
    its MiniHostLink.
*/
class ReferenceProcessor final : public juce::AudioProcessor,
                                 public juce::VSTCallbackHandler
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
    bool acceptsMidi() const override { return true; }
    bool producesMidi() const override { return false; }
    double getTailLengthSeconds() const override { return 0.3; }

    int getNumPrograms() override { return 1; }
    int getCurrentProgram() override { return 0; }
    void setCurrentProgram (int) override {}
    const juce::String getProgramName (int) override { return "Default"; }
    void changeProgramName (int, const juce::String&) override {}

    void getStateInformation (juce::MemoryBlock&) override {}
    void setStateInformation (const void*, int) override {}

    /** effCanDo texts that the framework's wrapper does not know: the mini-host extension's. */
    juce::pointer_sized_int handleVstPluginCanDo (juce::int32 index, juce::pointer_sized_int value,
                                                  void* ptr, float opt) override;

    /** effVendorSpecific messages that the framework's wrapper does not know: the
        mini-host extension's, on the host's message thread.
    */
    juce::pointer_sized_int handleVstManufacturerSpecific (juce::int32 index, juce::pointer_sized_int value,
                                                           void* ptr, float opt) override;

    /** What the editor shows: the device's format, written when playing is prepared, and
        what the play head reports, written by the audio thread at each block. Each field is
        atomic on its own; the editor may see fields of two neighbouring blocks together.
    */
    struct HostView
    {
        std::atomic<double> sampleRate { 0.0 };
        std::atomic<int> blockSize { 0 };

        std::atomic<bool> hasPosition { false };
        std::atomic<bool> playing { false }, recording { false };
        std::atomic<double> bpm { 0.0 }, seconds { 0.0 };
        std::atomic<int> timeSigNumerator { 4 }, timeSigDenominator { 4 };
        std::atomic<juce::int64> samples { 0 };
    };

    HostView hostView;
    juce::MidiKeyboardState keyboardState;

    /** The mini-host extension: set up by the host's messages, used by the editor. */
    MiniHostLink miniHost;

private:
    juce::Synthesiser synth;
    juce::MidiBuffer channelMessages; // a block's channel messages, sized when preparing

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ReferenceProcessor)
};
