#include "PluginHostApp.h"

#include "devices/DeviceSetup.h"
#include "look/ThreeColorsLookAndFeel.h"
#include "ui/MainHostWindow.h"
#include "hosting/PluginFile.h"
#include "settings/SettingsLocation.h"
#include "settings/SettingsStore.h"

namespace
{
    PluginHostApp& runningApp()
    {
        auto* app = dynamic_cast<PluginHostApp*> (juce::JUCEApplication::getInstance());
        jassert (app != nullptr);
        return *app;
    }
}

juce::ApplicationCommandManager& getCommandManager()
{
    return runningApp().getCommandManager();
}
juce::ApplicationProperties& getApplicationProperties()
{
    return runningApp().getSettings();
}

//==============================================================================
PluginHostApp::PluginHostApp() = default;

PluginHostApp::~PluginHostApp()
{
    // Normally shutdown() has emptied these already. If not: the window goes before the
    // plug-in whose editor it may still show.
    lookAndFeel.reset();
    mainWindow.reset();
    plugin.tearDown();
}

const juce::String PluginHostApp::getApplicationName()
{
    return TOLVANE_APP_NAME_STRING;
}
const juce::String PluginHostApp::getApplicationVersion()
{
    return TOLVANE_VERSION_STRING;
}
bool PluginHostApp::moreThanOneInstanceAllowed()
{
    return true;
}

void PluginHostApp::createSettingsStore()
{
    settings = std::make_unique<juce::ApplicationProperties>();
    // An unreadable file is set aside before the store could write over it.
    settings->setStorageParameters (SettingsStore::openSafely (SettingsLocation::storeOptions()));
}

void PluginHostApp::initialise (const juce::String&)
{
    // A log-out or a plain kill quits like the close button: position stored, file saved.
    quitSignals = std::make_unique<QuitSignals> ([this]
                                                 {
                                                     systemRequestedQuit();
                                                 });

    juce::LookAndFeel::getDefaultLookAndFeel().setUsingNativeAlertWindows (true);

    formatManager.addDefaultFormats();

    createSettingsStore();
    savedDeviceState = std::make_unique<SavedDeviceState> (*settings->getUserSettings());

    mainWindow = std::make_unique<MainHostWindow>();
    mainWindow->useNativeTitleBar();

    commandManager.registerAllCommandsForTarget (this);
    commandManager.registerAllCommandsForTarget (mainWindow.get());

    DeviceSetup::openDevices (deviceManager, *savedDeviceState);

    if (! loadPlugin())
    {
        quit();
        return;
    }

    auto& instance = *plugin.get();
    mainWindow->setName (instance.getName());

    const int windowSizeMode = runMiniHostHandshake();

    if (windowSizeMode == TOLVANE_MINIHOST_SIZE_FIXED)
        mainWindow->setTitleBarButtonsRequired (juce::DocumentWindow::minimiseButton
                                                    | juce::DocumentWindow::closeButton,
                                                false);

    mainWindow->setContentNonOwned (instance.createEditorIfNeeded(), true);
    mainWindow->moveToStartPosition();

    const auto pluginInputs = instance.getTotalNumInputChannels();
    DeviceSetup::openInputIfTaken (deviceManager, *savedDeviceState, pluginInputs);
    plugin.attach (player, deviceManager);

    deviceRecovery = std::make_unique<DeviceRecovery> (deviceManager, *savedDeviceState,
                                                       [this]
                                                       {
                                                           return player.getBlocksDelivered();
                                                       });
    // A lost device comes back as start-up left it: with its input or its output alone (as
    // the plug-in would have it when none could be opened).
    const auto* device = deviceManager.getCurrentAudioDevice();
    deviceRecovery->start (device != nullptr ? deviceManager.getAudioDeviceSetup().inputDeviceName.isNotEmpty()
                                             : pluginInputs > 0);

    // Enabled controllers that are plugged in later, or again, are opened and registered.
    midiInputWatcher = std::make_unique<MidiInputWatcher> (deviceManager, *savedDeviceState, [this]
                                                           {
                                                               DeviceSetup::registerMidiInputs (player, deviceManager);
                                                           });
    midiInputWatcher->start();

    mainWindow->setVisible (true);
}

void PluginHostApp::shutdown()
{
    saveSettingsBeforeTeardown();

    // From here on a call-back from the plug-in, even one made while it is torn down or one
    // still waiting for the message thread, opens no dialog and registers no MIDI input.
    shuttingDown = true;

    // Nothing may reopen a device while the player is taken off it.
    deviceRecovery.reset();
    midiInputWatcher.reset();

    // A plug-in that never returns from its teardown cannot keep the process alive.
    plugin.tearDown();

    // The window stores its position into the settings, which are written when they go.
    mainWindow.reset();
    savedDeviceState.reset();
    settings.reset();

    // The look and feel outlives every window drawn with it.
    lookAndFeel.reset();

    // Everything is saved: the system's signals may end the process directly again.
    quitSignals.reset();
}

void PluginHostApp::systemRequestedQuit()
{
    if (mainWindow != nullptr)
        mainWindow->requestQuit();
    else
        quit();
}

void PluginHostApp::saveSettingsBeforeTeardown()
{
    // The plug-in's teardown may hang: what the user set is written before it begins (the
    // device state was written when the dialog closed).
    if (mainWindow != nullptr)
        mainWindow->storeWindowState();
}

bool PluginHostApp::loadPlugin()
{
    const auto module = PluginFile::forExecutable (PluginFile::runningExecutable());
    const auto loaded = plugin.load (formatManager, module);

    if (plugin.get() == nullptr)
        juce::AlertWindow::showMessageBox (juce::MessageBoxIconType::WarningIcon,
                                           loaded.failureTitle, loaded.failureMessage, "OK");

    return plugin.get() != nullptr;
}

//==============================================================================
int PluginHostApp::runMiniHostHandshake()
{
    const auto reply = plugin.handshake();

    if (reply.coloursSupplied)
    {
        const auto colours = MiniHostHandshake::opaqueColours (reply);
        auto look = std::make_unique<ThreeColorsLookAndFeel> (colours[0], colours[1], colours[2]);

        // The new look is the default before any earlier one is deleted.
        juce::LookAndFeel::setDefaultLookAndFeel (look.get());
        lookAndFeel = std::move (look);
    }

    return reply.windowSizeMode;
}

void PluginHostApp::openSettingsDialogForPlugin()
{
    if (mainWindow == nullptr || shuttingDown)
        return;

    {
        // Recovery waits while the user chooses, and takes what the dialog saved as the choice.
        const DeviceRecovery::SettingsDialogScope choosing (deviceRecovery.get());
        const MidiInputWatcher::SettingsDialogScope choosingInputs (midiInputWatcher.get());
        mainWindow->openSettingsDialog (deviceManager, *savedDeviceState);
    }

    // Shut-down may have begun while the dialog was open; a detached player stays detached.
    if (shuttingDown)
        return;

    // Inputs enabled in the dialog reach the player only once it is registered for them.
    DeviceSetup::registerMidiInputs (player, deviceManager);
}

void PluginHostApp::setTempoForPlugin (double beatsPerMinute) noexcept
{
    player.setTempo (beatsPerMinute);
}
