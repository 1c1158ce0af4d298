#pragma once

#include "ReferenceProcessor.h"

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_audio_utils/juce_audio_utils.h>

/** The reference plug-in's editor: a fixed-size panel with the plug-in's name, a short
    text, a line showing what the host gives the plug-in, and a keyboard to play it with.
    The host makes it the content of its main window.
*/
class ReferenceEditor final : public juce::AudioProcessorEditor,
                              private juce::Timer
{
public:
    explicit ReferenceEditor (ReferenceProcessor& owner);

    static constexpr int editorWidth = 560, editorHeight = 340;

    void paint (juce::Graphics& g) override;
    void resized() override;

    /** The host line, e.g. "48000 Hz - 256 samples - 120.0 bpm 4/4 - stopped - 0.00 s". */
    static juce::String describe (const ReferenceProcessor::HostView& view);

private:
    void timerCallback() override;

    ReferenceProcessor& reference;
    juce::MidiKeyboardComponent keyboard;
    juce::String hostLine;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ReferenceEditor)
};
