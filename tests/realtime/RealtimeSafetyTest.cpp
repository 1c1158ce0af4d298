#include "hosting/MiniHostCallbacks.h"
#include "support/AllocationCounter.h"
#include "support/ModuleLoader.h"
#include "support/PlayerRig.h"

#include <gtest/gtest.h>

#include <array>

namespace
{
    using Command = Transport::MachineControlCommand;

    /** The MIDI a player sees on a busy evening: notes, controllers, pitch bend, the
        transport commands and an instrument's system-exclusive reply, all made before
        counting starts.
    */
    std::vector<juce::MidiMessage> traffic()
    {
        const auto mmc = [] (int command)
        {
            const std::uint8_t bytes[] { 0xf0, 0x7f, 0x7f, 0x06, (std::uint8_t) command, 0xf7 };
            return juce::MidiMessage (bytes, 6);
        };

        const std::uint8_t reply[] { 0xf0, 0x00, 0x21, 0x7d, 0x01, 0x10, 0x20, 0x30, 0x40,
                                     0x50, 0x60, 0x70, 0x01, 0x02, 0x03, 0xf7 };

        return { juce::MidiMessage::noteOn (1, 60, (std::uint8_t) 100), mmc (Command::play),
                 juce::MidiMessage::controllerEvent (1, 2, 64), mmc (Command::fastForward),
                 juce::MidiMessage::pitchWheel (1, 9000), mmc (Command::rewind),
                 juce::MidiMessage::noteOff (1, 60), mmc (Command::recordStrobe),
                 juce::MidiMessage (reply, (int) sizeof (reply)),
                 mmc (Command::pause), mmc (Command::recordExit), mmc (Command::stop) };
    }

    /** The plug-in's tempo call-back lands on the rig's player, as in the application. */
    struct TempoToPlayer final : public MiniHostCallbacks::Host
    {
        explicit TempoToPlayer (TransportAudioProcessorPlayer& p)
            : player (p) {}
        void openSettingsDialogForPlugin() override {}
        void setTempoForPlugin (double bpm) noexcept override { player.setTempo (bpm); }
        TransportAudioProcessorPlayer& player;
    };

    struct Workload
    {
        int pluginOutputs, deviceOutputs, deviceBuffer, blockLength;
    };

    class RealtimeSafety : public ::testing::TestWithParam<Workload>
    {
    };

    TEST_P (RealtimeSafety, AudioAndMidiCallbacksNeverTouchTheHeap)
    {
        const auto load = GetParam();
        PlayerRig rig (0, load.pluginOutputs, 48000.0, load.deviceBuffer, 2, load.deviceOutputs);
        rig.attach();

        TempoToPlayer host (rig.player);
        MiniHostCallbacks callbacks (&rig, host);
        callbacks.startAnswering();
        const auto setTempo = MiniHostCallbacks::tempoCallback();

        const auto messages = traffic();
        auto message = messages.front();

        const auto runOneBlock = [&] (int block)
        {
            // Copies and time stamps are made outside the counted calls, as a MIDI input
            // makes them before calling the player.
            for (int i = 0; i < 3; ++i)
            {
                message = messages[(size_t) (block * 3 + i) % messages.size()];
                message.setTimeStamp (juce::Time::getMillisecondCounterHiRes() * 0.001);

                const AllocationCounter counting;
                rig.player.handleIncomingMidiMessage (nullptr, message);
            }

            const AllocationCounter counting;
            // The plug-in sets the tempo from the audio thread, through its call-back.
            setTempo (&rig, 100.0f + (float) (block % 40));
            rig.runBlock (load.blockLength);
            (void) rig.player.getPosition();
        };

        // Warm up: the framework's MIDI buffers grow to the traffic's size once.
        for (int block = 0; block < 200; ++block)
            runOneBlock (block);

        AllocationCounter::reset();

        for (int block = 0; block < 5000; ++block)
            runOneBlock (block);

        EXPECT_EQ (AllocationCounter::allocations(), 0u);
        EXPECT_EQ (AllocationCounter::frees(), 0u);
        EXPECT_GT (rig.probe.blocks, 5000);
        EXPECT_GT (rig.probe.midiSeen, 15000u);
    }

    INSTANTIATE_TEST_SUITE_P (Layouts, RealtimeSafety, ::testing::Values (Workload { 2, 2, 256, 256 }, Workload { 4, 2, 256, 256 }, Workload { 1, 6, 64, 64 }, Workload { 2, 2, 256, 1000 })); // longer than the device buffer: processed in pieces

    TEST (AllocationCounterSelfCheck, SeesTheFrameworksAllocationsInsideTheScopeOnly)
    {
        AllocationCounter::reset();
        juce::MemoryBlock outside (1000);
        {
            const AllocationCounter counting;
            juce::MemoryBlock inside (1000);
            juce::String text (juce::String::repeatedString ("x", 100));
            EXPECT_EQ (text.length() + (int) inside.getSize(), 1100);
        }

        EXPECT_EQ (AllocationCounter::allocations(), 2u);
        EXPECT_EQ (AllocationCounter::frees(), 2u);
    }

    /** The real VST 2.x path: the reference plug-in loaded through the framework's hosting as
        the application loads it. The hosting copies every system-exclusive event (machine
        control included) into its VST event list with new[], and frees the copy when that
        slot of the list is used again: one allocation per such event, the only one left.
        One message a block and a new note each round, so that the plug-in's synthesiser (its
        notes ring on for 0.3 s, longer when struck again) never runs short of voices: the
        framework's synthesiser steals one with a list that it allocates.
    */
    TEST (RealtimeSafetyOfTheVstPath, OnlyTheHostingsCopyOfEachSystemExclusiveEventTouchesTheHeap)
    {
        juce::String error;
        const auto plugin = loadModule (TOLVANE_REFERENCE_MODULE, error);
        ASSERT_NE (plugin, nullptr) << error;

        PlayerRig rig (0, 2, 48000.0, 256, 2, 2);
        rig.attach (*plugin);

        const auto messages = traffic();
        std::size_t sent = 0, midiCallAllocations = 0, blockAllocations = 0, blockFrees = 0,
                    systemExclusive = 0, blocksOffTheirCount = 0;

        const auto runOneBlock = [&]
        {
            auto message = messages[sent % messages.size()];

            if (message.isNoteOnOrOff())
                message.setNoteNumber (48 + (int) (sent / messages.size()) % 24);

            ++sent;
            message.setTimeStamp (juce::Time::getMillisecondCounterHiRes() * 0.001);
            const std::size_t copies = message.getRawDataSize() > 4 ? 1u : 0u;

            AllocationCounter::reset();
            {
                const AllocationCounter counting;
                rig.player.handleIncomingMidiMessage (nullptr, message);
            }

            midiCallAllocations += AllocationCounter::allocations() + AllocationCounter::frees();
            AllocationCounter::reset();
            {
                const AllocationCounter counting;
                rig.runBlock (256);
            }

            if (AllocationCounter::allocations() != copies)
                ++blocksOffTheirCount;

            blockAllocations += AllocationCounter::allocations();
            blockFrees += AllocationCounter::frees();
            systemExclusive += copies;
        };

        // Warm up: the framework's MIDI buffers grow to the traffic's size once.
        for (int block = 0; block < 200; ++block)
            runOneBlock();

        midiCallAllocations = blockAllocations = blockFrees = systemExclusive = blocksOffTheirCount = 0;

        for (int block = 0; block < 3000; ++block)
            runOneBlock();

        EXPECT_EQ (midiCallAllocations, 0u);
        EXPECT_EQ (blocksOffTheirCount, 0u);
        EXPECT_EQ (blockAllocations, systemExclusive);
        EXPECT_EQ (blockFrees, blockAllocations);
        EXPECT_EQ (systemExclusive, 2000u);
    }
}
