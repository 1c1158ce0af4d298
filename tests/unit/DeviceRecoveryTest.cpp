#include "devices/DeviceFallback.h"
#include "devices/DeviceRecovery.h"
#include "devices/SavedDeviceState.h"
#include "audio/TransportAudioProcessorPlayer.h"
#include "support/FakeAudioDevice.h"

#include <gtest/gtest.h>

// The recovery on a device manager whose only device type is a fake one: its devices vanish
// and return as a JACK server does (the device closes by itself, the type says nothing) or as
// a Windows interface does (the type announces the new list and the framework falls back).

namespace
{
    class FakeDeviceType final : public juce::AudioIODeviceType
    {
    public:
        explicit FakeDeviceType (const juce::String& name = "Fake")
            : juce::AudioIODeviceType (name) {}

        void scanForDevices() override { ++scans; }
        juce::StringArray getDeviceNames (bool forInput) const override { return forInput ? inputs : present; }
        int getDefaultDeviceIndex (bool) const override { return 0; }
        int getIndexOfDevice (juce::AudioIODevice* device, bool) const override
        {
            return device != nullptr ? present.indexOf (device->getName()) : -1;
        }
        bool hasSeparateInputsAndOutputs() const override { return true; }
        juce::AudioIODevice* createDevice (const juce::String& output, const juce::String&) override
        {
            if (! present.contains (output))
                return nullptr;
            ++created;
            auto* device = new FakeAudioDevice (48000.0, 256, 0, 2, output, getTypeName());
            if (refusing.contains (output))
                device->openError = "refused";
            if (twoOutputsOnly.contains (output))
                device->mostOutputs = 2;
            return device;
        }

        /** The type tells the device manager that the list changed, as on Windows. */
        void announce() { callDeviceChangeListeners(); }

        juce::StringArray present { "A", "B" }, inputs, refusing, twoOutputsOnly;
        int scans = 0, created = 0;
    };

    struct Rig
    {
        /** withInput false: opened and recovered as for a plug-in that takes no input. */
        explicit Rig (const juce::String& savedState, bool withInput = true, const juce::StringArray& inputs = {},
                      const juce::String& typeName = "Fake")
        {
            settings = std::make_unique<juce::PropertiesFile> (file.getFile(), juce::PropertiesFile::Options());
            if (savedState.isNotEmpty())
                settings->setValue ("audioDeviceState", juce::parseXML (savedState).get());

            auto ownedType = std::make_unique<FakeDeviceType> (typeName);
            type = ownedType.get();
            type->inputs = inputs;
            manager.addAudioDeviceType (std::move (ownedType));
            saved = std::make_unique<SavedDeviceState> (*settings);
            const auto* state = saved->get();
            const auto opened = state != nullptr && ! withInput ? SavedDeviceState::withoutInput (*state) : nullptr;
            manager.initialise (0, 2, opened != nullptr ? opened.get() : state, true);
            manager.addAudioCallback (&player);

            recovery = std::make_unique<DeviceRecovery> (manager, *saved, [this]
                                                         {
                                                             return player.getBlocksDelivered();
                                                         });
            recovery->start (withInput);
        }

        ~Rig()
        {
            recovery.reset();
            manager.removeAudioCallback (&player);
        }

        FakeAudioDevice* device() { return dynamic_cast<FakeAudioDevice*> (manager.getCurrentAudioDevice()); }
        juce::String current() { return device() != nullptr ? device()->getName() : "none"; }
        juce::String input() { return manager.getAudioDeviceSetup().inputDeviceName; }
        bool playing() { return device() != nullptr && device()->isPlaying(); }
        juce::String savedDevice() { return SavedDeviceState::deviceOf (settings->getXmlValue ("audioDeviceState").get()).output; }

        /** The settings dialog as the application runs it: recovery waits, the user acts on
            the device manager, and what the dialog leaves behind is stored on closing. There
            are no MIDI devices here: a MIDI change is written into the state it leaves.
        */
        template <typename UserAction>
        void runDialog (UserAction&& userAction, const juce::String& enabledMidiInput = {})
        {
            const DeviceRecovery::SettingsDialogScope choosing (recovery.get());
            const auto before = manager.createStateXml();
            userAction();
            auto after = manager.createStateXml();
            if (enabledMidiInput.isNotEmpty())
                after->createNewChildElement ("MIDIINPUT")->setAttribute ("name", enabledMidiInput);
            saved->storeAfterDialog (before.get(), after.get());
        }
        void dispatchChanges() { manager.dispatchPendingMessages(); }

        /** A second device type, whose default device may stand in for the chosen one. */
        void addStandInType (const juce::String& name, const juce::String& device)
        {
            auto other = std::make_unique<FakeDeviceType> (name);
            other->present = { device };
            manager.addAudioDeviceType (std::move (other));
        }

        void deliverAndCheck()
        {
            if (device() != nullptr)
                device()->deliver();
            recovery->check();
        }

        /** The timed checks that leave a device closed by itself to its driver, before the one
            that lets it go.
        */
        void waitOutTheClose()
        {
            for (int i = 1; i < DeviceRecovery::closedChecksBeforeLettingGo; ++i)
            {
                dispatchChanges();
                recovery->check();
            }
        }

        /** The device goes as a JACK server goes: it closes by itself and nobody is told. */
        void vanishSilently (const juce::String& name)
        {
            type->present.removeString (name);
            if (device() != nullptr && device()->getName() == name)
                device()->close();
        }

        juce::TemporaryFile file { ".settings" };
        std::unique_ptr<juce::PropertiesFile> settings;
        std::unique_ptr<SavedDeviceState> saved;
        juce::AudioDeviceManager manager;
        FakeDeviceType* type = nullptr;
        TransportAudioProcessorPlayer player;
        std::unique_ptr<DeviceRecovery> recovery;
    };
    /** WASAPI's exclusive mode chosen, with shared-mode WASAPI to stand in for it. */
    struct ExclusiveWasapiRig : Rig
    {
        ExclusiveWasapiRig()
            : Rig (R"x(<DEVICESETUP deviceType="Windows Audio (Exclusive Mode)" audioOutputDeviceName="A"/>)x", true, {},
                   "Windows Audio (Exclusive Mode)")
        {
            addStandInType ("Windows Audio", "Speakers");
        }
    };
}

//==============================================================================
TEST (DeviceRecovery, SilentlyLostDeviceIsReopenedOnceItReturnsAndLeftAloneUntilThen)
{
    Rig rig (R"(<DEVICESETUP deviceType="Fake" audioOutputDeviceName="A" audioInputDeviceName=""/>)");
    ASSERT_EQ (rig.current(), "A");
    ASSERT_TRUE (rig.playing());

    // While the chosen device runs a check does nothing: no scan, no reopening.
    const auto scansWhileRunning = rig.type->scans;
    for (int i = 0; i < 3; ++i)
        rig.deliverAndCheck();
    EXPECT_EQ (rig.type->scans, scansWhileRunning);

    // Gone, as a JACK server goes. The closed device is left to its driver's threads for a
    // second: no type is asked for devices meanwhile (for JACK that opens a client).
    rig.vanishSilently ("A");
    rig.waitOutTheClose();
    EXPECT_EQ (rig.type->scans, scansWhileRunning);
    EXPECT_NE (rig.device(), nullptr);

    // Then nothing to return to for a while, and B is no stand-in.
    for (int i = 0; i < 5; ++i)
    {
        rig.dispatchChanges();
        rig.deliverAndCheck();
    }
    EXPECT_FALSE (rig.playing());
    EXPECT_GT (rig.type->scans, scansWhileRunning);
    EXPECT_EQ (rig.type->created, 1);
    EXPECT_EQ (rig.savedDevice(), "A");

    // Back: the next check reopens it, and the player, still the callback, runs on it again.
    rig.type->present.add ("A");
    rig.recovery->check();
    EXPECT_EQ (rig.current(), "A");
    ASSERT_TRUE (rig.playing());
    const auto blocks = rig.player.getBlocksDelivered();
    rig.device()->deliver();
    EXPECT_EQ (rig.player.getBlocksDelivered(), blocks + 1);
    EXPECT_EQ (rig.savedDevice(), "A");
}

TEST (DeviceRecovery, DeviceThatPlaysButDeliversNothingIsReopened)
{
    Rig rig (R"(<DEVICESETUP deviceType="Fake" audioOutputDeviceName="A"/>)");

    for (int i = 0; i < 5; ++i)
        rig.deliverAndCheck();
    EXPECT_EQ (rig.type->created, 1);

    for (int i = 1; i < DeviceRecovery::quietChecksForLoss; ++i)
        rig.recovery->check();
    EXPECT_EQ (rig.type->created, 1) << "a moment of quiet is not yet a loss";
    rig.recovery->check();
    EXPECT_EQ (rig.type->created, 2);
    EXPECT_TRUE (rig.playing());
}

TEST (DeviceRecovery, FrameworksFallbackIsNeverSavedAndIsLeftWhenTheChosenDeviceReturns)
{
    Rig rig (R"(<DEVICESETUP deviceType="Fake" audioOutputDeviceName="A" audioDeviceRate="48000"/>)");

    // Unplugged, as on Windows: the framework hears of it and falls back to B.
    rig.type->present.removeString ("A");
    rig.type->announce();
    rig.dispatchChanges();
    rig.deliverAndCheck();
    ASSERT_EQ (rig.current(), "B");

    // The user ticks a MIDI input and leaves the stand-in as it is.
    rig.runDialog ([&]
                   {
                       // The user is choosing: a device that returns meanwhile is not reopened.
                       rig.type->present.add ("A");
                       rig.type->announce();
                       rig.dispatchChanges();
                       rig.recovery->check();
                       EXPECT_EQ (rig.current(), "B");
                   },
                   "Keys");

    const auto saved = rig.settings->getXmlValue ("audioDeviceState");
    ASSERT_NE (saved, nullptr);
    EXPECT_EQ (saved->getStringAttribute ("audioOutputDeviceName"), "A");
    EXPECT_EQ (saved->getStringAttribute ("audioDeviceRate"), "48000");
    EXPECT_NE (saved->getChildByName ("MIDIINPUT"), nullptr) << "the MIDI choice made in the dialog is kept";

    rig.recovery->check();
    EXPECT_EQ (rig.current(), "A");
    EXPECT_TRUE (rig.playing());

    // Gone and back again, announced each time: the announcement alone brings it back.
    rig.type->present.removeString ("A");
    rig.type->announce();
    rig.dispatchChanges();
    ASSERT_EQ (rig.current(), "B");
    rig.type->present.add ("A");
    rig.type->announce();
    rig.dispatchChanges();
    rig.dispatchChanges();
    EXPECT_EQ (rig.current(), "A");
}

TEST (DeviceRecovery, DevicePickedInTheDialogIsTheNewChoice)
{
    Rig rig (R"(<DEVICESETUP deviceType="Fake" audioOutputDeviceName="A"/>)");
    rig.vanishSilently ("A");
    rig.recovery->check();

    rig.runDialog ([&]
                   {
                       auto setup = rig.manager.getAudioDeviceSetup();
                       setup.outputDeviceName = "B";
                       ASSERT_TRUE (rig.manager.setAudioDeviceSetup (setup, true).isEmpty());
                   });

    rig.type->present.add ("A");
    rig.recovery->check();
    rig.dispatchChanges();
    EXPECT_EQ (rig.current(), "B");
    EXPECT_EQ (rig.savedDevice(), "B");
}

TEST (DeviceRecovery, SavedDeviceRunningItsOutputAloneIsTheChosenOneAndComesBackThatWay)
{
    // The plug-in takes no input: the saved device runs without the input it names.
    Rig rig (R"(<DEVICESETUP deviceType="Fake" audioOutputDeviceName="A" audioInputDeviceName="A"/>)", false, { "A" });
    ASSERT_EQ (rig.current(), "A");
    ASSERT_EQ (rig.input(), "");

    for (int i = 0; i < 3; ++i)
    {
        rig.dispatchChanges();
        rig.deliverAndCheck();
    }
    EXPECT_EQ (rig.type->created, 1);
    EXPECT_EQ (rig.input(), "");

    rig.vanishSilently ("A");
    rig.waitOutTheClose();
    rig.deliverAndCheck();
    rig.type->present.add ("A");
    rig.recovery->check();
    EXPECT_EQ (rig.current(), "A");
    EXPECT_TRUE (rig.playing());
    EXPECT_EQ (rig.input(), "");
    EXPECT_EQ (SavedDeviceState::deviceOf (rig.settings->getXmlValue ("audioDeviceState").get()).input, "A");
}

TEST (DeviceRecovery, InputPickedInTheDialogStaysAndAMidiChangeKeepsTheSavedInput)
{
    // The plug-in takes no input, so the saved device runs its output alone.
    Rig rig (R"(<DEVICESETUP deviceType="Fake" audioOutputDeviceName="A" audioInputDeviceName="A"/>)", false, { "A" });
    ASSERT_EQ (rig.input(), "");

    // A MIDI change alone keeps the saved input, and the device keeps running as it did.
    rig.runDialog ([] {}, "Keys");
    EXPECT_EQ (SavedDeviceState::deviceOf (rig.settings->getXmlValue ("audioDeviceState").get()).input, "A");
    rig.deliverAndCheck();
    rig.deliverAndCheck();
    EXPECT_EQ (rig.type->created, 1);

    // The user picks an input: it is stored, and it is not undone by a reopen.
    rig.runDialog ([&]
                   {
                       rig.manager.setAudioDeviceSetup (SavedDeviceState::setupOf (*juce::parseXML (
                                                            R"(<DEVICESETUP audioOutputDeviceName="A" audioInputDeviceName="A"/>)")),
                                                        true);
                   });
    ASSERT_EQ (rig.input(), "A");
    const auto created = rig.type->created;
    for (int i = 0; i < 3; ++i)
    {
        rig.dispatchChanges();
        rig.deliverAndCheck();
    }
    EXPECT_EQ (rig.input(), "A");
    EXPECT_EQ (rig.type->created, created) << "the device was reopened without the input the user picked";
    EXPECT_EQ (SavedDeviceState::deviceOf (rig.settings->getXmlValue ("audioDeviceState").get()).input, "A");
}

//==============================================================================
TEST (DeviceFallback, OnlySharedWasapiDirectSoundAlsaAndJackStandInAndNeverTheFailedType)
{
    const juce::StringArray windows { "Windows Audio", "Windows Audio (Exclusive Mode)",
                                      "Windows Audio (Low Latency Mode)", "DirectSound" };
    EXPECT_EQ (DeviceFallback::typesToTry (windows, "Windows Audio"), juce::StringArray ("DirectSound"));
    EXPECT_EQ (DeviceFallback::typesToTry (windows, "DirectSound"), juce::StringArray ("Windows Audio"));
    EXPECT_EQ (DeviceFallback::typesToTry (windows, "Windows Audio (Exclusive Mode)"),
               juce::StringArray ("Windows Audio", "DirectSound"));
    EXPECT_EQ (DeviceFallback::typesToTry ({ "ALSA", "JACK" }, "ALSA"), juce::StringArray ("JACK"));
    EXPECT_EQ (DeviceFallback::typesToTry ({ "JACK", "ALSA" }, ""), juce::StringArray ("ALSA", "JACK"));
    EXPECT_TRUE (DeviceFallback::typesToTry ({ "Fake" }, "ALSA").isEmpty());
}

TEST (DeviceFallback, SavedDeviceThatWillNotRunGivesWayToAnotherTypesDefaultWhichIsNeverStored)
{
    // As on Windows: the saved WASAPI device is there but refuses to run; DirectSound plays.
    juce::AudioDeviceManager manager;
    auto wasapi = std::make_unique<FakeDeviceType> ("Windows Audio");
    wasapi->refusing = wasapi->present;
    auto* wasapiType = wasapi.get();
    manager.addAudioDeviceType (std::move (wasapi));
    manager.addAudioDeviceType (std::make_unique<FakeDeviceType> ("Windows Audio (Exclusive Mode)"));
    auto directSound = std::make_unique<FakeDeviceType> ("DirectSound");
    directSound->present = { "Primary", "Other" };
    manager.addAudioDeviceType (std::move (directSound));

    const auto saved = juce::parseXML (R"(<DEVICESETUP deviceType="Windows Audio" audioOutputDeviceName="B"/>)");
    manager.initialise (0, 2, saved.get(), true);
    ASSERT_FALSE (DeviceFallback::isRunning (manager.getCurrentAudioDevice()));

    EXPECT_EQ (DeviceFallback::openDefaultOfAnotherType (manager, manager.getCurrentAudioDeviceType()), "DirectSound");
    EXPECT_TRUE (DeviceFallback::isRunning (manager.getCurrentAudioDevice()));
    EXPECT_EQ (manager.getCurrentAudioDeviceType(), "DirectSound");
    EXPECT_EQ (manager.getAudioDeviceSetup().outputDeviceName, "Primary");
    EXPECT_TRUE (manager.createStateXml()->isEquivalentTo (saved.get(), false));

    // Nothing of another type runs either: none is left running, and it says so.
    wasapiType->refusing.clear();
    manager.closeAudioDevice();
    EXPECT_EQ (DeviceFallback::openDefaultOfAnotherType (manager, "Windows Audio (Exclusive Mode)"), "Windows Audio");
}

TEST (DeviceFallback, DeviceThatWillNotOpenAllItsOutputsOpensWithTwoTheSavedOneIfListed)
{
    // Devices that list more outputs than they open, as the application asks for all of them.
    juce::AudioDeviceManager manager;
    auto owned = std::make_unique<FakeDeviceType> ("Windows Audio");
    auto* type = owned.get();
    type->twoOutputsOnly = type->present;
    manager.addAudioDeviceType (std::move (owned));
    const auto saved = juce::parseXML (R"(<DEVICESETUP deviceType="Windows Audio" audioOutputDeviceName="B"/>)");
    manager.initialise (0, 256, saved.get(), true);
    ASSERT_FALSE (DeviceFallback::isRunning (manager.getCurrentAudioDevice()));

    EXPECT_TRUE (DeviceFallback::openFirstTwoOutputs (manager, saved.get()));
    EXPECT_EQ (manager.getAudioDeviceSetup().outputDeviceName, "B");
    EXPECT_EQ (manager.getAudioDeviceSetup().outputChannels.countNumberOfSetBits(), 2);
    EXPECT_TRUE (manager.createStateXml()->isEquivalentTo (saved.get(), false)) << "stored as the user's choice";

    // A saved device that is not listed gives way to the type's default one.
    const auto gone = juce::parseXML (R"(<DEVICESETUP deviceType="Windows Audio" audioOutputDeviceName="Gone"/>)");
    EXPECT_TRUE (DeviceFallback::openFirstTwoOutputs (manager, gone.get()));
    EXPECT_EQ (manager.getAudioDeviceSetup().outputDeviceName, "A");

    // Nothing to open: no device that opens even with two, or none listed.
    type->refusing = type->present;
    EXPECT_FALSE (DeviceFallback::openFirstTwoOutputs (manager, saved.get()));
    type->present.clear();
    EXPECT_FALSE (DeviceFallback::openFirstTwoOutputs (manager, saved.get()));
}

TEST (DeviceRecovery, ChosenDeviceThatIsGoneIsWaitedForOnAnotherTypesDefault)
{
    // As on Linux: ALSA's device goes and does not come back for a while; a JACK server runs.
    Rig rig (R"(<DEVICESETUP deviceType="ALSA" audioOutputDeviceName="A"/>)", true, {}, "ALSA");
    auto jack = std::make_unique<FakeDeviceType> ("JACK");
    jack->present = { "system" };
    rig.manager.addAudioDeviceType (std::move (jack));
    ASSERT_EQ (rig.current(), "A");

    rig.type->present.clear();
    rig.vanishSilently ("A");
    rig.waitOutTheClose();
    rig.deliverAndCheck();
    EXPECT_EQ (rig.manager.getCurrentAudioDeviceType(), "JACK");
    EXPECT_EQ (rig.current(), "system");
    EXPECT_TRUE (rig.playing());
    EXPECT_EQ (rig.savedDevice(), "A");

    // While the stand-in runs nothing else is tried; the chosen device is taken back as soon
    // as it is there.
    rig.deliverAndCheck();
    EXPECT_EQ (rig.current(), "system");
    rig.type->present.add ("A");
    rig.deliverAndCheck();
    EXPECT_EQ (rig.manager.getCurrentAudioDeviceType(), "ALSA");
    EXPECT_EQ (rig.current(), "A");
    EXPECT_TRUE (rig.playing());
    EXPECT_EQ (rig.savedDevice(), "A");
}

TEST (DeviceRecovery, ChosenDeviceThatOpensButNeverDeliversIsGivenUpForAnotherTypesDefault)
{
    // As WASAPI's exclusive mode under Wine: it opens and starts, and no block ever comes.
    ExclusiveWasapiRig rig;
    ASSERT_TRUE (rig.playing());

    for (int i = 0; i < 2 * DeviceRecovery::quietChecksBeforeFirstBlock + 2 && rig.manager.getCurrentAudioDeviceType() != "Windows Audio"; ++i)
        rig.recovery->check();
    EXPECT_EQ (rig.type->created, 2) << "reopened once before it is given up";
    EXPECT_EQ (rig.manager.getCurrentAudioDeviceType(), "Windows Audio");
    EXPECT_EQ (rig.current(), "Speakers");

    // The stand-in plays and stays; the choice stays as saved.
    for (int i = 0; i < 4; ++i)
        rig.deliverAndCheck();
    EXPECT_EQ (rig.current(), "Speakers");
    EXPECT_EQ (rig.type->created, 2);
    EXPECT_EQ (rig.savedDevice(), "A");
}

TEST (DeviceRecovery, ChosenDeviceThatHasPlayedIsNeverGivenUpWhileItComesBackQuiet)
{
    // As ALSA's "default" through a sound server that is restarting: the device stops
    // delivering, and reopened meanwhile it opens and stays quiet, again and again.
    Rig rig (R"(<DEVICESETUP deviceType="Fake" audioOutputDeviceName="A"/>)");
    rig.addStandInType ("JACK", "system");
    rig.deliverAndCheck();

    for (int i = 0; i < DeviceRecovery::quietChecksForLoss + 4 * DeviceRecovery::quietChecksBeforeFirstBlock; ++i)
        rig.recovery->check();
    EXPECT_EQ (rig.manager.getCurrentAudioDeviceType(), "Fake") << "no other type stands in for it";
    EXPECT_EQ (rig.type->created, 6) << "reopened after each quiet spell, a longer one before a first block";

    // The server is back: the reopened device delivers and is kept.
    rig.deliverAndCheck();
    for (int i = 0; i < 2 * DeviceRecovery::quietChecksForLoss; ++i)
        rig.deliverAndCheck();
    EXPECT_EQ (rig.type->created, 6);
    EXPECT_EQ (rig.current(), "A");
}

TEST (DeviceRecovery, ChosenDeviceThatWillNotOpenLeavesAnotherTypesDefaultPlaying)
{
    // As WASAPI's exclusive and low-latency modes under Wine: listed, and every open refused.
    ExclusiveWasapiRig rig;
    const auto refusedAtStart = [&] (const juce::StringArray& present)
    {
        rig.recovery->stop();
        rig.manager.closeAudioDevice();
        rig.manager.setCurrentAudioDeviceType ("Windows Audio (Exclusive Mode)", false);
        rig.type->present = present;
        rig.type->refusing = { "A" };
        ASSERT_EQ (DeviceFallback::openDefaultOfAnotherType (rig.manager, "Windows Audio (Exclusive Mode)"), "Windows Audio");
        rig.recovery->start();
        rig.type->created = 0;
    };

    // Start-up tried it: the stand-in that start-up opened is left playing.
    refusedAtStart ({ "A" });
    for (int i = 0; i < 4; ++i)
        rig.deliverAndCheck();
    EXPECT_EQ (rig.type->created, 0);
    EXPECT_EQ (rig.current(), "Speakers");
    EXPECT_TRUE (rig.playing());

    // Listed only later: each refused try brings the stand-in straight back, and the tries end.
    refusedAtStart ({});
    rig.type->present = { "A" };
    for (int i = 0; i < 4; ++i)
    {
        rig.deliverAndCheck();
        EXPECT_EQ (rig.current(), "Speakers");
        EXPECT_TRUE (rig.playing());
    }
    const auto tries = rig.type->created;
    EXPECT_GT (tries, 0);
    rig.deliverAndCheck();
    EXPECT_EQ (rig.type->created, tries);
    EXPECT_EQ (rig.savedDevice(), "A");

    // One that ran before is waited for however often it refuses, and taken back.
    Rig ran (R"(<DEVICESETUP deviceType="Fake" audioOutputDeviceName="A"/>)");
    ran.deliverAndCheck();
    ran.type->refusing = { "A" };
    ran.device()->close();
    for (int i = 0; i < 4; ++i)
        ran.deliverAndCheck();
    ran.type->refusing.clear();
    ran.deliverAndCheck();
    EXPECT_EQ (ran.current(), "A");
    EXPECT_TRUE (ran.playing());
}
