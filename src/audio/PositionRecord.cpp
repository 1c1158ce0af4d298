#include "PositionRecord.h"

TransportState PositionRecord::read() const noexcept
{
    for (;;)
    {
        // The copy's loads acquire: had one seen a store made after the sequence moved, the
        // sequence read after them would have moved too.
        const auto before = sequence.load (std::memory_order_acquire);
        const auto copy = copies[before & 1u].load();

        if (sequence.load (std::memory_order_relaxed) == before)
            return copy;
    }
}

void PositionRecord::claim() noexcept
{
    for (;;)
    {
        auto expected = false;

        if (writing.compare_exchange_weak (expected, true, std::memory_order_acquire,
                                           std::memory_order_relaxed))
            return;
    }
}

void PositionRecord::publish (const TransportState& state) noexcept
{
    const auto current = sequence.load (std::memory_order_relaxed);

    // Readers go to the second copy before the first one changes (the copy's stores release,
    // so they cannot be seen before the sequence they follow)...
    sequence.store (current + 1, std::memory_order_relaxed);
    copies[0].store (state);

    // ...and back to the complete first copy before the second one changes.
    sequence.store (current + 2, std::memory_order_release);
    copies[1].store (state);
}

void PositionRecord::release() noexcept
{
    writing.store (false, std::memory_order_release);
}

TransportState PositionRecord::Copy::load() const noexcept
{
    TransportState state;
    state.bpm           = bpm.load (std::memory_order_acquire);
    state.timeInSamples = timeInSamples.load (std::memory_order_acquire);
    state.timeInSeconds = timeInSeconds.load (std::memory_order_acquire);
    state.isPlaying     = isPlaying.load (std::memory_order_acquire);
    state.isRecording   = isRecording.load (std::memory_order_acquire);
    return state;
}

void PositionRecord::Copy::store (const TransportState& state) noexcept
{
    bpm.store (state.bpm, std::memory_order_release);
    timeInSamples.store (state.timeInSamples, std::memory_order_release);
    timeInSeconds.store (state.timeInSeconds, std::memory_order_release);
    isPlaying.store (state.isPlaying, std::memory_order_release);
    isRecording.store (state.isRecording, std::memory_order_release);
}
