#include "support/PlayerRig.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace
{
    using Command = Transport::MachineControlCommand;

    // At this rate one block of 256 samples lasts exactly 1/256 s, so in every state the
    // writers produce, the seconds times the rate equal the samples exactly; a read that
    // mixed two updates breaks that.
    constexpr double rate = 65536.0;
    constexpr int blockLength = 256;

    bool consistent (const juce::AudioPlayHead::PositionInfo& position)
    {
        const auto samples = position.getTimeInSamples().orFallback (-1);
        const auto seconds = position.getTimeInSeconds().orFallback (-1.0);
        const auto bpm = position.getBpm().orFallback (0.0);

        return seconds * rate == static_cast<double> (samples)
            && (bpm == 120.0 || bpm == 100.0 || bpm == 140.0);
    }

    TEST (PositionRecordRace, AudioMidiAndTempoWritersNeverShowAReaderAHalfUpdate)
    {
        PlayerRig rig (0, 2, rate, blockLength, 0, 2);
        rig.attach();

        std::atomic<bool> audioDone { false };
        std::atomic<int> inconsistentReads { 0 }, reads { 0 };

        std::thread audio ([&]
        {
            // Long enough for the other threads to be scheduled against it many times over.
            const auto until = juce::Time::getMillisecondCounterHiRes() + 500.0;

            for (int block = 0; block < 20000 || juce::Time::getMillisecondCounterHiRes() < until; ++block)
            {
                rig.runBlock (blockLength);

                if (rig.probe.lastPosition.hasValue() && ! consistent (*rig.probe.lastPosition))
                    ++inconsistentReads;
            }

            audioDone = true;
        });

        std::thread midi ([&]
        {
            const int commands[] { Command::play, Command::fastForward, Command::fastForward,
                                   Command::recordStrobe, Command::rewind, Command::pause,
                                   Command::recordExit, Command::stop, Command::play, 0x03 };
            int i = 0;

            while (! audioDone)
                rig.sendMachineControl ((std::uint8_t) commands[i++ % 10]);
        });

        std::thread tempo ([&]
        {
            for (int i = 0; ! audioDone; ++i)
                rig.player.setTempo (i % 2 == 0 ? 100.0 : 140.0);
        });

        std::thread reader ([&]
        {
            while (! audioDone)
            {
                if (! consistent (*rig.player.getPosition()))
                    ++inconsistentReads;

                ++reads;
            }
        });

        for (auto* thread : { &audio, &midi, &tempo, &reader })
            thread->join();

        EXPECT_EQ (inconsistentReads.load(), 0);
        EXPECT_GT (reads.load(), 1000);
        EXPECT_GE (rig.probe.blocks, 20000);
    }

    TEST (PositionRecordRace, TightLoopOfUpdatesNeverShowsAReaderAHalfUpdate)
    {
        // The record alone, as fast as the threads go and more threads than cores, so that
        // writers are preempted in the middle of updates: a read that ignored the sequence
        // would then see half of one.
        PositionRecord record;
        std::atomic<bool> stop { false };
        std::atomic<long> inconsistentReads { 0 }, reads { 0 };

        const auto consistentState = [] (const TransportState& state)
        {
            return state.timeInSeconds * rate == static_cast<double> (state.timeInSamples)
                && (state.bpm == 120.0 || state.bpm == 100.0 || state.bpm == 140.0);
        };

        std::thread writer ([&]
        {
            const int commands[] { Command::play, Command::fastForward, Command::rewind, Command::stop };

            for (int i = 0; ! stop; ++i)
            {
                record.setTempo (i % 2 == 0 ? 100.0 : 140.0);
                record.update ([&] (TransportState state)
                {
                    return Transport::applyMachineControl (state, commands[i % 4], rate);
                });
            }
        });

        // The audio thread's blocks, folded in at once or owed while the writer is inside.
        std::thread audio ([&]
        {
            while (! stop)
                record.advance (blockLength, rate);
        });

        const auto readUntilStopped = [&]
        {
            while (! stop)
            {
                if (! consistentState (record.read()))
                    ++inconsistentReads;

                ++reads;
            }
        };

        std::thread readers[] { std::thread (readUntilStopped), std::thread (readUntilStopped),
                                std::thread (readUntilStopped) };

        std::this_thread::sleep_for (std::chrono::milliseconds (400));
        stop = true;
        writer.join();
        audio.join();

        for (auto& reader : readers)
            reader.join();

        EXPECT_EQ (inconsistentReads.load(), 0);
        EXPECT_GT (reads.load(), 1000);
    }

    /** Where a writer stops: the point inside its update that it reaches, and the gate that lets
        it go on. A writer that nobody lets go goes on by itself after two seconds, so that an
        audio thread waiting for it shows as a slow block instead of a hung test.
    */
    struct Gate
    {
        void holdHere()
        {
            std::unique_lock<std::mutex> lock (mutex);
            inside = true;
            changed.notify_all();
            changed.wait_for (lock, std::chrono::seconds (2), [this] { return open; });
        }

        bool waitUntilInside()
        {
            std::unique_lock<std::mutex> lock (mutex);
            return changed.wait_for (lock, std::chrono::seconds (10), [this] { return inside; });
        }

        void letGo()
        {
            const std::lock_guard<std::mutex> lock (mutex);
            open = true;
            changed.notify_all();
        }

        std::mutex mutex;
        std::condition_variable changed;
        bool inside = false, open = false;
    };

    /** A machine-control writer held inside its update: while it computes its change, or
        (heldMidPublish) after it has sent readers to the second copy.
    */
    std::thread holdWriter (PositionRecord& record, Gate& gate, bool heldMidPublish, int command)
    {
        return std::thread ([&record, &gate, heldMidPublish, command]
        {
            const auto change = [&] (TransportState state)
            {
                if (! heldMidPublish)
                    gate.holdHere();

                return Transport::applyMachineControl (state, command, rate);
            };

            if (heldMidPublish)
                record.update (change, [&] { gate.holdHere(); });
            else
                record.update (change);
        });
    }

    class HeldWriter : public ::testing::TestWithParam<bool> {};

    TEST_P (HeldWriter, AudioCallbackNeverWaitsForItAndItsBlocksCountOnceInOrder)
    {
        PlayerRig rig (0, 2, rate, blockLength, 0, 2);
        rig.attach();
        rig.sendMachineControl (Command::play);
        rig.runBlock (blockLength);

        auto& record = rig.player.positionRecord;
        std::int64_t expected = blockLength;
        double slowestMs = 0.0;
        int wrongPlayHeads = 0;

        const auto runBlocks = [&] (int count)
        {
            for (int block = 0; block < count; ++block, expected += blockLength)
            {
                const auto start = juce::Time::getMillisecondCounterHiRes();
                rig.runBlock (blockLength);
                slowestMs = juce::jmax (slowestMs, juce::Time::getMillisecondCounterHiRes() - start);

                // The plug-in sees its block's first sample, owed blocks included.
                if (rig.probe.lastPosition->getTimeInSamples().orFallback (-1) != expected)
                    ++wrongPlayHeads;
            }
        };

        {
            Gate gate;
            auto writer = holdWriter (record, gate, GetParam(), Command::recordStrobe);
            ASSERT_TRUE (gate.waitUntilInside());
            runBlocks (1000);
            EXPECT_EQ (rig.transport().timeInSamples, expected);
            gate.letGo();
            writer.join();
        }

        // The bound is far above a block's cost and far below the writer's two seconds; a
        // shared machine may still preempt the audio thread itself for a while.
        EXPECT_LT (slowestMs, 50.0);
        EXPECT_EQ (wrongPlayHeads, 0);

        // The writer's change took effect, and the blocks it held up are counted for good: the
        // next update builds on them.
        rig.sendMachineControl (Command::fastForward);
        expected += (std::int64_t) rate;
        auto state = rig.transport();
        EXPECT_TRUE (state.isRecording);
        EXPECT_EQ (state.timeInSamples, expected);
        EXPECT_EQ (state.timeInSeconds * rate, (double) state.timeInSamples);

        // Blocks still owed when a STOP comes are reset with the rest, never added after it.
        {
            Gate gate;
            auto writer = holdWriter (record, gate, GetParam(), 0x03 /* ignored */);
            ASSERT_TRUE (gate.waitUntilInside());
            runBlocks (10);
            std::thread stop ([&] { rig.sendMachineControl (Command::stop); });
            gate.letGo();
            writer.join();
            stop.join();
        }

        rig.sendMachineControl (Command::play);
        rig.runBlock (blockLength);
        EXPECT_EQ (rig.probe.lastPosition->getTimeInSamples().orFallback (-1), 0);
        EXPECT_EQ (rig.transport().timeInSamples, blockLength);

        // A STOP held inside its update stops the transport when it is done; the blocks that
        // overlapped it have no position to advance then.
        {
            Gate gate;
            auto writer = holdWriter (record, gate, GetParam(), Command::stop);
            ASSERT_TRUE (gate.waitUntilInside());
            expected = blockLength;
            runBlocks (10);
            gate.letGo();
            writer.join();
        }

        rig.runBlock (blockLength);
        state = rig.transport();
        EXPECT_FALSE (state.isPlaying);
        EXPECT_EQ (state.timeInSamples, 0);
        EXPECT_EQ (wrongPlayHeads, 0);
    }

    INSTANTIATE_TEST_SUITE_P (WhileChangingOrMidPublish, HeldWriter, ::testing::Bool());
}
