#pragma once

#include "CheckVerdicts.h"
#include "hosting/MiniHostCallbacks.h"

#include <array>
#include <atomic>
#include <vector>

class TransportAudioProcessorPlayer;

/** The checker's side of the two call-backs. As the observer it writes down every call the
    plug-in makes, whatever its handle, from whatever thread; as the host it answers a settings
    call at once (no dialog) and sets the player's tempo as the application does.

    Recording takes no lock and allocates nothing: the plug-in may call from its audio thread.
    The first `capacity` calls are kept; later ones are only counted.
*/
class CallbackRecorder final : public MiniHostCallbacks::Observer,
                               public MiniHostCallbacks::Host
{
public:
    static constexpr int capacity = 1024;

    CallbackRecorder (void* hostHandle, TransportAudioProcessorPlayer& player) noexcept;

    void settingsCalled (void* handle) noexcept override;
    void tempoCalled (void* handle, float beatsPerMinute) noexcept override;

    void openSettingsDialogForPlugin() override;
    void setTempoForPlugin (double beatsPerMinute) noexcept override;

    /** Where the plug-in's life stands when a call comes. */
    enum class Stage
    {
        running,
        tearingDown,
        tornDown
    };

    /** Calls from now on count as made at this stage. Message thread. */
    void setStage (Stage stage) noexcept;

    /** The calls kept that were made at the stage. Message thread. */
    std::vector<CheckVerdicts::CallbackCall> callsAt (Stage stage) const;

    /** Every call, kept or not. */
    int getTotalCalls() const noexcept { return next.load(); }

    /** Settings calls that reached the host through the application's call-back handling. */
    int getSettingsAnswered() const noexcept { return settingsAnswered.load(); }

private:
    struct Slot
    {
        CheckVerdicts::CallbackCall call;
        Stage stage = Stage::running;
        std::atomic<bool> ready { false };
    };

    void record (bool settings, void* handle, float beatsPerMinute) noexcept;

    void* const hostHandle;
    TransportAudioProcessorPlayer& player;
    std::array<Slot, capacity> slots;
    std::atomic<int> next { 0 };
    std::atomic<int> settingsAnswered { 0 };
    std::atomic<Stage> stage { Stage::running };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (CallbackRecorder)
};
