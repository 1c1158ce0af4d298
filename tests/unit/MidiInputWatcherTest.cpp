#include "devices/MidiInputWatcher.h"

#include <gtest/gtest.h>

// What a look decides, from the enabled inputs that the device manager's state names, the
// inputs present at the last look and now, and which identifiers have an input open.

namespace
{
    using Step = MidiInputWatcher::Step;
    using Devices = juce::Array<juce::MidiDeviceInfo>;

    const juce::MidiDeviceInfo wx { "Tolvane WX", "20-0" }, wxAgain { "Tolvane WX", "24-0" },
        keys { "Other Keys", "28-0" };

    std::vector<Step> decide (const Devices& wanted, const Devices& lastLook, const Devices& present,
                              const juce::StringArray& enabled)
    {
        return MidiInputWatcher::decide (wanted, lastLook, present, enabled);
    }
}

TEST (MidiInputWatcherTest, WantedInputsAreThoseOfBothStatesLessThoseTurnedOff)
{
    const auto saved = juce::parseXML (R"(<DEVICESETUP deviceType="JACK">
        <MIDIINPUT name="Tolvane WX" identifier="20-0"/><MIDIINPUT name="Tolvane WX" identifier="20-0"/>
        <MIDIINPUT identifier="30-0"/></DEVICESETUP>)");
    const auto current = juce::parseXML (R"(<DEVICESETUP deviceType="JACK">
        <MIDIINPUT name="Tolvane WX" identifier="24-0"/><MIDIINPUT name="Other Keys" identifier="28-0"/>
        <MIDIINPUT name="Tolvane WX" identifier="20-0"/></DEVICESETUP>)");

    EXPECT_EQ (MidiInputWatcher::wantedInputs (saved.get(), current.get(), {}), (Devices { wx, wxAgain, keys }));
    EXPECT_EQ (MidiInputWatcher::wantedInputs (nullptr, current.get(), { "Other Keys" }), (Devices { wxAgain, wx }));
    EXPECT_TRUE (MidiInputWatcher::wantedInputs (nullptr, nullptr, {}).isEmpty());
}

TEST (MidiInputWatcherTest, OpensOnlyWantedInputsWhoseDeviceIsThere)
{
    // Plugged in after start: opened. A device that nobody enabled: left alone.
    EXPECT_EQ (decide ({ wx }, {}, { wx, keys }, {}), (std::vector<Step> { { "20-0", true } }));
    // Saved under an old identifier, the device is found by name.
    EXPECT_EQ (decide ({ wxAgain }, {}, { wx }, {}), (std::vector<Step> { { "20-0", true } }));
    // Absent: nothing, and the state keeps naming it.
    EXPECT_TRUE (decide ({ wx }, { keys }, { keys }, {}).empty());
    EXPECT_TRUE (decide ({}, {}, { wx, keys }, {}).empty());
}

TEST (MidiInputWatcherTest, AnInputThatRunsIsLeftAlone)
{
    EXPECT_TRUE (decide ({ wx }, { wx }, { wx }, { "20-0" }).empty());
}

TEST (MidiInputWatcherTest, ADeviceBackUnderItsOldIdentifierIsOpenedAgain)
{
    // Its input stayed open on a dead connection while it was away.
    EXPECT_EQ (decide ({ wx }, {}, { wx }, { "20-0" }),
               (std::vector<Step> { { "20-0", false }, { "20-0", true } }));
}

TEST (MidiInputWatcherTest, ADeviceBackUnderANewIdentifierIsOpenedThenItsOldInputCloses)
{
    // Opened first, so that the state never stops naming the input.
    EXPECT_EQ (decide ({ wx }, {}, { wxAgain }, { "20-0" }),
               (std::vector<Step> { { "24-0", true }, { "20-0", false } }));

    // The next look finds both entries in the state and the new input open: nothing to do.
    EXPECT_TRUE (decide ({ wxAgain, wx }, { wxAgain }, { wxAgain }, { "24-0" }).empty());
}

TEST (MidiInputWatcherTest, WhatTheDialogUntickedStaysOffUntilTickedAgain)
{
    auto off = MidiInputWatcher::turnedOffAfterDialog ({}, { "Tolvane WX", "Other Keys" }, { "Other Keys" });
    EXPECT_EQ (off, juce::StringArray ("Tolvane WX"));

    // A dialog that leaves it alone (its device away meanwhile) keeps it off.
    off = MidiInputWatcher::turnedOffAfterDialog (off, { "Other Keys" }, { "Other Keys" });
    EXPECT_EQ (off, juce::StringArray ("Tolvane WX"));

    off = MidiInputWatcher::turnedOffAfterDialog (off, {}, { "Tolvane WX" });
    EXPECT_TRUE (off.isEmpty());
}
