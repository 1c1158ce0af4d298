#pragma once

#include "TransportState.h"

#include <atomic>
#include <cstdint>

/** The transport shared by the audio thread (advance, play head queries), the MIDI thread
    (machine control) and the tempo call-back, without locks or allocation.

    A sequence lock: a writer makes the sequence odd, writes, and makes it even again; a
    reader copies the fields and keeps the copy only if the sequence was even and unchanged
    around it, so a read never mixes two updates. Writers exclude each other through the same
    sequence; their sections are a handful of stores, so a second writer or a reader retries
    for nanoseconds at most. The fields are relaxed atomics so that the copy races with nothing.
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
        const auto claimed = beginWrite();
        store (change (load()));
        endWrite (claimed);
    }

private:
    std::uint32_t beginWrite() noexcept;
    void endWrite (std::uint32_t claimed) noexcept;
    TransportState load() const noexcept;
    void store (const TransportState& state) noexcept;

    mutable std::atomic<std::uint32_t> sequence { 0 };
    std::atomic<double> bpm { 120.0 };
    std::atomic<std::int64_t> timeInSamples { 0 };
    std::atomic<double> timeInSeconds { 0.0 };
    std::atomic<bool> isPlaying { false };
    std::atomic<bool> isRecording { false };

    static_assert (std::atomic<double>::is_always_lock_free
                   && std::atomic<std::int64_t>::is_always_lock_free,
                   "the record's fields must be lock-free atomics");
};
