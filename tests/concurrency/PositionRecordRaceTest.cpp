#include "support/PlayerRig.h"

#include <gtest/gtest.h>

#include <atomic>
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
}
