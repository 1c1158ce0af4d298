#pragma once

#include <juce_audio_devices/juce_audio_devices.h>
#include <juce_gui_basics/juce_gui_basics.h>

class SavedDeviceState;

/** The application's single top-level window; its content is the plug-in's editor.

    Light grey background of its own (not the look and feel's), native title bar set by the
    application, not resizable by the user. Restores its bounds from the settings value
    "mainWindowPos" when built and, if it was ever shown, stores them there and saves the
    file when destroyed, so the settings store must outlive it. Its close button and Alt+F4
    end the application, through the application's quit request. It offers two commands and
    an "Options" menu model that is not displayed anywhere.

    Needs the running PluginHostApp's command manager and settings store. Message thread only.
*/
class MainHostWindow final : public juce::DocumentWindow,
                             public juce::MenuBarModel,
                             public juce::ApplicationCommandTarget
{
public:
    enum CommandIDs
    {
        audioSettingsCommand = 0x30200,
        aboutCommand = 0x30300
    };

    MainHostWindow();
    ~MainHostWindow() override;

    void closeButtonPressed() override;
    void visibilityChanged() override;

    juce::StringArray getMenuBarNames() override;
    juce::PopupMenu getMenuForIndex (int topLevelMenuIndex, const juce::String& menuName) override;
    void menuItemSelected (int menuItemID, int topLevelMenuIndex) override;

    juce::ApplicationCommandTarget* getNextCommandTarget() override;
    void getAllCommands (juce::Array<juce::CommandID>& commands) override;
    void getCommandInfo (juce::CommandID commandID, juce::ApplicationCommandInfo& result) override;
    bool perform (const InvocationInfo& info) override;

    /** Switches to the window manager's title bar (setUsingNativeTitleBar with true) while
        keeping a hidden window hidden: on Linux the framework would otherwise bring the
        window on screen when it rebuilds it, long before the application shows it (or when
        the application quits without ever showing it).
    */
    void useNativeTitleBar();

    /** Stores the window's state under "mainWindowPos" and saves the settings file at once,
        if the window was ever shown. The destructor does it too.
    */
    void storeWindowState();

    /** Asks the application to quit; always reports that it did. */
    bool requestQuit();

    /** Moves the window's top-left corner to where it was when the last run ended, if that
        point is on a connected display, or else to (100, 100). Called once the window has
        been fitted to the plug-in's editor.
    */
    void moveToStartPosition();

    /** Shows the audio/MIDI settings dialog on the device manager, centred over this window,
        and returns once the user has closed it (nested modal loop). Device changes act at once;
        on closing, what the dialog leaves behind is stored as the saved device state and the
        settings file is saved (SavedDeviceState::storeAfterDialog). Message thread only.
    */
    void openSettingsDialog (juce::AudioDeviceManager& deviceManager, SavedDeviceState& savedState);

private:
    // A window that never appeared has no position worth keeping; storing its unused
    // bounds would overwrite the one the user left it at last time.
    bool hasBeenShown = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainHostWindow)
};
