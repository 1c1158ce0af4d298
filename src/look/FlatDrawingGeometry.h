#pragma once

#include <juce_graphics/juce_graphics.h>

/** Sizes and positions of the three-colour look's flat drawings, separated from the drawing
    so that they can be checked without a graphics context. All products are formed in single
    precision; every rounding is to the nearest integer with ties to the even one.
*/
namespace FlatDrawingGeometry
{
    /** Corner size of a button's rounded face: the smaller of 0.4 × height and 0.4 × width,
        each rounded to an integer.
    */
    float buttonCornerSize (int width, int height);

    /** The button's face: (2, 2) to 2 pixels inside the right and bottom edges. */
    juce::Rectangle<float> buttonFace (int width, int height);

    /** Number of the level meter's blocks lit for a level: 7 × level rounded (3.5 lights
        four, 2.5 two), limited to 0 to 7, so every level above 1 lights all seven and every
        negative level none.
    */
    int litLevelMeterBlocks (float level);

    /** Number of blocks of the level meter. */
    constexpr int levelMeterBlocks = 7;

    /** Block i (0 to 6, left to right) of a level meter of the given size. */
    juce::Rectangle<float> levelMeterBlock (int width, int height, int index);

    /** Corner size of each block of a level meter of the given width. */
    float levelMeterBlockCornerSize (int width);

    /** Line thickness of the combo box's button frame. */
    float comboButtonOutlineThickness (bool enabled, bool buttonDown);

    /** The up and down arrows in the combo box's button area, as one path of two triangles. */
    juce::Path comboArrows (int buttonX, int buttonY, int buttonW, int buttonH);
}
