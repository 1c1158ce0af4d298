#include "PositionRecord.h"

TransportState PositionRecord::read() const noexcept
{
    for (;;)
    {
        const auto before = sequence.load (std::memory_order_acquire);
        const auto copy = copies[before & 1u].load();
        std::atomic_thread_fence (std::memory_order_acquire);

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

    // Readers go to the second copy before the first one changes...
    sequence.store (current + 1, std::memory_order_relaxed);
    std::atomic_thread_fence (std::memory_order_release);
    copies[0].store (state);

    // ...and back to the (complete) first copy before the second one changes.
    sequence.store (current + 2, std::memory_order_release);
    std::atomic_thread_fence (std::memory_order_release);
    copies[1].store (state);
}

void PositionRecord::release() noexcept
{
    writing.store (false, std::memory_order_release);
}

TransportState PositionRecord::Copy::load() const noexcept
{
    TransportState state;
    state.bpm           = bpm.load (std::memory_order_relaxed);
    state.timeInSamples = timeInSamples.load (std::memory_order_relaxed);
    state.timeInSeconds = timeInSeconds.load (std::memory_order_relaxed);
    state.isPlaying     = isPlaying.load (std::memory_order_relaxed);
    state.isRecording   = isRecording.load (std::memory_order_relaxed);
    return state;
}

void PositionRecord::Copy::store (const TransportState& state) noexcept
{
    bpm.store (state.bpm, std::memory_order_relaxed);
    timeInSamples.store (state.timeInSamples, std::memory_order_relaxed);
    timeInSeconds.store (state.timeInSeconds, std::memory_order_relaxed);
    isPlaying.store (state.isPlaying, std::memory_order_relaxed);
    isRecording.store (state.isRecording, std::memory_order_relaxed);
}
