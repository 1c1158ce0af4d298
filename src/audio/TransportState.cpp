#include "TransportState.h"

namespace Transport
{
    static std::int64_t samplesAt (double seconds, double sampleRate) noexcept
    {
        return static_cast<std::int64_t> (sampleRate * seconds);
    }

    TransportState applyMachineControl (TransportState state, int command, double sampleRate) noexcept
    {
        switch (command)
        {
            case stop:
                state.isPlaying = false;
                state.timeInSamples = 0;
                state.timeInSeconds = 0.0;
                break;

            case play:
            case pause:
                // Pause starts or continues the transport; only stop halts it.
                state.isPlaying = true;
                break;

            case fastForward:
                if (sampleRate > 0.0)
                {
                    state.timeInSeconds += 1.0;
                    state.timeInSamples = samplesAt (state.timeInSeconds, sampleRate);
                }
                break;

            case rewind:
                if (sampleRate > 0.0)
                {
                    state.timeInSeconds -= 1.0;

                    if (state.timeInSeconds < 0.0)
                        state.timeInSeconds = 0.0;

                    state.timeInSamples = samplesAt (state.timeInSeconds, sampleRate);
                }
                break;

            case recordStrobe: state.isRecording = true; break;
            case recordExit: state.isRecording = false; break;
            default: break;
        }

        return state;
    }

    TransportState advance (TransportState state, std::int64_t numSamples, double sampleRate) noexcept
    {
        if (state.isPlaying && sampleRate > 0.0)
        {
            state.timeInSamples += numSamples;
            state.timeInSeconds += static_cast<double> (numSamples) / sampleRate;
        }

        return state;
    }
}
