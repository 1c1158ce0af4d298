#include "support/PlayerRig.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
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
                record.update ([&] (TransportState state)
                {
                    if (i % 8 == 7)
                        state = Transport::applyMachineControl (state, commands[(i / 8) % 4], rate);

                    state.bpm = i % 2 == 0 ? 100.0 : 140.0;
                    return Transport::advance (state, blockLength, rate);
                });
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

        for (auto& reader : readers)
            reader.join();

        EXPECT_EQ (inconsistentReads.load(), 0);
        EXPECT_GT (reads.load(), 1000);
    }
}
