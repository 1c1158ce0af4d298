#pragma once

#include "TransportState.h"

#include <atomic>
#include <cstdint>

/** The transport shared by the audio thread (advance, play head queries), the MIDI thread
    (machine control) and the tempo call-back, without locks or allocation.

    A sequence latch: the record is kept twice. A writer first turns the sequence odd, which
    sends readers to the second copy, rewrites the first, turns the sequence even, which sends
    readers back to the first copy, and rewrites the second. A reader copies the copy that the
    sequence names and keeps it only if the sequence did not move meanwhile. So a reader never
    sees a half-written record and never waits for a writer, even one that was preempted in
    the middle of its update; it only retries when an update finished during its copy.

    Writers exclude each other with a flag; an update is a dozen stores, so a second writer
    spins for nanoseconds unless the first was preempted inside it. The fields are atomics
    stored with release and loaded with acquire (plain moves on x86), so that a copy taken
    during an update races with nothing and needs no fence.
*/
class PositionRecord final
{
public:
    PositionRecord() = default;

    /** A consistent copy of the whole record. Any thread. */
    TransportState read() const noexcept;

    /** Replaces the record by change (state), atomically for every reader. change must be
        short and must not block. Any thread.
    */
    template <typename Change>
    void update (Change&& change) noexcept
    {
        claim();
        publish (change (copies[0].load()));
        release();
    }

private:
    struct Copy
    {
        TransportState load() const noexcept;
        void store (const TransportState& state) noexcept;

        std::atomic<double> bpm { 120.0 };
        std::atomic<std::int64_t> timeInSamples { 0 };
        std::atomic<double> timeInSeconds { 0.0 };
        std::atomic<bool> isPlaying { false };
        std::atomic<bool> isRecording { false };
    };

    void claim() noexcept;
    void publish (const TransportState& state) noexcept;
    void release() noexcept;

    std::atomic<std::uint64_t> sequence { 0 };
    std::atomic<bool> writing { false };
    Copy copies[2];

    static_assert (std::atomic<double>::is_always_lock_free
                   && std::atomic<std::int64_t>::is_always_lock_free
                   && std::atomic<std::uint64_t>::is_always_lock_free,
                   "the record's fields must be lock-free atomics");
};
