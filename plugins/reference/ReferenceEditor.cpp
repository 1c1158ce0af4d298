#include "ReferenceEditor.h"

namespace
{
    const juce::Colour background { 0xff22313f };
    const juce::Colour accent     { 0xff3fa7d6 };
    const juce::Colour text       { 0xfff2f2f2 };
}

ReferenceEditor::ReferenceEditor (ReferenceProcessor& owner)
    : AudioProcessorEditor (owner),
      reference (owner),
      keyboard (owner.keyboardState, juce::MidiKeyboardComponent::horizontalKeyboard)
{
    keyboard.setAvailableRange (48, 84);
    keyboard.setWantsKeyboardFocus (false);
    addAndMakeVisible (keyboard);

    setResizable (false, false);
    setSize (editorWidth, editorHeight);
    startTimerHz (15);
}

juce::String ReferenceEditor::describe (const ReferenceProcessor::HostView& view)
{
    if (view.sampleRate.load() <= 0.0)
        return "Not running: no audio device";

    return juce::String (juce::roundToInt (view.sampleRate.load())) + " Hz - "
         + juce::String (view.blockSize.load()) + " samples - "
         + juce::String (view.bpm.load(), 1) + " bpm 4/4 - "
         + (view.playing.load() ? "playing" : "stopped")
         + (view.recording.load() ? " - recording" : "")
         + " - " + juce::String (view.seconds.load(), 2) + " s";
}

void ReferenceEditor::timerCallback()
{
    const auto line = describe (reference.hostView);

    if (line != hostLine)
    {
        hostLine = line;
        repaint();
    }
}

void ReferenceEditor::resized()
{
    keyboard.setBounds (getLocalBounds().reduced (28).removeFromBottom (84));

    // Three octaves and a top C: 22 white keys across the whole width.
    keyboard.setKeyWidth ((float) keyboard.getWidth() / 22.0f);
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
                      "Play notes on an enabled MIDI input, or the keys below.",
                      area.removeFromTop (44), juce::Justification::topLeft, 2);

    g.setColour (accent);
    g.setFont (juce::Font (14.0f));
    area.removeFromBottom (84 + 10);
    g.drawText (hostLine, area.removeFromBottom (20),
                juce::Justification::bottomLeft);
}
