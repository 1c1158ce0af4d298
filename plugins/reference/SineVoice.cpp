#include "SineVoice.h"

SineVoice::SineVoice()
{
    envelope.setParameters ({ 0.01f, 0.1f, 0.8f, 0.3f });
}

bool SineVoice::canPlaySound (juce::SynthesiserSound* sound)
{
    return dynamic_cast<SineSound*> (sound) != nullptr;
}

void SineVoice::startNote (int midiNoteNumber, float velocity, juce::SynthesiserSound*, int)
{
    phase = 0.0;
    phaseStep = juce::MathConstants<double>::twoPi
        * juce::MidiMessage::getMidiNoteInHertz (midiNoteNumber) / getSampleRate();
    level = 0.25f * velocity;

    envelope.setSampleRate (getSampleRate());
    envelope.noteOn();
}

void SineVoice::stopNote (float, bool allowTailOff)
{
    if (allowTailOff)
    {
        envelope.noteOff();
    }
    else
    {
        envelope.reset();
        clearCurrentNote();
    }
}

void SineVoice::renderNextBlock (juce::AudioBuffer<float>& output, int startSample, int numSamples)
{
    if (! isVoiceActive())
        return;

    for (int i = startSample; i < startSample + numSamples; ++i)
    {
        const auto sample = level * envelope.getNextSample() * (float) std::sin (phase);
        phase += phaseStep;

        for (int channel = 0; channel < output.getNumChannels(); ++channel)
            output.addSample (channel, i, sample);

        if (! envelope.isActive())
        {
            clearCurrentNote();
            break;
        }
    }
}
