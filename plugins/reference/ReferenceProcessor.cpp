#include "ReferenceProcessor.h"

#include "ReferenceEditor.h"
#include "SineVoice.h"

ReferenceProcessor::ReferenceProcessor()
    : AudioProcessor (BusesProperties().withOutput ("Output", juce::AudioChannelSet::stereo(), true))
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
            hostView.bpm = position->getBpm().orFallback (0.0);
            hostView.seconds = position->getTimeInSeconds().orFallback (0.0);
            hostView.playing = position->getIsPlaying();
            hostView.recording = position->getIsRecording();
        }
    }

    keyboardState.processNextMidiBuffer (midi, 0, buffer.getNumSamples(), true);
    buffer.clear();
    synth.renderNextBlock (buffer, midi, 0, buffer.getNumSamples());
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
