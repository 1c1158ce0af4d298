#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

/** The reference plug-in's editor: a fixed-size panel with the plug-in's name and a short
    text. The host makes it the content of its main window.
*/
class ReferenceEditor final : public juce::AudioProcessorEditor
{
public:
    explicit ReferenceEditor (juce::AudioProcessor& owner);

    static constexpr int editorWidth = 560, editorHeight = 340;

    void paint (juce::Graphics& g) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ReferenceEditor)
};
