#pragma once

#include <juce_graphics/juce_graphics.h>

/** Where everything sits in the reference editor, which has a fixed size: a header with
    the plug-in's name, two panels side by side (what the play head reports; what the host
    offers), and a keyboard along the bottom. The tests use it to find the controls.
*/
struct ReferenceLayout
{
    static constexpr int width = 640, height = 420;
    static constexpr int margin = 24, gap = 16, panelPadding = 12, headingHeight = 22;
    static constexpr int keyboardHeight = 84;
    static constexpr int tempoLabelWidth = 56, tempoTextBoxWidth = 76;

    static juce::Rectangle<int> content() { return { margin, margin, width - 2 * margin, height - 2 * margin }; }
    static juce::Rectangle<int> header() { return content().withHeight (98); }
    static juce::Rectangle<int> keyboard() { return content().removeFromBottom (keyboardHeight); }

    static juce::Rectangle<int> panels()
    {
        return content().withTop (header().getBottom() + gap).withBottom (keyboard().getY() - gap);
    }

    static juce::Rectangle<int> playHeadPanel()
    {
        auto area = panels();
        return area.removeFromLeft ((area.getWidth() - gap) / 2);
    }
    static juce::Rectangle<int> hostPanel()
    {
        auto area = panels();
        return area.removeFromRight ((area.getWidth() - gap) / 2);
    }

    /** A panel's inside, below its heading. */
    static juce::Rectangle<int> panelBody (juce::Rectangle<int> panel)
    {
        return panel.reduced (panelPadding).withTrimmedTop (headingHeight);
    }

    static juce::Rectangle<int> settingsButton() { return panelBody (hostPanel()).removeFromTop (30); }

    static juce::Rectangle<int> tempoRow()
    {
        return panelBody (hostPanel()).withTrimmedTop (30 + 14).withHeight (28);
    }

    static juce::Rectangle<int> tempoHint()
    {
        return panelBody (hostPanel()).withTop (tempoRow().getBottom() + 6);
    }

    static juce::Rectangle<int> tempoLabel() { return tempoRow().withWidth (tempoLabelWidth); }
    static juce::Rectangle<int> tempoSlider() { return tempoRow().withTrimmedLeft (tempoLabelWidth); }
};
