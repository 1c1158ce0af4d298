#include "ReferenceEditor.h"

namespace
{
    const juce::Colour background { 0xff22313f };
    const juce::Colour accent     { 0xff3fa7d6 };
    const juce::Colour text       { 0xfff2f2f2 };
}

ReferenceEditor::ReferenceEditor (juce::AudioProcessor& owner)
    : AudioProcessorEditor (owner)
{
    setResizable (false, false);
    setSize (editorWidth, editorHeight);
}

void ReferenceEditor::paint (juce::Graphics& g)
{
    g.fillAll (background);

    auto area = getLocalBounds().reduced (28);

    g.setColour (accent);
    g.fillRect (area.removeFromTop (6).withWidth (96));
    area.removeFromTop (14);

    g.setColour (text);
    g.setFont (juce::Font (30.0f, juce::Font::bold));
    g.drawText (processor.getName(), area.removeFromTop (40), juce::Justification::centredLeft);

    g.setColour (text.withAlpha (0.8f));
    g.setFont (juce::Font (16.0f));
    area.removeFromTop (12);
    g.drawFittedText ("The reference editor plug-in of the Tolvane Editor host.\n"
                      "Play MIDI notes on an enabled input to hear its sine voice.",
                      area.removeFromTop (60), juce::Justification::topLeft, 3);

    g.setColour (accent);
    g.setFont (juce::Font (14.0f));
    g.drawText ("Outputs: 2    Inputs: 0    MIDI in: yes",
                area.removeFromBottom (24), juce::Justification::bottomLeft);
}
