#include "ShutdownWatchdog.h"

#include <cstdlib>

#if defined(_WIN32)
#include <windows.h>
#endif

ShutdownWatchdog::ShutdownWatchdog (std::chrono::milliseconds limit, std::function<void()> onTimeout)
    : action (std::move (onTimeout)),
      thread ([this, limit]
              {
                  watch (limit);
              })
{
}

ShutdownWatchdog::~ShutdownWatchdog()
{
    {
        const std::lock_guard<std::mutex> lock (mutex);
        finished = true;
    }

    finishedChanged.notify_all();
    thread.join();
}

void ShutdownWatchdog::watch (std::chrono::milliseconds limit)
{
    std::unique_lock<std::mutex> lock (mutex);

    if (finishedChanged.wait_for (lock, limit, [this]
                                  {
                                      return finished;
                                  }))
        return;

    lock.unlock();
    action();
}

void ShutdownWatchdog::endProcess() noexcept
{
#if defined(_WIN32)
    // Unlike exit, this neither runs the plug-in's DLL detach code nor waits for its threads.
    TerminateProcess (GetCurrentProcess(), 0);
#endif
    std::_Exit (0);
}
