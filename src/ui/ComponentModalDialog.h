#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** A fixed-size, always-on-top window with a native title bar and only a close button, that
    shows one component and is meant to be run modally (runModalLoop).

    The close button, Escape and the system's close request (Alt+F4) all hide the dialog, which
    ends its modal loop; the caller then destroys it. The dialog shows its content without
    owning it: the caller keeps the content alive for the dialog's whole life. Its background
    is the default look and feel's window background at the moment it is built.
    Message thread only.
*/
class ComponentModalDialog final : public juce::DocumentWindow
{
public:
    /** Builds the dialog hidden, sized to the content and centred over componentToCentreAround. */
    ComponentModalDialog (const juce::String& title, juce::Component& content,
                          juce::Component& componentToCentreAround);
    ~ComponentModalDialog() override;

    /** The framework's layout; also makes Escape a shortcut of a close-button component, when
        the title bar has one.
    */
    void resized() override;

    /** Hides the dialog, which ends a modal loop running it. */
    void closeButtonPressed() override;

    /** Escape closes the dialog like its close button. A native title bar has no close-button
        component to carry the shortcut, so the key is taken here when it reaches the window,
        whatever modifier keys the framework believes to be held.
    */
    bool keyPressed (const juce::KeyPress&) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ComponentModalDialog)
};
