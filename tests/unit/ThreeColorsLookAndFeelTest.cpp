#include "look/FlatDrawingGeometry.h"
#include "look/ThreeColorsLookAndFeel.h"
#include "look/ThreeColorsPalette.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <set>

// Everything here draws into images; no display is needed.

namespace
{
    const juce::Colour text { 0xffffffff };
    const juce::Colour accent { 0xff2080c0 };
    const juce::Colour background { 0xff303030 };

    juce::Image render (int width, int height, const std::function<void (juce::Graphics&)>& draw)
    {
        juce::Image image (juce::Image::ARGB, width, height, true);
        juce::Graphics g (image);
        draw (g);
        return image;
    }

    int channelDistance (juce::Colour a, juce::Colour b)
    {
        return juce::jmax (std::abs (a.getAlpha() - b.getAlpha()), std::abs (a.getRed() - b.getRed()),
                           std::abs (a.getGreen() - b.getGreen()), std::abs (a.getBlue() - b.getBlue()));
    }

    /** Pixels of two images of the same size that differ by more than the tolerance. */
    int differingPixels (const juce::Image& a, const juce::Image& b, int tolerance = 0)
    {
        int count = 0;
        for (int y = 0; y < a.getHeight(); ++y)
            for (int x = 0; x < a.getWidth(); ++x)
                if (channelDistance (a.getPixelAt (x, y), b.getPixelAt (x, y)) > tolerance)
                    ++count;
        return count;
    }

    ::testing::AssertionResult pixelNear (const juce::Image& image, int x, int y, juce::Colour expected, int tolerance = 0)
    {
        const auto actual = image.getPixelAt (x, y);
        if (channelDistance (actual, expected) <= tolerance)
            return ::testing::AssertionSuccess();

        return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is "
                                             << actual.toDisplayString (true) << ", expected "
                                             << expected.toDisplayString (true);
    }

    class ThreeColorsLookAndFeelTest : public ::testing::Test
    {
    protected:
        ThreeColorsLookAndFeel look { text, accent, background };
    };
}

//==============================================================================
TEST_F (ThreeColorsLookAndFeelTest, ColourTableDerivesFromTheThreeColours)
{
    EXPECT_EQ (look.findColour (juce::PopupMenu::backgroundColourId), background);
    EXPECT_EQ (look.findColour (juce::PopupMenu::highlightedBackgroundColourId), juce::Colour (0xff424242));
    EXPECT_EQ (look.findColour (juce::AlertWindow::backgroundColourId), juce::Colour (0xff424242));
    EXPECT_EQ (look.findColour (juce::ScrollBar::trackColourId), juce::Colour (0xff424242));
    EXPECT_EQ (look.findColour (juce::ComboBox::backgroundColourId), juce::Colour (0xff262626));
    EXPECT_EQ (look.findColour (juce::ListBox::outlineColourId), juce::Colour (0xff2b2b2b));
    EXPECT_EQ (look.findColour (juce::Label::textColourId), juce::Colour (0xffffffff));
    EXPECT_EQ (look.findColour (juce::PopupMenu::highlightedTextColourId), juce::Colour (0xffe7e7e7));
    EXPECT_EQ (look.findColour (juce::ScrollBar::thumbColourId), juce::Colour (0xffe7e7e7));
    EXPECT_EQ (look.findColour (juce::TextButton::buttonColourId), accent);
    EXPECT_EQ (look.findColour (juce::TextButton::buttonOnColourId), background);
    EXPECT_EQ (look.findColour (juce::TextButton::textColourOffId), background);
    EXPECT_EQ (look.findColour (juce::TextButton::textColourOnId), accent);
    EXPECT_EQ (look.findColour (juce::ResizableWindow::backgroundColourId), background);
    EXPECT_EQ (look.findColour (juce::ComboBox::arrowColourId), text);

    // Ids outside the table keep the base's standard colours.
    juce::LookAndFeel_V2 base;
    for (auto id : { (int) juce::ComboBox::outlineColourId, (int) juce::TextEditor::backgroundColourId,
                     (int) juce::Slider::thumbColourId, (int) juce::ToggleButton::textColourId })
        EXPECT_EQ (look.findColour (id), base.findColour (id)) << std::hex << id;

#if JUCE_LINUX || JUCE_BSD
    EXPECT_FALSE (look.isUsingNativeAlertWindows()); // the framework has none on Linux
#else
    EXPECT_TRUE (look.isUsingNativeAlertWindows());
#endif
}

TEST (ThreeColorsPaletteTest, SetsTwentyFourDistinctIdsAndKeepsTheColoursAlpha)
{
    const auto table = ThreeColorsPalette::colourTable (juce::Colour (0x80ffffff), accent, juce::Colour (0x40303030));

    std::set<int> ids;
    for (const auto& entry : table)
        ids.insert (entry.colourId);
    EXPECT_EQ (ids.size(), 24u);

    EXPECT_EQ (table[0].colourId, juce::PopupMenu::backgroundColourId);
    EXPECT_EQ (table[0].colour, juce::Colour (0x40303030));
    EXPECT_EQ (table[1].colour, juce::Colour (0x80ffffff));
    EXPECT_EQ (table[23].colourId, juce::ScrollBar::trackColourId);
    EXPECT_EQ (table[23].colour.getAlpha(), 0x40);
}

//==============================================================================
TEST (FlatDrawingGeometryTest, ButtonCornerIsFourTenthsOfTheShorterSideRounded)
{
    EXPECT_EQ (FlatDrawingGeometry::buttonCornerSize (100, 25), 10.0f);
    EXPECT_EQ (FlatDrawingGeometry::buttonCornerSize (25, 100), 10.0f);
    EXPECT_EQ (FlatDrawingGeometry::buttonCornerSize (100, 22), 9.0f); // 8.8
    EXPECT_EQ (FlatDrawingGeometry::buttonCornerSize (100, 21), 8.0f); // 8.4
    EXPECT_EQ (FlatDrawingGeometry::buttonFace (100, 25), juce::Rectangle<float> (2.0f, 2.0f, 96.0f, 21.0f));
}

TEST (FlatDrawingGeometryTest, LitBlocksRoundHalvesToEvenAndStayWithinTheMeter)
{
    EXPECT_EQ (FlatDrawingGeometry::litLevelMeterBlocks (0.0f), 0);
    EXPECT_EQ (FlatDrawingGeometry::litLevelMeterBlocks (0.5f), 4);        // 3.5
    EXPECT_EQ (FlatDrawingGeometry::litLevelMeterBlocks (2.5f / 7.0f), 2); // 2.5
    EXPECT_EQ (FlatDrawingGeometry::litLevelMeterBlocks (0.5f / 7.0f), 0); // 0.5
    EXPECT_EQ (FlatDrawingGeometry::litLevelMeterBlocks (1.0f), 7);
    EXPECT_EQ (FlatDrawingGeometry::litLevelMeterBlocks (3.0f), 7);
    EXPECT_EQ (FlatDrawingGeometry::litLevelMeterBlocks (-0.5f), 0);
}

//==============================================================================
TEST_F (ThreeColorsLookAndFeelTest, ButtonIsAFlatRoundedFaceWithAContrastingOutline)
{
    juce::TextButton button;
    button.setSize (100, 25);

    const auto face = accent.withMultipliedSaturation (0.3f);
    ASSERT_GE (face.getPerceivedBrightness(), 0.5f); // so the outline is black

    const auto expected = [&] (float alpha, float thickness)
    {
        return render (100, 25, [&] (juce::Graphics& g)
                       {
                           juce::Path shape;
                           shape.addRoundedRectangle (2.0f, 2.0f, 96.0f, 21.0f, 10.0f, 10.0f);
                           g.setColour (face);
                           g.fillPath (shape);
                           g.setColour (juce::Colours::black.withAlpha (alpha));
                           g.strokePath (shape, juce::PathStrokeType (thickness));
                       });
    };

    const auto atRest = render (100, 25, [&] (juce::Graphics& g)
                                {
                                    look.drawButtonBackground (g, button, accent, false, false);
                                });
    EXPECT_EQ (differingPixels (atRest, expected (0.4f, 1.4f)), 0);
    EXPECT_TRUE (pixelNear (atRest, 50, 12, face));
    EXPECT_EQ (atRest.getPixelAt (0, 12).getAlpha(), 0);
    EXPECT_EQ (atRest.getPixelAt (50, 0).getAlpha(), 0);
    // The 1.4-pixel line centred on x = 2 covers seven tenths of column 1, at alpha 0x66.
    EXPECT_TRUE (pixelNear (atRest, 1, 12, juce::Colour (0x47000000), 2));
    EXPECT_TRUE (pixelNear (atRest, 50, 1, juce::Colour (0x47000000), 2));
    // Outside the 10-pixel corner and its outline.
    EXPECT_EQ (atRest.getPixelAt (3, 3).getAlpha(), 0);

    const auto hovered = render (100, 25, [&] (juce::Graphics& g)
                                 {
                                     look.drawButtonBackground (g, button, accent, true, false);
                                 });
    EXPECT_TRUE (pixelNear (hovered, 50, 12, face.darker (0.1f)));
    // The 2-pixel line covers all of column 1, at alpha 0x99.
    EXPECT_TRUE (pixelNear (hovered, 1, 12, juce::Colour (0x99000000), 1));
    EXPECT_EQ (hovered.getPixelAt (0, 12).getAlpha(), 0);

    const auto pressed = render (100, 25, [&] (juce::Graphics& g)
                                 {
                                     look.drawButtonBackground (g, button, accent, true, true);
                                 });
    EXPECT_TRUE (pixelNear (pressed, 50, 12, face.brighter (0.4f)));

    // Held down from the keyboard, with the mouse elsewhere: exactly as at rest.
    const auto downNotOver = render (100, 25, [&] (juce::Graphics& g)
                                     {
                                         look.drawButtonBackground (g, button, accent, false, true);
                                     });
    EXPECT_EQ (differingPixels (downNotOver, atRest), 0);
}

TEST_F (ThreeColorsLookAndFeelTest, DarkButtonsBrightenUnderTheMouseAndGetAWhiteOutline)
{
    juce::TextButton button;
    button.setSize (100, 25);

    const auto face = background.withMultipliedSaturation (0.3f);
    const auto hovered = render (100, 25, [&] (juce::Graphics& g)
                                 {
                                     look.drawButtonBackground (g, button, background, true, false);
                                 });

    EXPECT_TRUE (pixelNear (hovered, 50, 12, face.brighter (0.1f)));
    EXPECT_TRUE (pixelNear (hovered, 1, 12, juce::Colour (0x99ffffff), 3)); // unpremultiplied, so a little off white
}

//==============================================================================
TEST_F (ThreeColorsLookAndFeelTest, LevelMeterDrawsSevenBlocksOnARoundedPanel)
{
    const auto panel = background.darker (0.25f);
    const auto unlit = panel.overlaidWith (accent.withAlpha (0.6f));

    const auto expected = [&] (int lit)
    {
        return render (76, 16, [&] (juce::Graphics& g)
                       {
                           g.setColour (panel);
                           g.fillRoundedRectangle (0.0f, 0.0f, 76.0f, 16.0f, 3.0f);
                           g.setColour (text);
                           g.drawRoundedRectangle (1.0f, 1.0f, 74.0f, 14.0f, 3.0f, 1.0f);

                           for (int i = 0; i < 7; ++i)
                           {
                               g.setColour (i >= lit ? accent.withAlpha (0.6f) : (i < 6 ? accent : juce::Colour (0xffff0000)));
                               g.fillRoundedRectangle (4.0f + 10.0f * (float) i, 3.0f, 8.0f, 10.0f, 4.0f);
                           }
                       });
    };

    const auto meter = [&] (float level)
    {
        return render (76, 16, [&] (juce::Graphics& g)
                       {
                           look.drawLevelMeter (g, 76, 16, level);
                       });
    };

    const auto silent = meter (0.0f);
    EXPECT_EQ (differingPixels (silent, expected (0)), 0);
    for (int i = 0; i < 7; ++i)
    {
        EXPECT_TRUE (pixelNear (silent, 8 + 10 * i, 8, unlit, 1)) << i;
        // Blocks span columns 4 + 10i to 11 + 10i; the columns between them show the panel.
        EXPECT_TRUE (pixelNear (silent, 4 + 10 * i, 8, unlit, 1)) << i;
        EXPECT_TRUE (pixelNear (silent, 11 + 10 * i, 8, unlit, 1)) << i;
        EXPECT_TRUE (pixelNear (silent, 12 + 10 * i, 8, panel)) << i;
        EXPECT_TRUE (pixelNear (silent, 3 + 10 * i, 8, panel)) << i;
    }
    EXPECT_TRUE (pixelNear (silent, 0, 8, panel.overlaidWith (text.withAlpha (0.5f)), 2)); // half of the outline
    EXPECT_LT (silent.getPixelAt (0, 0).getAlpha(), 0xff);                                 // rounded corner

    const auto full = meter (1.0f);
    EXPECT_EQ (differingPixels (full, expected (7)), 0);
    for (int i = 0; i < 6; ++i)
        EXPECT_TRUE (pixelNear (full, 8 + 10 * i, 8, accent)) << i;
    EXPECT_TRUE (pixelNear (full, 68, 8, juce::Colour (0xffff0000)));

    EXPECT_EQ (differingPixels (meter (0.5f), expected (4)), 0);
    EXPECT_EQ (differingPixels (meter (1.7f), expected (7)), 0);
    EXPECT_EQ (differingPixels (meter (-0.2f), expected (0)), 0);
}

//==============================================================================
namespace
{
    /** A combo box drawn directly through the look at 120 × 24, its button area the 24-pixel
        strip at the right.
    */
    juce::Image drawCombo (juce::LookAndFeel& look, juce::ComboBox& box, bool buttonDown)
    {
        box.setSize (120, 24);
        return render (120, 24, [&] (juce::Graphics& g)
                       {
                           look.drawComboBox (g, 120, 24, buttonDown, 96, 0, 24, 24, box);
                       });
    }
}

TEST_F (ThreeColorsLookAndFeelTest, DisabledComboBoxHasAThinFrameAFaintButtonAndNoArrows)
{
    juce::ComboBox box;
    box.setLookAndFeel (&look);
    box.setEnabled (false);

    const auto boxBackground = juce::Colour (0xff262626);
    const auto outline = look.findColour (juce::ComboBox::outlineColourId);
    const auto image = drawCombo (look, box, false);

    const auto expected = render (120, 24, [&] (juce::Graphics& g)
                                  {
                                      g.fillAll (boxBackground);
                                      g.setColour (outline);
                                      g.drawRect (0, 0, 120, 24);
                                      g.setColour (outline.withMultipliedAlpha (0.5f));
                                      g.drawRect (96.3f, 0.3f, 23.4f, 23.4f, 0.3f);
                                  });
    EXPECT_EQ (differingPixels (image, expected), 0);

    EXPECT_TRUE (pixelNear (image, 0, 12, boxBackground.overlaidWith (outline)));
    EXPECT_TRUE (pixelNear (image, 1, 12, boxBackground));
    EXPECT_TRUE (pixelNear (image, 108, 9, boxBackground));  // where the up arrow would be
    EXPECT_TRUE (pixelNear (image, 108, 15, boxBackground)); // and the down arrow
    // The button frame's 0.3-pixel line at half the outline's alpha barely tints column 96.
    EXPECT_TRUE (pixelNear (image, 96, 12, boxBackground.overlaidWith (outline.withMultipliedAlpha (0.5f * 0.3f)), 3));

    box.setLookAndFeel (nullptr);
}

TEST_F (ThreeColorsLookAndFeelTest, EnabledComboBoxShowsArrowsInItsOwnColours)
{
    juce::ComboBox box;
    box.setLookAndFeel (&look);

    const auto boxBackground = juce::Colour (0xff262626);
    const auto outline = look.findColour (juce::ComboBox::outlineColourId);

    const auto image = drawCombo (look, box, false);
    const auto expected = [&] (float thickness, juce::Colour fill, juce::Colour arrows)
    {
        return render (120, 24, [&] (juce::Graphics& g)
                       {
                           g.fillAll (fill);
                           g.setColour (outline);
                           g.drawRect (0, 0, 120, 24);
                           g.drawRect (96.0f + thickness, thickness, 24.0f - 2.0f * thickness, 24.0f - 2.0f * thickness, thickness);

                           juce::Path p;
                           p.addTriangle (108.0f, 24.0f * (0.45f - 0.2f), 96.0f + 24.0f * 0.7f, 24.0f * 0.45f, 96.0f + 24.0f * 0.3f, 24.0f * 0.45f);
                           p.addTriangle (108.0f, 24.0f * (0.55f + 0.2f), 96.0f + 24.0f * 0.7f, 24.0f * 0.55f, 96.0f + 24.0f * 0.3f, 24.0f * 0.55f);
                           g.setColour (arrows);
                           g.fillPath (p);
                       });
    };

    EXPECT_EQ (differingPixels (image, expected (0.5f, boxBackground, text)), 0);
    EXPECT_TRUE (pixelNear (image, 108, 9, text));  // up arrow
    EXPECT_TRUE (pixelNear (image, 108, 15, text)); // down arrow
    EXPECT_TRUE (pixelNear (image, 108, 12, boxBackground));
    EXPECT_TRUE (pixelNear (image, 1, 12, boxBackground));

    EXPECT_EQ (differingPixels (drawCombo (look, box, true), expected (1.2f, boxBackground, text)), 0);

    // Colours set on the box itself win over the table.
    box.setColour (juce::ComboBox::backgroundColourId, juce::Colours::darkgreen);
    box.setColour (juce::ComboBox::arrowColourId, juce::Colours::orange);
    EXPECT_EQ (differingPixels (drawCombo (look, box, false), expected (0.5f, juce::Colours::darkgreen, juce::Colours::orange)), 0);

    box.setLookAndFeel (nullptr);
}

//==============================================================================
TEST_F (ThreeColorsLookAndFeelTest, PopupMenuBackgroundIsOneFlatFillOfTheLooksOwnColour)
{
    // The framework paints menu windows through the options variant.
    const auto image = render (60, 40, [&] (juce::Graphics& g)
                               {
                                   look.drawPopupMenuBackgroundWithOptions (g, 60, 40, juce::PopupMenu::Options());
                               });

    const auto flat = render (60, 40, [&] (juce::Graphics& g)
                              {
                                  g.fillAll (background);
                              });
    EXPECT_EQ (differingPixels (image, flat), 0); // no line pattern, no border

    // Only the clip area is filled.
    const auto clipped = render (60, 40, [&] (juce::Graphics& g)
                                 {
                                     g.reduceClipRegion (10, 10, 20, 20);
                                     look.drawPopupMenuBackground (g, 60, 40);
                                 });
    EXPECT_TRUE (pixelNear (clipped, 15, 15, background));
    EXPECT_EQ (clipped.getPixelAt (5, 5).getAlpha(), 0);
}
