#include "ComponentModalDialog.h"

namespace
{
    const juce::KeyPress escapeKey { juce::KeyPress::escapeKey, juce::ModifierKeys(), 0 };
}

ComponentModalDialog::ComponentModalDialog (const juce::String& title, juce::Component& content,
                                            juce::Component& componentToCentreAround)
    : juce::DocumentWindow (title,
                            juce::LookAndFeel::getDefaultLookAndFeel().findColour (juce::ResizableWindow::backgroundColourId),
                            juce::DocumentWindow::closeButton,
                            false)
{
    // The window goes on the desktop once its style is final: switching an on-desktop window
    // to the native title bar, or fixing its size with one, rebuilds it and brings it on
    // screen although the dialog is still hidden.
    setUsingNativeTitleBar (true);
    setAlwaysOnTop (true);
    setContentNonOwned (&content, true);
    centreAroundComponent (&componentToCentreAround, getWidth(), getHeight());
    setResizable (false, false);
    addToDesktop();
}

ComponentModalDialog::~ComponentModalDialog() = default;

void ComponentModalDialog::resized()
{
    juce::DocumentWindow::resized();

    if (auto* button = getCloseButton())
        if (! button->isRegisteredForShortcut (escapeKey))
            button->addShortcut (escapeKey);
}

void ComponentModalDialog::closeButtonPressed()
{
    setVisible (false);
}

bool ComponentModalDialog::keyPressed (const juce::KeyPress& key)
{
    // The key code alone decides: after Alt+F4 the window manager may keep the Alt release
    // from the framework, which then reports every later Escape as Alt+Escape.
    if (key.isKeyCode (juce::KeyPress::escapeKey) && getCloseButton() == nullptr)
    {
        closeButtonPressed();
        return true;
    }

    return juce::DocumentWindow::keyPressed (key);
}
