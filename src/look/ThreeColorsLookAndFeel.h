#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** A flat look built from three colours: text, accent and background.

    Fills the base's colour table from the three colours (see ThreeColorsPalette), shows alerts
    as native message boxes, and draws buttons, popup menu backgrounds, combo boxes and level
    meters flat instead of with the base's glass lozenges and line patterns. Immutable after
    construction; message thread only. Whoever installs it as the default look and feel owns
    it; the framework only keeps a weak reference.
*/
class ThreeColorsLookAndFeel final : public juce::LookAndFeel_V2
{
public:
    /** The colours are used as given; callers that want them opaque pass them opaque. */
    ThreeColorsLookAndFeel (juce::Colour textColour, juce::Colour accentColour, juce::Colour backgroundColour);
    ~ThreeColorsLookAndFeel() override;

    /** A flat rounded face with a black or white outline, whichever contrasts with it. */
    void drawButtonBackground (juce::Graphics&, juce::Button&, const juce::Colour& buttonColour,
                               bool isMouseOverButton, bool isButtonDown) override;

    /** One flat fill in this look's own menu background colour. Popup menus reach it through
        the base's drawPopupMenuBackgroundWithOptions.
    */
    void drawPopupMenuBackground (juce::Graphics&, int width, int height) override;

    /** A flat box with a frame (thicker when it has the focus), an outlined button area and,
        when enabled, two arrows.
    */
    void drawComboBox (juce::Graphics&, int width, int height, bool isButtonDown,
                       int buttonX, int buttonY, int buttonW, int buttonH, juce::ComboBox&) override;

    /** Seven rounded blocks on a rounded panel; the seventh block lights red. */
    void drawLevelMeter (juce::Graphics&, int width, int height, float level) override;

private:
    const juce::Colour textColour;
    const juce::Colour accentColour;
    const juce::Colour backgroundColour;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ThreeColorsLookAndFeel)
};
