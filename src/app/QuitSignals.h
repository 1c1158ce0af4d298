#pragma once

#include <functional>

#include <juce_core/juce_core.h>

/** Turns the system's requests to end the process into an ordinary quit on the message
    thread: on Linux SIGTERM (log-out, systemctl, a plain kill) and SIGHUP (the terminal
    closed). The signal handler only writes a byte to a pipe that the message loop watches;
    the quit itself runs later, on the message thread, like a press of the close button.
    Interrupts (SIGINT) keep the framework's own handling, which quits as well.

    Elsewhere it does nothing: Windows ends a session through the window's close path.
    One object at a time. Create and destroy it on the message thread, while the message
    manager exists; the signals end the process again once it is gone.
*/
class QuitSignals final
{
public:
    explicit QuitSignals (std::function<void()> onQuitRequested);
    ~QuitSignals();

private:
    std::function<void()> onQuitRequested;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (QuitSignals)
};
