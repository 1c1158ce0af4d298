#include "MainHostWindow.h"

#include "platform/ProcessPriority.h"
#include "settings/SettingsStore.h"
#include "devices/SavedDeviceState.h"
#include "settings/SettingsKeys.h"
#include "ApplicationAccessors.h"
#include "ComponentModalDialog.h"
#include "FixedSizeHolder.h"
#include "WindowPlacement.h"

#include <juce_audio_utils/juce_audio_utils.h>

namespace
{
    const juce::Colour windowBackground { 0xffd3d3d3 };
}

MainHostWindow::MainHostWindow()
    : juce::DocumentWindow (juce::JUCEApplication::getInstance()->getApplicationName(),
                            windowBackground,
                            juce::DocumentWindow::allButtons,
                            true)
{
    setResizable (false, false);
    centreWithSize (800, 600);

    // Only a state of believable numbers reaches the framework, whose reading of others overflows.
    const auto storedState = getApplicationProperties().getUserSettings()->getValue (SettingsKeys::mainWindowPos, {});
    if (WindowPlacement::parse (storedState).has_value())
        restoreWindowStateFromString (storedState);

    auto& commandManager = getCommandManager();
    addKeyListener (commandManager.getKeyMappings());

    raiseProcessPriority();

    commandManager.setFirstCommandTarget (this);
}

MainHostWindow::~MainHostWindow()
{
    storeWindowState();

    auto& commandManager = getCommandManager();
    if (commandManager.getFirstCommandTarget (0) == this)
        commandManager.setFirstCommandTarget (nullptr);
}

void MainHostWindow::storeWindowState()
{
    if (hasBeenShown)
        SettingsStore::storeAndSave (*getApplicationProperties().getUserSettings(),
                                     SettingsKeys::mainWindowPos, getWindowStateAsString());
}

void MainHostWindow::useNativeTitleBar()
{
    // Rebuilding an on-desktop window ends with toFront(true), which maps it whether or not
    // it is visible. Rebuilt off the desktop and added back, it keeps its visibility.
    const auto keepHidden = isOnDesktop() && ! isVisible();

    if (keepHidden)
        removeFromDesktop();

    setUsingNativeTitleBar (true);

    if (keepHidden)
        addToDesktop();
}

void MainHostWindow::visibilityChanged()
{
    DocumentWindow::visibilityChanged();

    if (isVisible())
        hasBeenShown = true;
}

void MainHostWindow::closeButtonPressed()
{
    // The application prepares the plug-in for closing, then comes back to requestQuit().
    juce::JUCEApplication::getInstance()->systemRequestedQuit();
}

bool MainHostWindow::requestQuit()
{
    juce::JUCEApplication::quit();
    return true;
}

void MainHostWindow::moveToStartPosition()
{
    juce::Array<juce::Rectangle<int>> displayAreas;
    for (const auto& display : juce::Desktop::getInstance().getDisplays().displays)
        displayAreas.add (display.totalArea);

    const auto state = getApplicationProperties().getUserSettings()->getValue (SettingsKeys::mainWindowPos, {});
    setTopLeftPosition (WindowPlacement::startTopLeft (state, displayAreas));
}

void MainHostWindow::openSettingsDialog (juce::AudioDeviceManager& deviceManager, SavedDeviceState& savedState)
{
    JUCE_ASSERT_MESSAGE_THREAD

    const int width = 500, height = 550;

    juce::AudioDeviceSelectorComponent selector (deviceManager,
                                                 0, 256,  // input channels
                                                 16, 256, // output channels
                                                 true,    // MIDI inputs
                                                 true,    // MIDI output
                                                 true,    // channels as stereo pairs
                                                 false);  // no advanced-options button
    selector.setSize (width, height);

    // The selector later shrinks to its contents; the holder keeps the dialog at full size.
    FixedSizeHolder holder (selector, width, height);

    const auto before = deviceManager.createStateXml();
    ComponentModalDialog dialog ("Audio / MIDI Settings", holder, *this);
    dialog.runModalLoop();

    savedState.storeAfterDialog (before.get(), deviceManager.createStateXml().get());
}

//==============================================================================
juce::StringArray MainHostWindow::getMenuBarNames()
{
    return { "Options" };
}

juce::PopupMenu MainHostWindow::getMenuForIndex (int topLevelMenuIndex, const juce::String&)
{
    juce::PopupMenu menu;

    if (topLevelMenuIndex == 0)
    {
        auto& commandManager = getCommandManager();
        menu.addCommandItem (&commandManager, audioSettingsCommand);
        menu.addSeparator();
        menu.addCommandItem (&commandManager, aboutCommand);
    }

    return menu;
}

void MainHostWindow::menuItemSelected (int, int) {}

//==============================================================================
juce::ApplicationCommandTarget* MainHostWindow::getNextCommandTarget()
{
    return findFirstTargetParentComponent();
}

void MainHostWindow::getAllCommands (juce::Array<juce::CommandID>& commands)
{
    commands.add (audioSettingsCommand, aboutCommand);
}

void MainHostWindow::getCommandInfo (juce::CommandID commandID, juce::ApplicationCommandInfo& result)
{
    switch (commandID)
    {
        case audioSettingsCommand:
            result.setInfo ("Change the audio device settings", {}, "General", 0);
            result.addDefaultKeypress ('a', juce::ModifierKeys::ctrlModifier);
            break;

        case aboutCommand:
            result.setInfo ("About...", {}, "General", 0);
            break;

        default:
            break;
    }
}

bool MainHostWindow::perform (const InvocationInfo& info)
{
    // Both commands count as handled and do nothing more: the settings dialog opens only
    // at the plug-in's request, and there is no About box.
    return info.commandID == audioSettingsCommand || info.commandID == aboutCommand;
}
