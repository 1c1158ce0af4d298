#include "FlatDrawingGeometry.h"

float FlatDrawingGeometry::buttonCornerSize (int width, int height)
{
    return (float) juce::jmin (juce::roundToInt (0.4f * (float) height),
                               juce::roundToInt (0.4f * (float) width));
}

juce::Rectangle<float> FlatDrawingGeometry::buttonFace (int width, int height)
{
    return { 2.0f, 2.0f, (float) width - 4.0f, (float) height - 4.0f };
}

int FlatDrawingGeometry::litLevelMeterBlocks (float level)
{
    // roundToInt rounds halves to even: a level of 0.5 (3.5 blocks) lights four.
    return juce::jlimit (0, levelMeterBlocks, juce::roundToInt ((float) levelMeterBlocks * level));
}

juce::Rectangle<float> FlatDrawingGeometry::levelMeterBlock (int width, int height, int index)
{
    const auto pitch = ((float) width - 6.0f) / (float) levelMeterBlocks;

    return { 3.0f + (float) index * pitch + pitch * 0.1f,
             3.0f,
             pitch * 0.8f,
             (float) height - 6.0f };
}

float FlatDrawingGeometry::levelMeterBlockCornerSize (int width)
{
    return ((float) width - 6.0f) / (float) levelMeterBlocks * 0.4f;
}

float FlatDrawingGeometry::comboButtonOutlineThickness (bool enabled, bool buttonDown)
{
    if (! enabled)
        return 0.3f;

    return buttonDown ? 1.2f : 0.5f;
}

juce::Path FlatDrawingGeometry::comboArrows (int buttonX, int buttonY, int buttonW, int buttonH)
{
    const auto x = (float) buttonX;
    const auto y = (float) buttonY;
    const auto w = (float) buttonW;
    const auto h = (float) buttonH;

    const float arrowX = 0.3f;
    const float arrowH = 0.2f;

    juce::Path arrows;
    arrows.addTriangle (x + w * 0.5f, y + h * (0.45f - arrowH),
                        x + w * (1.0f - arrowX), y + h * 0.45f,
                        x + w * arrowX, y + h * 0.45f);

    arrows.addTriangle (x + w * 0.5f, y + h * (0.55f + arrowH),
                        x + w * (1.0f - arrowX), y + h * 0.55f,
                        x + w * arrowX, y + h * 0.55f);
    return arrows;
}
