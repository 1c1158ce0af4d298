/*
    The player on a real device: a JACK server with the dummy back end (scripts/test.sh starts
    them; JACK_DEFAULT_SERVER picks one). Without a server these tests skip, unless
    TOLVANE_REQUIRE_JACK=1 says that one must be there.
*/
#include "devices/DeviceSetup.h"
#include "devices/SavedDeviceState.h"
#include "audio/TransportAudioProcessorPlayer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

namespace
{
    bool jackRequired()
    {
        const auto* value = std::getenv ("TOLVANE_REQUIRE_JACK");
        return value != nullptr && juce::String (value) == "1";
    }

    /** A settings file of its own in a temporary folder. */
    struct TemporarySettings
    {
        TemporarySettings()
        {
            juce::PropertiesFile::Options options;
            options.applicationName = "device-test";
            options.filenameSuffix = ".settings";
            options.folderName = folder.getFile().getFullPathName();
            options.osxLibrarySubFolder = "Application Support";
            file = std::make_unique<juce::PropertiesFile> (folder.getFile().getChildFile ("device-test.settings"), options);
        }

        juce::TemporaryFile folder;
        std::unique_ptr<juce::PropertiesFile> file;
    };

    bool waitFor (const std::function<bool()>& condition, double seconds = 5.0)
    {
        const auto deadline = juce::Time::getMillisecondCounterHiRes() + seconds * 1000.0;

        while (juce::Time::getMillisecondCounterHiRes() < deadline)
        {
            if (condition())
                return true;

            juce::Thread::sleep (10);
        }

        return condition();
    }

    juce::MidiMessage stamped (juce::MidiMessage message)
    {
        message.setTimeStamp (juce::Time::getMillisecondCounterHiRes() * 0.001);
        return message;
    }

    juce::MidiMessage machineControl (int command)
    {
        const std::uint8_t bytes[] { 0xf0, 0x7f, 0x7f, 0x06, (std::uint8_t) command, 0xf7 };
        return stamped (juce::MidiMessage (bytes, 6));
    }

    class JackDevice : public ::testing::Test
    {
    protected:
        void SetUp() override
        {
            const auto* server = std::getenv ("JACK_DEFAULT_SERVER");
            serverName = server != nullptr ? server : "default";

            if (! jackServerRunning())
            {
                if (jackRequired())
                    FAIL() << "no JACK server '" << serverName << "' is running";
                else
                    GTEST_SKIP() << "no JACK server '" << serverName << "' (start one, or run scripts/test.sh)";
            }
        }

        bool jackServerRunning()
        {
            juce::ChildProcess check;
            return check.start (juce::StringArray { "jack_wait", "-c", "-s", serverName })
                && check.readAllProcessOutput().contains ("running");
        }

        /** The saved state that chooses the JACK server's device. */
        static juce::String savedJackState()
        {
            return R"(<?xml version="1.0" encoding="UTF-8"?>)"
                   R"(<DEVICESETUP deviceType="JACK" audioOutputDeviceName="system" )"
                   R"(audioInputDeviceName="system" audioDeviceRate="48000.0"/>)";
        }

        std::unique_ptr<juce::AudioPluginInstance> loadReference()
        {
            formats.addDefaultFormats();
            juce::PluginDescription description;
            description.pluginFormatName = "VST";
            description.fileOrIdentifier = TOLVANE_REFERENCE_MODULE;
            juce::String error;
            auto instance = formats.createPluginInstance (description, 44100.0, 512, error);
            EXPECT_NE (instance, nullptr) << error;
            return instance;
        }

        /** The reference plug-in attached to the player on the saved JACK device. */
        void attachReferenceOnSavedDevice()
        {
            settings.file->setValue ("audioDeviceState", savedJackState());
            plugin = loadReference();
            ASSERT_NE (plugin, nullptr);

            savedState = std::make_unique<SavedDeviceState> (*settings.file);
            DeviceSetup::openDevices (devices, *savedState);
            ASSERT_NE (devices.getCurrentAudioDevice(), nullptr);
            DeviceSetup::openInputIfTaken (devices, *savedState, plugin->getTotalNumInputChannels());
            DeviceSetup::attach (*plugin, player, devices);
        }

        void TearDown() override
        {
            DeviceSetup::detach (player, devices);
        }

        std::string serverName;
        juce::AudioPluginFormatManager formats;
        TemporarySettings settings;
        std::unique_ptr<SavedDeviceState> savedState;
        juce::AudioDeviceManager devices;
        TransportAudioProcessorPlayer player;
        std::unique_ptr<juce::AudioPluginInstance> plugin;
    };

    TEST_F (JackDevice, SavedDeviceOpensAndTheReferencePluginIsHeard)
    {
        ASSERT_NO_FATAL_FAILURE (attachReferenceOnSavedDevice());
        auto* device = devices.getCurrentAudioDevice();
        EXPECT_EQ (device->getTypeName(), "JACK");
        EXPECT_EQ (device->getActiveOutputChannels().countNumberOfSetBits(), 6);
        // The plug-in takes no input: the device runs its output alone, and the saved state
        // keeps the input for a plug-in that would take one, also through a settings dialog
        // that changes nothing.
        EXPECT_TRUE (device->getActiveInputChannels().isZero());
        EXPECT_EQ (devices.getAudioDeviceSetup().inputDeviceName, "");
        const auto state = devices.createStateXml();
        const auto stored = SavedDeviceState::toStoreAfterDialog (savedState->get(), state.get(), state.get());
        EXPECT_EQ (stored->getStringAttribute ("audioInputDeviceName"), "system");
        EXPECT_EQ (player.workBuffer.getNumChannels(), 2);
        EXPECT_EQ (player.workBuffer.getNumSamples(), device->getCurrentBufferSizeSamples());
        EXPECT_EQ (plugin->getSampleRate(), 48000.0);

        // The MIDI inputs on offer (none on machines without a sequencer) are registered
        // without complaint; the player is then driven directly, as an input would.
        DeviceSetup::registerMidiInputs (player, devices);

        player.handleIncomingMidiMessage (nullptr, machineControl (Transport::play));
        player.handleIncomingMidiMessage (nullptr, stamped (juce::MidiMessage::noteOn (1, 69, (juce::uint8) 110)));

        auto level = devices.getOutputLevelGetter();
        EXPECT_TRUE (waitFor ([&]
                              {
                                  return level->getCurrentLevel() > 0.05;
                              }))
            << "output level " << level->getCurrentLevel();

        // Playing at 48000 Hz in blocks of the device's size.
        EXPECT_TRUE (waitFor ([&]
                              {
                                  return player.positionRecord.read().timeInSamples >= 24000;
                              }));
        const auto position = player.positionRecord.read();
        EXPECT_TRUE (position.isPlaying);
        EXPECT_EQ (position.timeInSamples % device->getCurrentBufferSizeSamples(), 0);

        DeviceSetup::detach (player, devices);
        const auto stoppedAt = player.positionRecord.read().timeInSamples;
        juce::Thread::sleep (50);
        EXPECT_EQ (player.positionRecord.read().timeInSamples, stoppedAt);
    }

    TEST_F (JackDevice, PluginTakingInputGetsTheSavedInputAddedAndTheSavedStateStays)
    {
        settings.file->setValue ("audioDeviceState", savedJackState());
        const SavedDeviceState saved (*settings.file);
        DeviceSetup::openDevices (devices, saved);
        ASSERT_NE (devices.getCurrentAudioDevice(), nullptr);
        EXPECT_TRUE (devices.getCurrentAudioDevice()->getActiveInputChannels().isZero());

        DeviceSetup::openInputIfTaken (devices, saved, 2);
        auto* device = devices.getCurrentAudioDevice();
        ASSERT_NE (device, nullptr);
        EXPECT_EQ (devices.getAudioDeviceSetup().inputDeviceName, "system");
        EXPECT_EQ (device->getActiveInputChannels().countNumberOfSetBits(), 2);
        EXPECT_EQ (device->getActiveOutputChannels().countNumberOfSetBits(), 6);
        EXPECT_EQ (settings.file->getValue ("audioDeviceState"), savedJackState());
    }

    TEST_F (JackDevice, RestartWithAnotherBufferSizeResizesTheWorkBuffer)
    {
        ASSERT_NO_FATAL_FAILURE (attachReferenceOnSavedDevice());
        const auto firstSize = devices.getCurrentAudioDevice()->getCurrentBufferSizeSamples();
        EXPECT_EQ (player.workBuffer.getNumSamples(), firstSize);

        player.handleIncomingMidiMessage (nullptr, machineControl (Transport::play));
        ASSERT_TRUE (waitFor ([&]
                              {
                                  return player.positionRecord.read().timeInSamples > 0;
                              }));

        // The same device on a server running with twice the buffer: the device manager
        // stops the device and starts the new one, as a change in the settings dialog does.
        const auto otherServer = serverName + "-512";
        setenv ("JACK_DEFAULT_SERVER", otherServer.c_str(), 1);
        devices.closeAudioDevice();
        devices.restartLastAudioDevice();
        setenv ("JACK_DEFAULT_SERVER", serverName.c_str(), 1);

        auto* device = devices.getCurrentAudioDevice();
        ASSERT_NE (device, nullptr) << "is the JACK server '" << otherServer << "' running?";
        ASSERT_EQ (device->getCurrentBufferSizeSamples(), 2 * firstSize);
        EXPECT_EQ (player.workBuffer.getNumSamples(), 2 * firstSize);
        EXPECT_EQ (player.workBuffer.getNumChannels(), 2);

        // The transport kept its place and moves on in the new blocks.
        const auto before = player.positionRecord.read().timeInSamples;
        EXPECT_GT (before, 0);
        ASSERT_TRUE (waitFor ([&]
                              {
                                  return player.positionRecord.read().timeInSamples >= before + 4 * 2 * firstSize;
                              }));
    }

    TEST_F (JackDevice, MissingEmptyOrBrokenSavedStateOpensTheDefaultDevice)
    {
        // The default device is the machine's: the JACK server where ALSA has none, ALSA's
        // own where libasound2-plugins gives it some. Each broken state opens the one that no
        // state opens, with all its outputs.
        juce::String defaultDevice;

        for (const auto* saved : { "<none>", "", "this is not <xml", "<DEVICESETUP deviceType=\"ALSA\" audioOutputDeviceName=\"Unplugged USB\"/>" })
        {
            TemporarySettings fresh;

            if (juce::String (saved) != "<none>")
                fresh.file->setValue ("audioDeviceState", juce::String (saved));

            juce::AudioDeviceManager defaultDevices;
            DeviceSetup::openDevices (defaultDevices, SavedDeviceState (*fresh.file));

            auto* device = defaultDevices.getCurrentAudioDevice();
            ASSERT_NE (device, nullptr) << "saved state: " << saved;
            const auto opened = device->getTypeName() + "/" + defaultDevices.getAudioDeviceSetup().outputDeviceName;

            if (defaultDevice.isEmpty())
                defaultDevice = opened;

            EXPECT_EQ (opened, defaultDevice) << saved;
            EXPECT_EQ (device->getActiveOutputChannels().countNumberOfSetBits(),
                       juce::jmin (256, device->getOutputChannelNames().size()))
                << saved;

            if (device->getTypeName() == "JACK")
            {
                EXPECT_EQ (device->getOutputChannelNames().size(), 6) << saved;
            }
        }
    }
}
