#include "look/ThreeColorsLookAndFeel.h"

#include <gtest/gtest.h>

// The parts of the three-colour look that need components on a display: keyboard focus and
// real popup menu windows.

namespace
{
    const juce::Colour text { 0xffffffff };
    const juce::Colour accent { 0xff2080c0 };
    const juce::Colour background { 0xff303030 };

    void dispatchMessagesFor (int milliseconds)
    {
        juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds);
    }

    class FlatLookOnScreenTest : public ::testing::Test
    {
    protected:
        void SetUp() override { juce::LookAndFeel::setDefaultLookAndFeel (&look); }
        void TearDown() override { juce::LookAndFeel::setDefaultLookAndFeel (nullptr); }

        ThreeColorsLookAndFeel look { text, accent, background };
    };
}

TEST_F (FlatLookOnScreenTest, FocusedComboBoxHasATwoPixelFrameInItsButtonColour)
{
    juce::ComboBox box;
    box.setBounds (200, 200, 120, 24);
    box.addToDesktop (0);
    box.setVisible (true);

    // The window system gives the focus only to a window that is already on the screen.
    for (int tries = 0; tries < 40 && ! box.hasKeyboardFocus (false); ++tries)
    {
        dispatchMessagesFor (50);
        box.grabKeyboardFocus();
    }
    ASSERT_TRUE (box.hasKeyboardFocus (false));

    const auto draw = [&]
    {
        juce::Image image (juce::Image::ARGB, 120, 24, true);
        juce::Graphics g (image);
        look.drawComboBox (g, 120, 24, false, 96, 0, 24, 24, box);
        return image;
    };

    auto image = draw();
    EXPECT_EQ (image.getPixelAt (0, 12), background);
    EXPECT_EQ (image.getPixelAt (1, 12), background);
    EXPECT_EQ (image.getPixelAt (50, 1), background);
    EXPECT_EQ (image.getPixelAt (2, 12), juce::Colour (0xff262626));

    box.setColour (juce::ComboBox::buttonColourId, juce::Colours::red);
    image = draw();
    EXPECT_EQ (image.getPixelAt (0, 12), juce::Colour (0xffff0000));
    EXPECT_EQ (image.getPixelAt (1, 12), juce::Colour (0xffff0000));

    // Disabled, the focus does not count.
    box.setEnabled (false);
    image = draw();
    EXPECT_NE (image.getPixelAt (0, 12), juce::Colour (0xffff0000));
    EXPECT_EQ (image.getPixelAt (1, 12), juce::Colour (0xff262626));
}

TEST_F (FlatLookOnScreenTest, PopupMenuWindowsAreFilledFlatInTheLooksOwnColour)
{
    juce::PopupMenu menu;
    menu.addItem (1, "First");
    menu.addItem (2, "Second");
    menu.addSeparator();
    menu.addItem (3, "Third");

    const auto before = juce::Desktop::getInstance().getNumComponents();
    // The menu window exists as soon as the call returns; it is not dispatched messages, as a
    // menu of a process without a focused window closes itself at its first timer tick.
    menu.showMenuAsync (juce::PopupMenu::Options().withTargetScreenArea ({ 300, 300, 1, 1 }));

    juce::Component* menuWindow = nullptr;
    for (int i = 0; i < juce::Desktop::getInstance().getNumComponents(); ++i)
        if (auto* c = juce::Desktop::getInstance().getComponent (i); c->isShowing() && i >= before)
            menuWindow = c;
    ASSERT_NE (menuWindow, nullptr);

    // A colour set on the menu's own window does not change the background.
    menuWindow->setColour (juce::PopupMenu::backgroundColourId, juce::Colours::red);

    const auto image = menuWindow->createComponentSnapshot (menuWindow->getLocalBounds(), true, 1.0f);
    ASSERT_GT (image.getHeight(), 20);

    // The left margin, from top to bottom: no border, no line pattern, no red.
    int wrongPixels = 0;
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < 4; ++x)
            if (image.getPixelAt (x, y) != background)
                ++wrongPixels;
    EXPECT_EQ (wrongPixels, 0);

    juce::PopupMenu::dismissAllActiveMenus();
    dispatchMessagesFor (100);
}
