#include "ThreeColorsLookAndFeel.h"

#include "FlatDrawingGeometry.h"
#include "ThreeColorsPalette.h"

ThreeColorsLookAndFeel::ThreeColorsLookAndFeel (juce::Colour text, juce::Colour accent, juce::Colour background)
    : textColour (text), accentColour (accent), backgroundColour (background)
{
    setUsingNativeAlertWindows (true);

    for (const auto& entry : ThreeColorsPalette::colourTable (text, accent, background))
        setColour (entry.colourId, entry.colour);
}

ThreeColorsLookAndFeel::~ThreeColorsLookAndFeel() = default;

void ThreeColorsLookAndFeel::drawButtonBackground (juce::Graphics& g, juce::Button& button,
                                                   const juce::Colour& buttonColour,
                                                   bool isMouseOverButton, bool isButtonDown)
{
    const auto width = button.getWidth();
    const auto height = button.getHeight();
    const auto face = FlatDrawingGeometry::buttonFace (width, height);
    const auto cornerSize = FlatDrawingGeometry::buttonCornerSize (width, height);

    juce::Path outline;
    outline.addRoundedRectangle (face.getX(), face.getY(), face.getWidth(), face.getHeight(),
                                 cornerSize, cornerSize);

    auto baseColour = buttonColour.withMultipliedSaturation (0.3f);

    // A button held down from the keyboard, with the mouse elsewhere, looks like one at rest.
    if (isMouseOverButton)
    {
        if (isButtonDown)
            baseColour = baseColour.brighter (0.4f);
        else if (baseColour.getBrightness() > 0.5f)
            baseColour = baseColour.darker (0.1f);
        else
            baseColour = baseColour.brighter (0.1f);
    }

    g.setColour (baseColour);
    g.fillPath (outline);

    g.setColour (baseColour.contrasting (1.0f).withAlpha (isMouseOverButton ? 0.6f : 0.4f));
    g.strokePath (outline, juce::PathStrokeType (isMouseOverButton ? 2.0f : 1.4f));
}

void ThreeColorsLookAndFeel::drawPopupMenuBackground (juce::Graphics& g, int, int)
{
    // This look's own colour, not the menu window's: a colour set on one menu does not count.
    g.fillAll (findColour (juce::PopupMenu::backgroundColourId));
}

void ThreeColorsLookAndFeel::drawComboBox (juce::Graphics& g, int width, int height, bool isButtonDown,
                                           int buttonX, int buttonY, int buttonW, int buttonH,
                                           juce::ComboBox& box)
{
    const auto enabled = box.isEnabled();

    g.fillAll (box.findColour (juce::ComboBox::backgroundColourId));

    if (enabled && box.hasKeyboardFocus (false))
    {
        g.setColour (box.findColour (juce::ComboBox::buttonColourId));
        g.drawRect (0, 0, width, height, 2);
    }
    else
    {
        g.setColour (box.findColour (juce::ComboBox::outlineColourId));
        g.drawRect (0, 0, width, height);
    }

    const auto thickness = FlatDrawingGeometry::comboButtonOutlineThickness (enabled, isButtonDown);

    g.setColour (box.findColour (juce::ComboBox::outlineColourId).withMultipliedAlpha (enabled ? 1.0f : 0.5f));
    g.drawRect ((float) buttonX + thickness, (float) buttonY + thickness,
                (float) buttonW - thickness * 2.0f, (float) buttonH - thickness * 2.0f,
                thickness);

    if (enabled)
    {
        g.setColour (box.findColour (juce::ComboBox::arrowColourId));
        g.fillPath (FlatDrawingGeometry::comboArrows (buttonX, buttonY, buttonW, buttonH));
    }
}

void ThreeColorsLookAndFeel::drawLevelMeter (juce::Graphics& g, int width, int height, float level)
{
    g.setColour (backgroundColour.darker (0.25f));
    g.fillRoundedRectangle (0.0f, 0.0f, (float) width, (float) height, 3.0f);

    g.setColour (textColour);
    g.drawRoundedRectangle (1.0f, 1.0f, (float) width - 2.0f, (float) height - 2.0f, 3.0f, 1.0f);

    const auto litBlocks = FlatDrawingGeometry::litLevelMeterBlocks (level);
    const auto cornerSize = FlatDrawingGeometry::levelMeterBlockCornerSize (width);

    for (int i = 0; i < FlatDrawingGeometry::levelMeterBlocks; ++i)
    {
        if (i >= litBlocks)
            g.setColour (accentColour.withAlpha (0.6f));
        else if (i < FlatDrawingGeometry::levelMeterBlocks - 1)
            g.setColour (accentColour);
        else
            g.setColour (juce::Colour (0xffff0000));

        g.fillRoundedRectangle (FlatDrawingGeometry::levelMeterBlock (width, height, i), cornerSize);
    }
}
