#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

/** The sound that every voice of the reference plug-in plays: any note, any channel. */
struct SineSound final : public juce::SynthesiserSound
{
    bool appliesToNote (int) override { return true; }
    bool appliesToChannel (int) override { return true; }
};

/** A sine oscillator with a short attack and release, its level following the velocity. */
class SineVoice final : public juce::SynthesiserVoice
{
public:
    SineVoice();

    bool canPlaySound (juce::SynthesiserSound* sound) override;
    void startNote (int midiNoteNumber, float velocity, juce::SynthesiserSound*, int pitchWheelPosition) override;
    void stopNote (float velocity, bool allowTailOff) override;
    void pitchWheelMoved (int) override {}
    void controllerMoved (int, int) override {}
    void renderNextBlock (juce::AudioBuffer<float>& output, int startSample, int numSamples) override;

private:
    juce::ADSR envelope;
    double phase = 0.0, phaseStep = 0.0;
    float level = 0.0f;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SineVoice)
};
