#include "devices/SavedDeviceState.h"
#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

namespace
{
    std::unique_ptr<juce::XmlElement> xml (const char* text)
    {
        return juce::parseXML (text);
    }

    juce::String text (const juce::XmlElement* state)
    {
        return SettingsStore::xmlValue (state).toString();
    }

    const char* const savedWithInput = R"(<DEVICESETUP deviceType="JACK" audioOutputDeviceName="system" )"
                                       R"(audioInputDeviceName="system" audioDeviceRate="48000.0"/>)";
}

TEST (SavedDeviceState, OneNameStandsForBothDirectionsAndWithoutInputNamesTheOutputAlone)
{
    // Of a name given twice (a hand-edited file), the first counts, as for the framework.
    const auto both = xml (R"(<DEVICESETUP deviceType="JACK" audioDeviceName="system" audioOutputDeviceName="x" audioDeviceInChans="11" )"
                           R"(audioDeviceName="other" audioDeviceInChans="1"><MIDIINPUT name="Keys"/></DEVICESETUP>)");
    EXPECT_EQ (SavedDeviceState::deviceOf (both.get()), (SavedDeviceState::Device { "JACK", "system", "system" }));
    EXPECT_TRUE (SavedDeviceState::deviceOf (xml ("<OTHER audioDeviceName=\"system\"/>").get()).isEmpty());
    EXPECT_TRUE (SavedDeviceState::deviceOf (nullptr).isEmpty());

    const auto alone = SavedDeviceState::withoutInput (*both);
    EXPECT_EQ (SavedDeviceState::deviceOf (alone.get()), (SavedDeviceState::Device { "JACK", "system", "" }));
    EXPECT_FALSE (alone->hasAttribute ("audioDeviceName") || alone->hasAttribute ("audioDeviceInChans"));
    EXPECT_NE (alone->getChildByName ("MIDIINPUT"), nullptr);

    const auto setup = SavedDeviceState::setupOf (*alone);
    EXPECT_EQ (setup.outputDeviceName, "system");
    EXPECT_EQ (setup.inputDeviceName, "");
    EXPECT_TRUE (setup.useDefaultOutputChannels);
}

TEST (SavedDeviceState, WhatTheDialogStores)
{
    const auto saved = xml (savedWithInput);
    const auto alone = SavedDeviceState::withoutInput (*saved);

    // Nothing changed: the saved state, byte for byte; without one, the device manager's.
    EXPECT_EQ (text (SavedDeviceState::toStoreAfterDialog (saved.get(), alone.get(), alone.get()).get()), text (saved.get()));
    EXPECT_EQ (text (SavedDeviceState::toStoreAfterDialog (nullptr, alone.get(), alone.get()).get()), text (alone.get()));
    EXPECT_EQ (SavedDeviceState::toStoreAfterDialog (nullptr, nullptr, nullptr), nullptr);

    // Only MIDI changed while the device ran its output alone (or a stand-in ran): the saved
    // device, its input included, with the new MIDI set-up.
    auto midi = std::make_unique<juce::XmlElement> (*alone);
    midi->createNewChildElement ("MIDIINPUT")->setAttribute ("name", "Keys");
    const auto kept = SavedDeviceState::toStoreAfterDialog (saved.get(), alone.get(), midi.get());
    EXPECT_EQ (SavedDeviceState::deviceOf (kept.get()).input, "system");
    EXPECT_EQ (kept->getStringAttribute ("audioDeviceRate"), "48000.0");
    EXPECT_NE (kept->getChildByName ("MIDIINPUT"), nullptr);

    // Only MIDI changed on the saved device as it is: the device manager's state as it is.
    auto savedMidi = std::make_unique<juce::XmlElement> (*saved);
    savedMidi->createNewChildElement ("MIDIINPUT")->setAttribute ("name", "Keys");
    EXPECT_EQ (text (SavedDeviceState::toStoreAfterDialog (saved.get(), saved.get(), savedMidi.get()).get()), text (savedMidi.get()));

    // The device changed: the device manager's state.
    const auto other = xml (R"(<DEVICESETUP deviceType="JACK" audioOutputDeviceName="other"/>)");
    EXPECT_EQ (text (SavedDeviceState::toStoreAfterDialog (saved.get(), alone.get(), other.get()).get()), text (other.get()));
    EXPECT_EQ (text (SavedDeviceState::toStoreAfterDialog (saved.get(), nullptr, other.get()).get()), text (other.get()));
}

TEST (SavedDeviceState, ReadOnceAndWrittenOnlyThroughTheDialog)
{
    juce::TemporaryFile file (".settings");
    juce::PropertiesFile settings (file.getFile(), juce::PropertiesFile::Options());
    settings.setValue ("audioDeviceState", "<NOTADEVICE/>");
    EXPECT_EQ (SavedDeviceState (settings).get(), nullptr) << "only a device state counts";

    settings.setValue ("audioDeviceState", savedWithInput);
    SavedDeviceState state (settings);
    ASSERT_NE (state.get(), nullptr);

    // What another instance writes later does not change this run's choice.
    settings.setValue ("audioDeviceState", R"(<DEVICESETUP audioOutputDeviceName="elsewhere"/>)");
    EXPECT_EQ (SavedDeviceState::deviceOf (state.get()).output, "system");

    const auto other = xml (R"(<DEVICESETUP deviceType="JACK" audioOutputDeviceName="other"/>)");
    ASSERT_TRUE (state.storeAfterDialog (nullptr, other.get()));
    EXPECT_EQ (SavedDeviceState::deviceOf (state.get()).output, "other");
    EXPECT_EQ (juce::PropertiesFile (file.getFile(), juce::PropertiesFile::Options()).getValue ("audioDeviceState"), text (other.get()));
}
