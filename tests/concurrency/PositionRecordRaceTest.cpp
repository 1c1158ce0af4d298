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

    /** A machine-control writer held inside its update, while it computes its change or once
        it has sent readers to the second copy, until it goes out of scope; after two seconds
        it goes on by itself, so that an audio thread waiting for it shows as a slow block.
    */
    struct HeldWriter
    {
        HeldWriter (PositionRecord& record, bool midPublish, int command)
            : thread ([this, &record, midPublish, command]
                      {
                          const auto change = [&] (TransportState state)
                          {
                              if (! midPublish)
                                  hold();

                              return Transport::applyMachineControl (state, command, rate);
                          };

                          if (midPublish)
                              record.update (change, [this]
                                             {
                                                 hold();
                                             });
                          else
                              record.update (change);
                      })
        {
            while (! inside)
                std::this_thread::yield();
        }

        ~HeldWriter()
        {
            open = true;
            thread.join();
        }

        void hold()
        {
            inside = true;
            const auto until = juce::Time::getMillisecondCounterHiRes() + 2000.0;

            while (! open && juce::Time::getMillisecondCounterHiRes() < until)
                std::this_thread::yield();
        }

        std::atomic<bool> inside { false }, open { false };
        std::thread thread;
    };

    class HeldWriterTest : public ::testing::TestWithParam<bool>
    {
    };

    TEST_P (HeldWriterTest, AudioCallbackNeverWaitsForItAndItsBlocksCountOnceInOrder)
    {
        PlayerRig rig (0, 2, rate, blockLength, 0, 2);
        rig.attach();
        rig.sendMachineControl (Command::play);
        rig.runBlock (blockLength);

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
            HeldWriter writer (rig.player.positionRecord, GetParam(), Command::recordStrobe);
            runBlocks (1000);
            EXPECT_EQ (rig.transport().timeInSamples, expected);
        }

        // Far above a block's cost, far below the writer's two seconds; a shared machine may
        // still preempt the audio thread itself for a while.
        EXPECT_LT (slowestMs, 50.0);

        // The writer's change took effect, and the next update builds on the blocks it held up.
        rig.sendMachineControl (Command::fastForward);
        expected += (std::int64_t) rate;
        EXPECT_TRUE (rig.transport().isRecording);
        EXPECT_EQ (rig.transport().timeInSamples, expected);
        EXPECT_EQ (rig.transport().timeInSeconds * rate, (double) expected);

        // Blocks still owed when a STOP comes are reset with the rest, never added after it.
        std::thread stop;
        {
            HeldWriter writer (rig.player.positionRecord, GetParam(), 0x03 /* no change */);
            runBlocks (10);
            stop = std::thread ([&]
                                {
                                    rig.sendMachineControl (Command::stop);
                                });
        }

        stop.join();
        EXPECT_EQ (wrongPlayHeads, 0);
        rig.sendMachineControl (Command::play);
        rig.runBlock (blockLength);
        EXPECT_EQ (rig.probe.lastPosition->getTimeInSamples().orFallback (-1), 0);
        EXPECT_EQ (rig.transport().timeInSamples, blockLength);
    }

    INSTANTIATE_TEST_SUITE_P (WhileChangingOrMidPublish, HeldWriterTest, ::testing::Bool());
}
