#include "ui/ComponentModalDialog.h"

#include <gtest/gtest.h>

// The dialog window on its own, on a display: how it is built and what closes it.

namespace
{
    juce::String mapStateOf (juce::Component& window)
    {
        juce::ChildProcess xwininfo;
        const auto id = juce::String ((juce::pointer_sized_uint) window.getPeer()->getNativeHandle());
        if (! xwininfo.start (juce::StringArray { "xwininfo", "-id", id }))
            return {};
        return xwininfo.readAllProcessOutput().fromFirstOccurrenceOf ("Map State:", false, false).upToFirstOccurrenceOf ("\n", false, false).trim();
    }

    const juce::KeyPress escape { juce::KeyPress::escapeKey, juce::ModifierKeys(), 0 };

    class ComponentModalDialogTest : public ::testing::Test
    {
    protected:
        ComponentModalDialogTest()
        {
            content.setSize (300, 200);
            anchor.setBounds (400, 300, 200, 100);
            anchor.addToDesktop (0);
            anchor.setVisible (true);
        }

        juce::Component content, anchor;
    };
}

TEST_F (ComponentModalDialogTest, IsBuiltHiddenOnTheDesktopAtTheContentsSizeCentredOverTheAnchor)
{
    ComponentModalDialog dialog ("Title", content, anchor);
    juce::MessageManager::getInstance()->runDispatchLoopUntil (200);

    EXPECT_EQ (dialog.getName(), "Title");
    EXPECT_TRUE (dialog.isOnDesktop());
    EXPECT_FALSE (dialog.isVisible());
    // Switching to the native title bar must not have brought the hidden window on screen.
    EXPECT_EQ (mapStateOf (dialog), "IsUnMapped");

    EXPECT_EQ (dialog.getContentComponent(), &content);
    EXPECT_EQ (dialog.getBounds(), juce::Rectangle<int> (350, 250, 300, 200));

    // Content that changes size takes the dialog with it.
    content.setSize (320, 220);
    EXPECT_EQ (dialog.getWidth(), 320);
    EXPECT_EQ (dialog.getHeight(), 220);
}

TEST_F (ComponentModalDialogTest, DoesNotOwnItsContent)
{
    {
        ComponentModalDialog dialog ("Title", content, anchor);
    }
    EXPECT_EQ (content.getParentComponent(), nullptr);
    EXPECT_EQ (content.getWidth(), 300);
}

TEST_F (ComponentModalDialogTest, EscapeHidesItButOtherKeysPassOn)
{
    ComponentModalDialog dialog ("Title", content, anchor);
    dialog.setVisible (true);

    EXPECT_FALSE (dialog.keyPressed (juce::KeyPress ('a')));
    EXPECT_FALSE (dialog.keyPressed (juce::KeyPress (juce::KeyPress::returnKey)));
    EXPECT_TRUE (dialog.isVisible());

    EXPECT_TRUE (dialog.keyPressed (escape));
    EXPECT_FALSE (dialog.isVisible());

    // After Alt+F4 the framework may believe Alt is still held.
    dialog.setVisible (true);
    EXPECT_TRUE (dialog.keyPressed (juce::KeyPress (juce::KeyPress::escapeKey, juce::ModifierKeys::altModifier, 0)));
    EXPECT_FALSE (dialog.isVisible());
}

TEST_F (ComponentModalDialogTest, WithTheFrameworksTitleBarEscapeIsTheCloseButtonsShortcut)
{
    ComponentModalDialog dialog ("Title", content, anchor);
    ASSERT_EQ (dialog.getCloseButton(), nullptr);

    dialog.setUsingNativeTitleBar (false);
    auto* closeButton = dialog.getCloseButton();
    ASSERT_NE (closeButton, nullptr);
    EXPECT_EQ (dialog.getMinimiseButton(), nullptr);
    EXPECT_EQ (dialog.getMaximiseButton(), nullptr);
    EXPECT_TRUE (closeButton->isRegisteredForShortcut (escape));

    // A layout after the button lost its shortcut gives it back.
    closeButton->clearShortcuts();
    dialog.resized();
    EXPECT_TRUE (closeButton->isRegisteredForShortcut (escape));

    // The key is left to the button here.
    EXPECT_FALSE (dialog.keyPressed (escape));
}

TEST_F (ComponentModalDialogTest, ClosingEndsTheModalLoop)
{
    ComponentModalDialog dialog ("Title", content, anchor);

    struct Closer final : public juce::Timer
    {
        explicit Closer (ComponentModalDialog& d)
            : dialog (d) { startTimer (50); }
        void timerCallback() override
        {
            if (dialog.isCurrentlyModal())
            {
                stopTimer();
                dialog.closeButtonPressed();
            }
        }
        ComponentModalDialog& dialog;
    } closer (dialog);

    dialog.runModalLoop();

    EXPECT_FALSE (dialog.isVisible());
    EXPECT_FALSE (dialog.isCurrentlyModal());
}
