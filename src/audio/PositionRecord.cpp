#include "PositionRecord.h"

TransportState PositionRecord::read() const noexcept
{
    for (;;)
    {
        const auto before = sequence.load (std::memory_order_acquire);

        if ((before & 1u) == 0)
        {
            const auto copy = load();
            std::atomic_thread_fence (std::memory_order_acquire);

            if (sequence.load (std::memory_order_relaxed) == before)
                return copy;
        }
    }
}

std::uint32_t PositionRecord::beginWrite() noexcept
{
    auto current = sequence.load (std::memory_order_relaxed);

    for (;;)
    {
        if ((current & 1u) == 0
            && sequence.compare_exchange_weak (current, current + 1,
                                               std::memory_order_acquire,
                                               std::memory_order_relaxed))
            break;

        current = sequence.load (std::memory_order_relaxed);
    }

    // The odd sequence is visible before any field changes.
    std::atomic_thread_fence (std::memory_order_release);
    return current + 1;
}

void PositionRecord::endWrite (std::uint32_t claimed) noexcept
{
    sequence.store (claimed + 1, std::memory_order_release);
}

TransportState PositionRecord::load() const noexcept
{
    TransportState state;
    state.bpm           = bpm.load (std::memory_order_relaxed);
    state.timeInSamples = timeInSamples.load (std::memory_order_relaxed);
    state.timeInSeconds = timeInSeconds.load (std::memory_order_relaxed);
    state.isPlaying     = isPlaying.load (std::memory_order_relaxed);
    state.isRecording   = isRecording.load (std::memory_order_relaxed);
    return state;
}

void PositionRecord::store (const TransportState& state) noexcept
{
    bpm.store (state.bpm, std::memory_order_relaxed);
    timeInSamples.store (state.timeInSamples, std::memory_order_relaxed);
    timeInSeconds.store (state.timeInSeconds, std::memory_order_relaxed);
    isPlaying.store (state.isPlaying, std::memory_order_relaxed);
    isRecording.store (state.isRecording, std::memory_order_relaxed);
}
