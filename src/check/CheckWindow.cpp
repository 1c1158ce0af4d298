#include "CheckWindow.h"

#include <tolvane_minihost.h>

CheckWindow::CheckWindow (const juce::String& title, juce::Component& editor, int windowSizeMode)
    : juce::DocumentWindow (title, juce::Colour (0xffd3d3d3),
                            windowSizeMode == TOLVANE_MINIHOST_SIZE_FIXED
                                ? juce::DocumentWindow::minimiseButton | juce::DocumentWindow::closeButton
                                : juce::DocumentWindow::allButtons,
                            false)
{
    setUsingNativeTitleBar (true);
    setResizable (false, false);
    setContentNonOwned (&editor, true);
    setTopLeftPosition (100, 100);
    addToDesktop();
    setVisible (true);
}

CheckWindow::~CheckWindow()
{
    // The editor belongs to the plug-in: it leaves the window before the window goes.
    clearContentComponent();
}

void CheckWindow::closeButtonPressed()
{
    closedByUser = true;
}
