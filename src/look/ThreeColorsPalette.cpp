#include "ThreeColorsPalette.h"

std::array<ThreeColorsPalette::Entry, ThreeColorsPalette::numEntries>
ThreeColorsPalette::colourTable (juce::Colour text, juce::Colour accent, juce::Colour background)
{
    return { {
        { juce::PopupMenu::backgroundColourId, background },
        { juce::PopupMenu::textColourId, text },
        { juce::PopupMenu::highlightedBackgroundColourId, background.brighter (0.1f) },
        { juce::PopupMenu::highlightedTextColourId, text.darker (0.1f) },
        { juce::Label::backgroundColourId, background },
        { juce::Label::textColourId, text.brighter (0.1f) },
        { juce::ComboBox::backgroundColourId, background.darker (0.25f) },
        { juce::ComboBox::textColourId, text },
        { juce::ComboBox::buttonColourId, background },
        { juce::ComboBox::arrowColourId, text },
        { juce::AlertWindow::backgroundColourId, background.brighter (0.1f) },
        { juce::AlertWindow::textColourId, text },
        { juce::AlertWindow::outlineColourId, background },
        { juce::ResizableWindow::backgroundColourId, background },
        { juce::ListBox::backgroundColourId, background },
        { juce::ListBox::outlineColourId, background.darker (0.1f) },
        { juce::ListBox::textColourId, text },
        // Text buttons swap accent and background between their off and on states.
        { juce::TextButton::buttonColourId, accent },
        { juce::TextButton::buttonOnColourId, background },
        { juce::TextButton::textColourOffId, background },
        { juce::TextButton::textColourOnId, accent },
        { juce::ScrollBar::backgroundColourId, background },
        { juce::ScrollBar::thumbColourId, text.darker (0.1f) },
        { juce::ScrollBar::trackColourId, background.brighter (0.1f) },
    } };
}
