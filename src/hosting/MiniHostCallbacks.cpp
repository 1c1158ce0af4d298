#include "MiniHostCallbacks.h"

#include <atomic>
#include <cmath>

namespace
{
    // The object that answers the call-backs. Read on any thread, written on the message thread.
    std::atomic<MiniHostCallbacks*> answering { nullptr };
    std::atomic<MiniHostCallbacks::Observer*> observing { nullptr };

    MiniHostCallbacks* answeringFor (void* hostHandle) noexcept
    {
        auto* callbacks = answering.load (std::memory_order_acquire);
        return callbacks != nullptr && callbacks->getHostHandle() == hostHandle ? callbacks : nullptr;
    }
}

extern "C"
{
    static void TOLVANE_MINIHOST_CALL tolvaneMiniHostSettings (void* hostHandle)
    {
        MiniHostCallbacks::answerSettings (hostHandle);
    }

    static void TOLVANE_MINIHOST_CALL tolvaneMiniHostTempo (void* hostHandle, float beatsPerMinute)
    {
        MiniHostCallbacks::answerTempo (hostHandle, beatsPerMinute);
    }
}

//==============================================================================
MiniHostCallbacks::MiniHostCallbacks (void* handle, Host& hostToCall) noexcept
    : hostHandle (handle), host (hostToCall)
{
}

MiniHostCallbacks::~MiniHostCallbacks()
{
    stopAnswering();
}

void MiniHostCallbacks::startAnswering() noexcept
{
    answering.store (this, std::memory_order_release);
}

void MiniHostCallbacks::stopAnswering()
{
    auto* self = this;
    answering.compare_exchange_strong (self, nullptr, std::memory_order_acq_rel);
    cancelPendingUpdate();
}

void MiniHostCallbacks::setObserver (Observer* observer) noexcept
{
    observing.store (observer, std::memory_order_release);
}

TolvaneMiniHostSettingsCallback MiniHostCallbacks::settingsCallback() noexcept
{
    return tolvaneMiniHostSettings;
}
TolvaneMiniHostTempoCallback MiniHostCallbacks::tempoCallback() noexcept
{
    return tolvaneMiniHostTempo;
}

void MiniHostCallbacks::answerSettings (void* handle)
{
    if (auto* observer = observing.load (std::memory_order_acquire))
        observer->settingsCalled (handle);

    auto* callbacks = answeringFor (handle);

    if (callbacks == nullptr)
        return;

    // A modal loop may only run on the message thread; from anywhere else the request is
    // passed there and this call returns at once.
    if (! juce::MessageManager::existsAndIsCurrentThread())
    {
        callbacks->triggerAsyncUpdate();
        return;
    }

    callbacks->openSettingsDialog();
}

void MiniHostCallbacks::answerTempo (void* handle, float beatsPerMinute) noexcept
{
    if (auto* observer = observing.load (std::memory_order_acquire))
        observer->tempoCalled (handle, beatsPerMinute);

    auto* callbacks = answeringFor (handle);

    if (callbacks == nullptr || ! std::isfinite (beatsPerMinute) || beatsPerMinute <= 0.0f)
        return;

    callbacks->host.setTempoForPlugin ((double) beatsPerMinute);
}

void MiniHostCallbacks::handleAsyncUpdate()
{
    if (answering.load (std::memory_order_acquire) == this)
        openSettingsDialog();
}

void MiniHostCallbacks::openSettingsDialog()
{
    // The dialog runs a nested message loop, in which the plug-in may ask again.
    if (settingsDialogOpen)
        return;

    const juce::ScopedValueSetter<bool> open (settingsDialogOpen, true);
    host.openSettingsDialogForPlugin();
}
