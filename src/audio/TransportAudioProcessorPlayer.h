#pragma once

#include "PositionRecord.h"

#include <juce_audio_devices/juce_audio_devices.h>
#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_audio_utils/juce_audio_utils.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

/** Drives the one hosted plug-in from the audio device and is its play head.

    On top of the framework's player: the plug-in's output channels are folded onto however
    many outputs the device has, wrapping round (channels beyond the device's outputs are
    processed in the player's work buffer and added on afterwards); the player keeps
    a transport (120 bpm in 4/4 until the plug-in sets a tempo) that advances while playing and
    follows MIDI Machine Control from every registered MIDI input; every MIDI message still
    reaches the plug-in with the next block.

    Threads: the audio thread runs the audio callback and, through the plug-in, getPosition();
    the MIDI driver's thread runs handleIncomingMidiMessage(); setTempo() runs wherever the
    plug-in calls it; everything else runs on the message thread. None of the real-time paths
    allocates, logs or takes a lock of its own, and the audio callback never waits for the
    other threads (see PositionRecord).
*/
class TransportAudioProcessorPlayer final : public juce::AudioProcessorPlayer,
                                            public juce::AudioPlayHead
{
public:
    TransportAudioProcessorPlayer();
    ~TransportAudioProcessorPlayer() override;

    /** Attaches the plug-in (or none), as the framework's player does, and takes over its
        sample rate for the transport. Message thread, before or while the device runs.
    */
    void setProcessor (juce::AudioProcessor* processorToPlay);

    void audioDeviceIOCallbackWithContext (const float* const* inputChannelData,
                                           int numInputChannels,
                                           float* const* outputChannelData,
                                           int numOutputChannels,
                                           int numSamples,
                                           const juce::AudioIODeviceCallbackContext& context) override;

    /** Prepares the plug-in for the device and gives the work buffer the device's buffer
        length; the channel count stays what attaching made it.
    */
    void audioDeviceAboutToStart (juce::AudioIODevice* device) override;

    /** Releases the plug-in, as the framework's player does, when the device stops on the
        message thread. A device that stops by itself (a JACK server gone) says so on a thread of
        its driver; the plug-in is then released on the message thread a moment later, unless
        the device has started again meanwhile. That thread may be inside a call of the plug-in
        (the settings dialog runs inside one) holding the hosting's lock that every call into
        the plug-in takes: releasing it from the driver's thread would wait for that call to end,
        holding the device manager's locks that the dialog needs.
    */
    void audioDeviceStopped() override;

    /** Applies MIDI Machine Control to the transport at once and queues every message, MMC
        or not, for the plug-in's next block.
    */
    void handleIncomingMidiMessage (juce::MidiInput* source, const juce::MidiMessage& message) override;

    /** The transport as the plug-in sees it; never fails. */
    juce::Optional<juce::AudioPlayHead::PositionInfo> getPosition() const override;

    /** Sets the tempo that the play head reports. Any thread; never waits. */
    void setTempo (double beatsPerMinute) noexcept;

    /** The sample rate the transport counts in: the attached plug-in's, 0 with none. */
    double getTransportSampleRate() const noexcept { return transportSampleRate.load(); }

    /** How many device blocks have reached the audio callback, wrapping round: a device that
        stops delivering shows as a count that stands still. Any thread.
    */
    std::uint32_t getBlocksDelivered() const noexcept { return blocksDelivered.load (std::memory_order_relaxed); }

    /** One channel per plug-in output, one device buffer long: its length is what the
        plug-in processes at a time, and its surplus channels hold what is folded onto the
        device's outputs. Attaching sets the channel count (before the device calls the
        player); each device start sets the length.
    */
    juce::AudioSampleBuffer workBuffer { 1, 1 };

    /** The transport that the play head reports. */
    PositionRecord positionRecord;

    /** The most device input channels that a block may carry (the device manager opens at
        most 256).
    */
    static constexpr int maxDeviceChannels = 256;

    /** Room in the queue of MIDI for the next block, made once: a burst of up to this many
        bytes (with six bytes' bookkeeping per message) never allocates on the MIDI thread.
    */
    static constexpr size_t midiQueueBytes = 65536;

private:
    void processPiece (const float* const* inputChannelData, int numInputChannels,
                       float* const* outputChannelData, int numOutputChannels,
                       int offset, int numSamples,
                       const juce::AudioIODeviceCallbackContext& context);

    /** Runs a release that a driver's thread asked for, on the message thread. */
    struct DeferredRelease final : public juce::AsyncUpdater
    {
        explicit DeferredRelease (TransportAudioProcessorPlayer& playerToRelease)
            : player (playerToRelease) {}
        ~DeferredRelease() override { cancelPendingUpdate(); }
        void handleAsyncUpdate() override;

        TransportAudioProcessorPlayer& player;
        std::atomic<bool> pending { false };
    };

    DeferredRelease deferredRelease { *this };
    std::atomic<double> transportSampleRate { 0.0 };
    std::atomic<std::uint32_t> blocksDelivered { 0 };
    std::array<const float*, maxDeviceChannels> pieceInputs {};
    std::vector<float*> channelTargets;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TransportAudioProcessorPlayer)
};
