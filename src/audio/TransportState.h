#pragma once

#include <cstdint>

/** The moving part of the play head: tempo, position and the playing and recording flags.
    Everything else the play head reports is constant (4/4, no musical position, 24 fps, no
    loop). A plain value; PositionRecord shares it between threads.
*/
struct TransportState
{
    double bpm = 120.0;
    std::int64_t timeInSamples = 0;
    double timeInSeconds = 0.0;
    bool isPlaying = false;
    bool isRecording = false;
};

namespace Transport
{
    /** The MIDI Machine Control commands that the transport follows; every other command
        byte leaves it alone.
    */
    enum MachineControlCommand : int
    {
        stop = 0x01,
        play = 0x02,
        fastForward = 0x04,
        rewind = 0x05,
        recordStrobe = 0x06,
        recordExit = 0x07,
        pause = 0x09
    };

    /** Applies one MMC command byte. One fast-forward or rewind step is one second at any
        tempo; the sample position then follows from the seconds at sampleRate, truncated.
        With no sample rate (0: no plug-in attached) fast forward and rewind do nothing.
    */
    TransportState applyMachineControl (TransportState state, int command, double sampleRate) noexcept;

    /** Moves a playing transport on by numSamples at sampleRate: one block, or the blocks
        that the audio thread still owes the record. The seconds are a running sum of these
        durations. Does nothing while stopped or without a sample rate.
    */
    TransportState advance (TransportState state, std::int64_t numSamples, double sampleRate) noexcept;
}
