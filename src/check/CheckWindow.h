#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** A window like the application's main window for the plug-in's editor: native title bar,
    the same grey background, not resizable, the title-bar buttons the size mode gives, fitted
    to the editor, which it shows without owning. Closing it only ends the editor check early.
    Message thread.
*/
class CheckWindow final : public juce::DocumentWindow
{
public:
    CheckWindow (const juce::String& title, juce::Component& editor, int windowSizeMode);
    ~CheckWindow() override;

    void closeButtonPressed() override;

    bool wasClosedByUser() const noexcept { return closedByUser; }

private:
    bool closedByUser = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (CheckWindow)
};
