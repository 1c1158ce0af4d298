// Any MIDI byte stream, cut into pieces as a driver hands them over and joined into messages
// by the framework's own splitter (running status, system-exclusive of any length, real-time
// bytes inside other messages), reaches the player between audio blocks. After every message
// and every block the transport holds: position never negative, tempo finite and in range,
// flags as the last command left them; only MIDI Machine Control moves it.
#include "FuzzSupport.h"

#include "support/PlayerRig.h"

#include <juce_audio_basics/midi/juce_MidiDataConcatenator.h>

#include <cmath>

namespace
{
    constexpr double rate = 48000.0;

    bool isMachineControl (const juce::MidiMessage& message)
    {
        const auto* bytes = message.getRawData();
        return message.getRawDataSize() > 5 && bytes[0] == 0xf0 && bytes[1] == 0x7f && bytes[3] == 0x06;
    }

    void requireSane (const TransportState& state)
    {
        FuzzSupport::require (state.timeInSamples >= 0 && state.timeInSeconds >= 0.0 && std::isfinite (state.timeInSeconds),
                              "position " + juce::String (state.timeInSamples) + " / " + juce::String (state.timeInSeconds));
        FuzzSupport::require (std::isfinite (state.bpm) && state.bpm > 0.0 && state.bpm <= 1000.0,
                              "tempo " + juce::String (state.bpm));

        // Samples and seconds count the same time (fast forward truncates, blocks add up).
        const auto samplesFromSeconds = state.timeInSeconds * rate;
        FuzzSupport::require (std::abs ((double) state.timeInSamples - samplesFromSeconds) <= 1.0 + 1.0e-9 * samplesFromSeconds,
                              "samples and seconds disagree");
    }

    /** Receives what the splitter makes of the bytes, as the device manager's MIDI callback. */
    struct Driver
    {
        void handleIncomingMidiMessage (juce::MidiInput* source, const juce::MidiMessage& message)
        {
            const auto before = rig.transport();
            rig.player.handleIncomingMidiMessage (source, message);
            const auto after = rig.transport();
            requireSane (after);

            if (! isMachineControl (message))
            {
                FuzzSupport::require (after.timeInSamples == before.timeInSamples && after.isPlaying == before.isPlaying
                                          && after.isRecording == before.isRecording,
                                      "a message other than MMC moved the transport: " + juce::String::toHexString (message.getRawData(), message.getRawDataSize()));
                return;
            }

            switch (message.getRawData()[4])
            {
                case Transport::stop:
                    FuzzSupport::require (! after.isPlaying && after.timeInSamples == 0, "STOP left it playing or away from zero");
                    break;
                case Transport::play:
                case Transport::pause: FuzzSupport::require (after.isPlaying, "PLAY left it stopped"); break;
                case Transport::recordStrobe: FuzzSupport::require (after.isRecording, "RECORD STROBE did not record"); break;
                case Transport::recordExit: FuzzSupport::require (! after.isRecording, "RECORD EXIT kept recording"); break;
                case Transport::fastForward:
                case Transport::rewind: break;
                default:
                    FuzzSupport::require (after.timeInSamples == before.timeInSamples && after.isPlaying == before.isPlaying
                                              && after.isRecording == before.isRecording,
                                          "an unknown MMC command moved the transport");
            }
        }

        void handlePartialSysexMessage (juce::MidiInput*, const std::uint8_t*, int, double) {}

        PlayerRig& rig;
    };
}

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    FuzzSupport::initialiseFramework();

    FuzzedDataProvider input (data, size);
    PlayerRig rig (0, 2, rate, 256, 0, 2);
    rig.attach();

    // As the ALSA input thread splits: a buffer of a few bytes at a time, any length of
    // system-exclusive carried over from one to the next.
    juce::MidiDataConcatenator splitter (2048);
    Driver driver { rig };
    juce::MidiInput* const source = nullptr;

    while (input.remaining_bytes() > 0)
    {
        const auto piece = input.ConsumeBytes<std::uint8_t> (input.ConsumeIntegralInRange<std::size_t> (1, 32));
        splitter.pushMidiData (piece.data(), (int) piece.size(), juce::Time::getMillisecondCounterHiRes() * 0.001, source, driver);

        // A block now and then, of any length a driver delivers (longer ones come in pieces).
        if (input.ConsumeBool())
        {
            const auto before = rig.transport();
            const auto length = input.ConsumeIntegralInRange (1, 1024);
            rig.runBlock (length);
            const auto after = rig.transport();
            requireSane (after);
            FuzzSupport::require (after.isPlaying == before.isPlaying && after.isRecording == before.isRecording,
                                  "a block changed the flags");
            FuzzSupport::require (after.timeInSamples == before.timeInSamples + (before.isPlaying ? length : 0),
                                  "a block moved the transport by " + juce::String (after.timeInSamples - before.timeInSamples));
        }
    }

    return 0;
}
