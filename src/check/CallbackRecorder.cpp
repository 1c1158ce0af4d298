#include "CallbackRecorder.h"

#include "audio/TransportAudioProcessorPlayer.h"

CallbackRecorder::CallbackRecorder (void* handle, TransportAudioProcessorPlayer& playerToSet) noexcept
    : hostHandle (handle), player (playerToSet)
{
}

void CallbackRecorder::settingsCalled (void* handle) noexcept
{
    record (true, handle, 0.0f);
}

void CallbackRecorder::tempoCalled (void* handle, float beatsPerMinute) noexcept
{
    record (false, handle, beatsPerMinute);
}

void CallbackRecorder::record (bool settings, void* handle, float beatsPerMinute) noexcept
{
    const auto index = next.fetch_add (1);

    if (index >= capacity)
        return;

    auto& slot = slots[(size_t) index];
    slot.call.settings = settings;
    slot.call.hostHandle = handle == hostHandle;
    slot.call.messageThread = juce::MessageManager::existsAndIsCurrentThread();
    slot.call.bpm = beatsPerMinute;
    slot.call.handle = reinterpret_cast<std::uintptr_t> (handle);
    slot.stage = stage.load();
    slot.ready.store (true, std::memory_order_release);
}

void CallbackRecorder::openSettingsDialogForPlugin()
{
    ++settingsAnswered;
}

void CallbackRecorder::setTempoForPlugin (double beatsPerMinute) noexcept
{
    player.setTempo (beatsPerMinute);
}

void CallbackRecorder::setStage (Stage newStage) noexcept
{
    stage = newStage;
}

std::vector<CheckVerdicts::CallbackCall> CallbackRecorder::callsAt (Stage wanted) const
{
    std::vector<CheckVerdicts::CallbackCall> result;
    const auto kept = juce::jmin (next.load(), capacity);

    for (int i = 0; i < kept; ++i)
    {
        const auto& slot = slots[(size_t) i];

        // A call still being written down is left for the next look.
        if (slot.ready.load (std::memory_order_acquire) && slot.stage == wanted)
            result.push_back (slot.call);
    }

    return result;
}
