#include "ReferenceProcessor.h"

#include "ReferenceEditor.h"
#include "ReferencePalette.h"
#include "SineVoice.h"

namespace
{
    /** What the plug-in tells a host that speaks the mini-host extension. */
    MiniHostLink::Answers miniHostAnswers()
    {
        MiniHostLink::Answers answers {};

        // The flag's meaning is the plug-in's own. Here it says whether the editor wants the
        // computer keyboard: it does not (its keyboard is played with the mouse, and notes come
        // from MIDI inputs), so it answers 0.
        answers.keyboardFlag = 0;

        // The editor never changes its size, so the host's window needs no maximise button.
        answers.sizeMode = TOLVANE_MINIHOST_SIZE_FIXED;

        answers.textColour = ReferencePalette::text;
        answers.accentColour = ReferencePalette::accent;
        answers.backgroundColour = ReferencePalette::background;
        return answers;
    }
}

ReferenceProcessor::ReferenceProcessor()
    : AudioProcessor (BusesProperties().withOutput ("Output", juce::AudioChannelSet::stereo(), true)),
      miniHost (miniHostAnswers())
{
    for (int i = 0; i < 8; ++i)
        synth.addVoice (new SineVoice());

    synth.addSound (new SineSound());
}

void ReferenceProcessor::prepareToPlay (double sampleRate, int maximumExpectedSamplesPerBlock)
{
    synth.setCurrentPlaybackSampleRate (sampleRate);
    keyboardState.reset();
    hostView.sampleRate = sampleRate;
    hostView.blockSize = maximumExpectedSamplesPerBlock;
    channelMessages.ensureSize (4096);
}

bool ReferenceProcessor::isBusesLayoutSupported (const BusesLayout& layouts) const
{
    return layouts.getMainInputChannelSet().isDisabled()
        && layouts.getMainOutputChannelSet() == juce::AudioChannelSet::stereo();
}

void ReferenceProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi)
{
    juce::ScopedNoDenormals noDenormals;

    if (auto* head = getPlayHead())
    {
        if (const auto position = head->getPosition())
        {
            const auto signature = position->getTimeSignature().orFallback (juce::AudioPlayHead::TimeSignature {});

            hostView.playing = position->getIsPlaying();
            hostView.recording = position->getIsRecording();
            hostView.bpm = position->getBpm().orFallback (0.0);
            hostView.timeSigNumerator = signature.numerator;
            hostView.timeSigDenominator = signature.denominator;
            hostView.samples = position->getTimeInSamples().orFallback (0);
            hostView.seconds = position->getTimeInSeconds().orFallback (0.0);
            hostView.hasPosition = true;
        }
    }

    // The keyboard and the synthesiser copy every event into a MidiMessage, which takes the
    // heap for more than eight bytes. They only play channel messages, so system-exclusive ones
    // (machine control, dumps) stay out of what they see.
    channelMessages.clear();

    for (const auto event : midi)
        if (event.numBytes <= 3)
            channelMessages.addEvent (event.data, event.numBytes, event.samplePosition);

    keyboardState.processNextMidiBuffer (channelMessages, 0, buffer.getNumSamples(), true);
    buffer.clear();
    synth.renderNextBlock (buffer, channelMessages, 0, buffer.getNumSamples());
}

juce::pointer_sized_int ReferenceProcessor::handleVstPluginCanDo (juce::int32, juce::pointer_sized_int,
                                                                  void* ptr, float)
{
    return MiniHostLink::answerCanDo (static_cast<const char*> (ptr));
}

juce::pointer_sized_int ReferenceProcessor::handleVstManufacturerSpecific (juce::int32 index, juce::pointer_sized_int value,
                                                                           void* ptr, float)
{
    return miniHost.answerVendorSpecific (index, value, ptr);
}

juce::AudioProcessorEditor* ReferenceProcessor::createEditor()
{
    return new ReferenceEditor (*this);
}

// The entry point the framework's plug-in wrappers call.
juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new ReferenceProcessor();
}
