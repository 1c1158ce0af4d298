#pragma once

#include <juce_core/juce_core.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

/** Ends the process if a stretch of the shut-down has not finished in time: the plug-in's
    teardown, which the host cannot interrupt and a faulty plug-in may never return from.

    Construct it where the stretch begins and destroy it where it ends; it lives only for
    that stretch. When the time runs out first, its own thread calls the action, which by
    default ends the process at once with exit status 0 (no destructors, no flushing: the
    settings must already be on disk). Message thread; the action runs on the watchdog's
    thread.
*/
class ShutdownWatchdog final
{
public:
    /** How long the plug-in's teardown may take. */
    static constexpr std::chrono::milliseconds defaultLimit { 3000 };

    explicit ShutdownWatchdog (std::chrono::milliseconds limit = defaultLimit,
                               std::function<void()> onTimeout = endProcess);

    /** The stretch has finished: returns at once, or after the action if that has begun. */
    ~ShutdownWatchdog();

    /** Ends the process now with exit status 0. */
    [[noreturn]] static void endProcess() noexcept;

private:
    void watch (std::chrono::milliseconds limit);

    std::function<void()> action;
    std::mutex mutex;
    std::condition_variable finishedChanged;
    bool finished = false;
    std::thread thread;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ShutdownWatchdog)
};
