#include "PlayHeadWatch.h"

PlayHeadWatch::PlayHeadWatch (juce::AudioPlayHead& playHead) noexcept
    : source (playHead)
{
}

juce::Optional<juce::AudioPlayHead::PositionInfo> PlayHeadWatch::getPosition() const
{
    // The mark is read before the position: a query that read its position before the mark
    // was set (and so perhaps before the command it marks) must not be kept as the answer.
    auto moment = pending.load();
    const auto position = source.getPosition();
    ++queries;

    if (moment >= 0 && position.hasValue() && pending.compare_exchange_strong (moment, -1))
    {
        auto& slot = slots[(size_t) moment];
        slot.seen.captured = true;
        slot.seen.playing = position->getIsPlaying();
        slot.seen.samples = position->getTimeInSamples().orFallback (0);
        slot.seen.seconds = position->getTimeInSeconds().orFallback (0.0);
        slot.seen.bpm = position->getBpm().orFallback (0.0);
        slot.ready.store (true, std::memory_order_release);
    }

    return position;
}

void PlayHeadWatch::expect (Moment moment) noexcept
{
    pending = (int) moment;
}

PlayHeadWatch::Seen PlayHeadWatch::seenAt (Moment moment) const noexcept
{
    const auto& slot = slots[(size_t) moment];
    return slot.ready.load (std::memory_order_acquire) ? slot.seen : Seen {};
}
