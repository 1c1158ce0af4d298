#include "QuitSignals.h"

#if JUCE_LINUX || JUCE_BSD

#include <juce_events/juce_events.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace
{
    constexpr int handledSignals[] = { SIGTERM, SIGHUP };

    // The pipe's ends, shared with the signal handler. -1 while no object exists.
    volatile sig_atomic_t writeEnd = -1;
    int readEnd = -1;

    extern "C" void wakeMessageThread (int)
    {
        const auto savedErrno = errno;
        const auto fd = writeEnd;

        if (fd >= 0)
        {
            const char byte = 1;
            // A full pipe already holds a request; nothing is lost by dropping this one.
            [[maybe_unused]] const auto written = ::write (fd, &byte, 1);
        }

        errno = savedErrno;
    }

    void drain (int fd)
    {
        char buffer[64];
        while (::read (fd, buffer, sizeof (buffer)) > 0)
        {
        }
    }
}

QuitSignals::QuitSignals (std::function<void()> onQuit)
    : onQuitRequested (std::move (onQuit))
{
    jassert (readEnd < 0);

    int ends[2];
    if (::pipe2 (ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return;

    readEnd = ends[0];
    writeEnd = ends[1];

    juce::LinuxEventLoop::registerFdCallback (readEnd, [this] (int fd)
                                              {
                                                  drain (fd);
                                                  onQuitRequested();
                                              });

    struct sigaction action
    {
    };
    action.sa_handler = wakeMessageThread;
    sigemptyset (&action.sa_mask);
    action.sa_flags = SA_RESTART;

    for (auto signalNumber : handledSignals)
        ::sigaction (signalNumber, &action, nullptr);
}

QuitSignals::~QuitSignals()
{
    if (readEnd < 0)
        return;

    // Everything has been saved by now: the signals may end the process again.
    const auto fd = writeEnd;
    writeEnd = -1;

    for (auto signalNumber : handledSignals)
        ::signal (signalNumber, SIG_DFL);

    juce::LinuxEventLoop::unregisterFdCallback (readEnd);
    ::close (readEnd);
    ::close (fd);
    readEnd = -1;
}

#else

QuitSignals::QuitSignals (std::function<void()> onQuit)
    : onQuitRequested (std::move (onQuit)) {}
QuitSignals::~QuitSignals() = default;

#endif
