#include "audio/TransportState.h"

#include <gtest/gtest.h>

namespace
{
    using namespace Transport;
    constexpr auto rewind = Transport::rewind;

    TransportState at (double seconds, double rate)
    {
        TransportState state;
        state.timeInSeconds = seconds;
        state.timeInSamples = static_cast<std::int64_t> (seconds * rate);
        return state;
    }

    TEST (MachineControl, RewindClampsAtTheStart)
    {
        const auto state = applyMachineControl (at (0.4, 48000.0), rewind, 48000.0);
        EXPECT_EQ (state.timeInSeconds, 0.0);
        EXPECT_EQ (state.timeInSamples, 0);
    }

    TEST (MachineControl, RewindAndFastForwardMoveOneSecondAndKeepPlaying)
    {
        auto playing = at (2.5, 48000.0);
        playing.isPlaying = true;

        const auto back = applyMachineControl (playing, rewind, 48000.0);
        EXPECT_EQ (back.timeInSeconds, 1.5);
        EXPECT_EQ (back.timeInSamples, 72000);
        EXPECT_TRUE (back.isPlaying);

        const auto forward = applyMachineControl (at (0.0, 48000.0), fastForward, 48000.0);
        EXPECT_EQ (forward.timeInSeconds, 1.0);
        EXPECT_EQ (forward.timeInSamples, 48000);
        EXPECT_FALSE (forward.isPlaying);
    }

    TEST (MachineControl, SamplesAreTruncatedFromSeconds)
    {
        auto state = at (0.0, 44100.0);
        state.timeInSeconds = 0.00001; // 0.441 samples
        EXPECT_EQ (applyMachineControl (state, fastForward, 44100.0).timeInSamples, 44100);

        state.timeInSeconds = 1.99999; // 88199.559 samples after the step back
        EXPECT_EQ (applyMachineControl (state, rewind, 88200.0).timeInSamples, 88199);
    }

    TEST (MachineControl, TempoIsUntouchedByEveryCommand)
    {
        TransportState state;
        state.bpm = 93.5;

        for (int command = 0; command < 0x80; ++command)
            EXPECT_EQ (applyMachineControl (state, command, 48000.0).bpm, 93.5);
    }

    TEST (Advance, OnlyAPlayingTransportWithARateMoves)
    {
        TransportState state;
        EXPECT_EQ (advance (state, 512, 44100.0).timeInSamples, 0);

        state.isPlaying = true;
        EXPECT_EQ (advance (state, 512, 0.0).timeInSamples, 0);

        const auto moved = advance (state, 512, 44100.0);
        EXPECT_EQ (moved.timeInSamples, 512);
        EXPECT_EQ (moved.timeInSeconds, 512.0 / 44100.0);
    }
}
