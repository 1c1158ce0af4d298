#pragma once

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_audio_utils/juce_audio_utils.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include "devices/DeviceRecovery.h"
#include "devices/MidiInputWatcher.h"
#include "ui/ApplicationAccessors.h"
#include "audio/TransportAudioProcessorPlayer.h"
#include "hosting/PluginLifetime.h"
#include "QuitSignals.h"

#include <memory>

class MainHostWindow;

/** The application object: owns every long-lived object of the run, brings them up in a
    fixed order in initialise() and tears them down in a fixed order in shutdown().

    Message thread only. The audio thread enters through the player between attaching and
    detaching the plug-in. The plug-in reaches the application through the mini-host
    call-backs, with the application's address as the host handle.
*/
class PluginHostApp final : public juce::JUCEApplication,
                            private MiniHostCallbacks::Host
{
public:
    PluginHostApp();
    ~PluginHostApp() override;

    const juce::String getApplicationName() override;
    const juce::String getApplicationVersion() override;
    bool moreThanOneInstanceAllowed() override;
    void initialise (const juce::String& commandLine) override;
    void shutdown() override;
    void systemRequestedQuit() override;

    /** Creates the settings store with the application's options; an unreadable settings
        file is set aside first.
    */
    void createSettingsStore();

    juce::ApplicationCommandManager& getCommandManager() noexcept { return commandManager; }
    juce::ApplicationProperties& getSettings() noexcept { return *settings; }

private:
    /** Loads the module beside the executable. Returns false, after telling the user, when
        it is missing or cannot be loaded.
    */
    bool loadPlugin();

    /** The mini-host handshake with the loaded plug-in; installs the plug-in's colours as the
        default look when it supplies them. Returns the window size mode.
    */
    int runMiniHostHandshake();

    /** Stores the window's state and writes the settings file (shut-down, before the plug-in
        is touched).
    */
    void saveSettingsBeforeTeardown();

    void openSettingsDialogForPlugin() override;
    void setTempoForPlugin (double beatsPerMinute) noexcept override;

    juce::ApplicationCommandManager commandManager;
    std::unique_ptr<juce::ApplicationProperties> settings;
    std::unique_ptr<SavedDeviceState> savedDeviceState;
    juce::AudioDeviceManager deviceManager;
    TransportAudioProcessorPlayer player;
    juce::AudioPluginFormatManager formatManager;
    PluginLifetime plugin { this, *this };
    std::unique_ptr<MainHostWindow> mainWindow;
    std::unique_ptr<juce::LookAndFeel> lookAndFeel;
    std::unique_ptr<DeviceRecovery> deviceRecovery;
    std::unique_ptr<MidiInputWatcher> midiInputWatcher;
    std::unique_ptr<QuitSignals> quitSignals;
    bool shuttingDown = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PluginHostApp)
};
