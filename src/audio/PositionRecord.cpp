#include "PositionRecord.h"

TransportState PositionRecord::read() const noexcept
{
    for (;;)
    {
        // The copy's loads acquire: had one seen a store made after the sequence moved, the
        // sequence read after them would have moved too. The total played is read after the
        // copy, so it is never less than what the copy holds of it. The total and the tempo
        // change without moving the sequence: what they hold within the check, they held
        // while the copy was the record's.
        const auto before = sequence.load (std::memory_order_acquire);
        const auto entry = copies[before & 1u].load();
        const auto played = samplesPlayed.load (std::memory_order_acquire);
        const auto rate = playedRate.load (std::memory_order_acquire);
        const auto bpm = tempo.load (std::memory_order_acquire);

        if (sequence.load (std::memory_order_relaxed) == before)
        {
            auto state = withOwedSamples (entry, played, rate).state;
            state.bpm = bpm;
            return state;
        }
    }
}

void PositionRecord::setTempo (double beatsPerMinute) noexcept
{
    tempo.store (beatsPerMinute, std::memory_order_release);
}

void PositionRecord::advance (int numSamples, double sampleRate) noexcept
{
    if (numSamples <= 0 || ! (sampleRate > 0.0))
        return;

    // The rate before the total: whoever sees the new total sees its rate.
    playedRate.store (sampleRate, std::memory_order_release);
    samplesPlayed.store (samplesPlayed.load (std::memory_order_relaxed) + numSamples,
                         std::memory_order_release);

    // Another writer inside folds the samples in with its next update, or a later block does.
    if (! tryClaim())
        return;

    NoPause noPause;
    publish (currentEntry(), noPause);
    release();
}

PositionRecord::Entry PositionRecord::withOwedSamples (Entry entry, std::int64_t played, double rate) noexcept
{
    const auto owed = played - entry.samplesCounted;

    // Counted whether playing or not: samples played while stopped are not owed later.
    if (owed > 0)
    {
        entry.state = Transport::advance (entry.state, owed, rate);
        entry.samplesCounted = played;
    }

    return entry;
}

PositionRecord::Entry PositionRecord::currentEntry() const noexcept
{
    // The total before its rate, as advance() stores them the other way round.
    const auto played = samplesPlayed.load (std::memory_order_acquire);
    return withOwedSamples (copies[0].load(), played, playedRate.load (std::memory_order_acquire));
}

void PositionRecord::claim() noexcept
{
    while (! tryClaim())
    {
    }
}

bool PositionRecord::tryClaim() noexcept
{
    auto expected = false;
    return writing.compare_exchange_strong (expected, true, std::memory_order_acquire,
                                            std::memory_order_relaxed);
}

void PositionRecord::release() noexcept
{
    writing.store (false, std::memory_order_release);
}

PositionRecord::Entry PositionRecord::Copy::load() const noexcept
{
    Entry entry;
    entry.state.timeInSamples = timeInSamples.load (std::memory_order_acquire);
    entry.state.timeInSeconds = timeInSeconds.load (std::memory_order_acquire);
    entry.state.isPlaying = isPlaying.load (std::memory_order_acquire);
    entry.state.isRecording = isRecording.load (std::memory_order_acquire);
    entry.samplesCounted = samplesCounted.load (std::memory_order_acquire);
    return entry;
}

void PositionRecord::Copy::store (const Entry& entry) noexcept
{
    timeInSamples.store (entry.state.timeInSamples, std::memory_order_release);
    timeInSeconds.store (entry.state.timeInSeconds, std::memory_order_release);
    isPlaying.store (entry.state.isPlaying, std::memory_order_release);
    isRecording.store (entry.state.isRecording, std::memory_order_release);
    samplesCounted.store (entry.samplesCounted, std::memory_order_release);
}
