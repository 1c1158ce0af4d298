#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <array>
#include <atomic>
#include <cstdint>

/** Stands between the plug-in and the player's play head: forwards every query unchanged,
    counts the queries and keeps the position of the first query after a marked moment (a
    transport command sent to the player). Queries come on the audio thread: nothing here
    locks or allocates.
*/
class PlayHeadWatch final : public juce::AudioPlayHead
{
public:
    enum Moment
    {
        afterPlay = 0,
        afterStop = 1
    };

    /** One position as the plug-in was given it. */
    struct Seen
    {
        bool captured = false, playing = false;
        std::int64_t samples = 0;
        double seconds = 0.0, bpm = 0.0;
    };

    explicit PlayHeadWatch (juce::AudioPlayHead& source) noexcept;

    juce::Optional<PositionInfo> getPosition() const override;

    /** The next query that starts after this call is kept as the one seen at this moment.
        Call it after the command has reached the source. Message thread.
    */
    void expect (Moment moment) noexcept;

    /** What was kept for the moment (captured false while nothing has been). Any thread. */
    Seen seenAt (Moment moment) const noexcept;

    std::int64_t getQueries() const noexcept { return queries.load(); }

private:
    struct Slot
    {
        Seen seen;
        std::atomic<bool> ready { false };
    };

    juce::AudioPlayHead& source;
    mutable std::atomic<std::int64_t> queries { 0 };
    mutable std::atomic<int> pending { -1 };
    mutable std::array<Slot, 2> slots;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PlayHeadWatch)
};
