#pragma once

#include "TransportState.h"

#include <atomic>
#include <cstdint>

/** The transport shared by the audio thread (advance, play head queries), the MIDI thread
    (machine control) and the tempo call-back, without locks or allocation. The audio thread
    never waits for another thread.

    Position and flags sit under a sequence latch and are kept twice. A writer first turns the
    sequence odd, which sends readers to the second copy, rewrites the first, turns the
    sequence even, which sends readers back to the first copy, and rewrites the second. A
    reader copies the copy that the sequence names and keeps it only if the sequence did not
    move meanwhile. So a reader never sees a half-written record and never waits for a writer,
    even one that was preempted in the middle of its update; it only retries when an update
    finished during its copy.

    The audio thread is no ordinary writer. It adds each block's length to a total of samples
    played that only it writes, then tries once to fold that total into the record; when
    another writer is inside its update, it leaves the samples owed and returns. The record
    keeps how much of the total it holds. Every reader adds what is owed to a playing transport
    (so the plug-in still sees its block's first sample), and the next writer, whoever it is,
    folds it in before its own change. Blocks that ended while a writer was inside thus count
    after that writer's change and before any later one, as if the audio thread had waited:
    a STOP made later resets them with the rest, a STOP they overlapped leaves them nothing
    to advance. An owed run is added in one step, at the latest block's rate.

    The tempo is a value of its own, written only by setTempo() and read under the same
    sequence check. Machine-control writers exclude each other with a flag; one of them may
    spin briefly behind another or behind the audio thread's fold (a dozen stores).

    The fields are atomics stored with release and loaded with acquire (plain moves on x86),
    so that a copy taken during an update races with nothing and needs no fence.
*/
class PositionRecord final
{
public:
    PositionRecord() = default;

    /** A consistent copy of the whole record, owed samples included. Any thread; never waits. */
    TransportState read() const noexcept;

    /** Sets the tempo that readers see from now on. Any thread; never waits. */
    void setTempo (double beatsPerMinute) noexcept;

    /** Moves a playing transport on by a block of numSamples at sampleRate (nothing without a
        rate). The audio thread only, one call per block; never waits.
    */
    void advance (int numSamples, double sampleRate) noexcept;

    /** A pause point that does not pause. */
    struct NoPause
    {
        void operator()() const noexcept {}
    };

    /** Replaces position and flags by change (state), atomically for every reader; change's
        tempo is ignored. change must be short and must not block. Any thread but the audio
        thread: it waits while another writer is inside.

        pausePoint runs while readers are sent to the second copy and the first one is not yet
        rewritten; tests hold a writer there.
    */
    template <typename Change, typename Pause = NoPause>
    void update (Change&& change, Pause&& pausePoint = {}) noexcept
    {
        claim();

        auto entry = currentEntry();
        entry.state.bpm = tempo.load (std::memory_order_acquire);
        entry.state = change (entry.state);

        publish (entry, pausePoint);
        release();
    }

private:
    /** Position and flags, and how much of the audio thread's total they hold. */
    struct Entry
    {
        TransportState state;
        std::int64_t samplesCounted = 0;
    };

    struct Copy
    {
        Entry load() const noexcept;
        void store (const Entry& entry) noexcept;

        std::atomic<std::int64_t> timeInSamples { 0 };
        std::atomic<double> timeInSeconds { 0.0 };
        std::atomic<bool> isPlaying { false };
        std::atomic<bool> isRecording { false };
        std::atomic<std::int64_t> samplesCounted { 0 };
    };

    /** entry with the samples owed to it out of played added (at rate, while playing). */
    static Entry withOwedSamples (Entry entry, std::int64_t played, double rate) noexcept;

    /** The record as it stands, owed samples added. Under the claim. */
    Entry currentEntry() const noexcept;

    template <typename Pause>
    void publish (const Entry& entry, Pause& pausePoint) noexcept
    {
        const auto current = sequence.load (std::memory_order_relaxed);

        // Readers go to the second copy before the first one changes. Release: a reader that
        // sees the odd value also sees the second copy that the previous writer completed.
        // The first copy's stores release too, so they are never seen before this one...
        sequence.store (current + 1, std::memory_order_release);
        pausePoint();
        copies[0].store (entry);

        // ...and readers go back to the complete first copy before the second one changes.
        sequence.store (current + 2, std::memory_order_release);
        copies[1].store (entry);
    }

    void claim() noexcept;
    bool tryClaim() noexcept;
    void release() noexcept;

    std::atomic<std::uint64_t> sequence { 0 };
    std::atomic<bool> writing { false };
    Copy copies[2];

    // Written by the audio thread only.
    std::atomic<std::int64_t> samplesPlayed { 0 };
    std::atomic<double> playedRate { 0.0 };

    std::atomic<double> tempo { 120.0 };

    static_assert (std::atomic<double>::is_always_lock_free
                       && std::atomic<std::int64_t>::is_always_lock_free
                       && std::atomic<std::uint64_t>::is_always_lock_free,
                   "the record's fields must be lock-free atomics");
};
