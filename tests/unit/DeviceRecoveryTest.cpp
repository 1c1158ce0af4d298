#include "audio/DeviceRecovery.h"
#include "audio/TransportAudioProcessorPlayer.h"

#include <gtest/gtest.h>

#include <array>

// The recovery on a device manager whose only device type is a fake one: its devices vanish
// and return as a JACK server does (the device closes by itself, the type says nothing) or as
// a Windows interface does (the type announces the new list and the framework falls back).

namespace
{
    class FakeDeviceType;

    class FakeDevice final : public juce::AudioIODevice
    {
    public:
        FakeDevice (const juce::String& deviceName, FakeDeviceType& owner)
            : juce::AudioIODevice (deviceName, "Fake"), type (owner) {}
        ~FakeDevice() override;

        juce::StringArray getOutputChannelNames() override        { return { "1", "2" }; }
        juce::StringArray getInputChannelNames() override         { return {}; }
        juce::Array<double> getAvailableSampleRates() override    { return { 48000.0 }; }
        juce::Array<int> getAvailableBufferSizes() override       { return { 256 }; }
        int getDefaultBufferSize() override                       { return 256; }
        juce::String open (const juce::BigInteger&, const juce::BigInteger& outs, double, int) override
        {
            opened = true;
            outputs = outs;
            return {};
        }
        void close() override                                     { stop(); opened = false; }
        bool isOpen() override                                    { return opened; }
        void start (juce::AudioIODeviceCallback* newCallback) override
        {
            newCallback->audioDeviceAboutToStart (this);
            callback = newCallback;
        }
        void stop() override
        {
            if (auto* old = std::exchange (callback, nullptr))
                old->audioDeviceStopped();
        }
        bool isPlaying() override                                 { return callback != nullptr; }
        juce::String getLastError() override                      { return {}; }
        int getCurrentBufferSizeSamples() override                { return 256; }
        double getCurrentSampleRate() override                    { return 48000.0; }
        int getCurrentBitDepth() override                         { return 32; }
        juce::BigInteger getActiveOutputChannels() const override { return outputs; }
        juce::BigInteger getActiveInputChannels() const override  { return {}; }
        int getOutputLatencyInSamples() override                  { return 0; }
        int getInputLatencyInSamples() override                   { return 0; }

        /** One block through the device manager to its callbacks. */
        void deliver()
        {
            std::array<float, 256> left {}, right {};
            std::array<float*, 2> channels { left.data(), right.data() };
            if (callback != nullptr)
                callback->audioDeviceIOCallbackWithContext (nullptr, 0, channels.data(), 2, 256, {});
        }

    private:
        FakeDeviceType& type;
        bool opened = false;
        juce::BigInteger outputs;
        juce::AudioIODeviceCallback* callback = nullptr;
    };

    class FakeDeviceType final : public juce::AudioIODeviceType
    {
    public:
        FakeDeviceType() : juce::AudioIODeviceType ("Fake") {}

        void scanForDevices() override                               { ++scans; }
        juce::StringArray getDeviceNames (bool forInput) const override { return forInput ? juce::StringArray() : present; }
        int getDefaultDeviceIndex (bool) const override              { return 0; }
        int getIndexOfDevice (juce::AudioIODevice* device, bool) const override
        {
            return device != nullptr ? present.indexOf (device->getName()) : -1;
        }
        bool hasSeparateInputsAndOutputs() const override            { return true; }
        juce::AudioIODevice* createDevice (const juce::String& output, const juce::String&) override
        {
            if (! present.contains (output))
                return nullptr;
            ++created;
            live = new FakeDevice (output, *this);
            return live;
        }

        /** The device goes; like JACK, the open one closes itself and nobody is told. */
        void vanishSilently (const juce::String& name)
        {
            present.removeString (name);
            if (live != nullptr && live->getName() == name)
                live->close();
        }

        /** The device goes or comes, and the type tells the device manager, as on Windows. */
        void announce()                                              { callDeviceChangeListeners(); }

        juce::StringArray present { "A", "B" };
        FakeDevice* live = nullptr;
        int scans = 0, created = 0;
    };

    FakeDevice::~FakeDevice()
    {
        if (type.live == this)
            type.live = nullptr;
    }

    struct Rig
    {
        explicit Rig (const juce::String& savedState)
        {
            settings = std::make_unique<juce::PropertiesFile> (file.getFile(), juce::PropertiesFile::Options());
            if (savedState.isNotEmpty())
                settings->setValue ("audioDeviceState", juce::parseXML (savedState).get());

            auto ownedType = std::make_unique<FakeDeviceType>();
            type = ownedType.get();
            manager.addAudioDeviceType (std::move (ownedType));
            manager.initialise (0, 2, settings->getXmlValue ("audioDeviceState").get(), true);
            manager.addAudioCallback (&player);

            recovery = std::make_unique<DeviceRecovery> (manager, *settings, [this] { return player.getBlocksDelivered(); });
            recovery->start();
        }

        ~Rig()
        {
            recovery.reset();
            manager.removeAudioCallback (&player);
        }

        juce::String current()                 { auto* d = manager.getCurrentAudioDevice(); return d != nullptr ? d->getName() : "none"; }
        bool playing()                         { auto* d = manager.getCurrentAudioDevice(); return d != nullptr && d->isPlaying(); }
        juce::String savedDevice()             { return DeviceRecovery::choiceFromState (settings->getXmlValue ("audioDeviceState").get()).output; }
        void deliverAndCheck()                 { if (type->live != nullptr) type->live->deliver(); recovery->check(); }
        void dispatchChanges()                 { manager.dispatchPendingMessages(); }

        juce::TemporaryFile file { ".settings" };
        std::unique_ptr<juce::PropertiesFile> settings;
        juce::AudioDeviceManager manager;
        FakeDeviceType* type = nullptr;
        TransportAudioProcessorPlayer player;
        std::unique_ptr<DeviceRecovery> recovery;
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

    // Gone, as a JACK server goes: nothing to return to for a while, and B is no stand-in.
    rig.type->vanishSilently ("A");
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
    rig.type->live->deliver();
    EXPECT_EQ (rig.player.getBlocksDelivered(), blocks + 1);
    EXPECT_EQ (rig.savedDevice(), "A");
}

TEST (DeviceRecovery, DeviceThatPlaysButDeliversNothingIsReopened)
{
    Rig rig (R"(<DEVICESETUP deviceType="Fake" audioOutputDeviceName="A"/>)");

    for (int i = 0; i < 5; ++i)
        rig.deliverAndCheck();
    EXPECT_EQ (rig.type->created, 1);

    rig.recovery->check();
    EXPECT_EQ (rig.type->created, 1) << "one quiet second is not yet a loss";
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

    {
        const DeviceRecovery::SettingsDialogScope choosing (rig.recovery.get());

        // The dialog saves the device manager's state, which names the stand-in.
        rig.settings->setValue ("audioDeviceState", juce::parseXML (R"(<DEVICESETUP deviceType="Fake" audioOutputDeviceName="B">)"
                                                                    R"(<MIDIINPUT name="Keys"/></DEVICESETUP>)").get());

        // The user is choosing: a device that returns meanwhile is not reopened.
        rig.type->present.add ("A");
        rig.type->announce();
        rig.dispatchChanges();
        rig.recovery->check();
        EXPECT_EQ (rig.current(), "B");
    }

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
    rig.type->vanishSilently ("A");
    rig.recovery->check();

    {
        const DeviceRecovery::SettingsDialogScope choosing (rig.recovery.get());
        auto setup = rig.manager.getAudioDeviceSetup();
        setup.outputDeviceName = "B";
        ASSERT_TRUE (rig.manager.setAudioDeviceSetup (setup, true).isEmpty());
        rig.settings->setValue ("audioDeviceState", rig.manager.createStateXml().get());
    }

    rig.type->present.add ("A");
    rig.recovery->check();
    rig.dispatchChanges();
    EXPECT_EQ (rig.current(), "B");
    EXPECT_EQ (rig.savedDevice(), "B");
}
