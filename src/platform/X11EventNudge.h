#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

/** Keeps the framework's X11 event queue moving on Linux: a close request from the window
    manager (or any other event) that the framework's connection read while it waited for a
    reply outside its event handler stays in that connection's queue, unseen, until more data
    arrives on the socket, which may be never. A plug-in editor that keeps the message thread
    busy makes that likely: the window's close button then does nothing.

    Every quarter second it sends the window a client message of its own through a second
    connection; its arrival wakes the framework's event handler, which then takes every queued
    event. The framework ignores the message itself. Does nothing on other platforms or when
    no display can be opened. Message thread; destroy it before the window goes.
*/
class X11EventNudge final : private juce::Timer
{
public:
    /** Starts nudging this top-level window (whichever native window it has at the time). */
    explicit X11EventNudge (juce::Component& window);
    ~X11EventNudge() override;

private:
    void timerCallback() override;

    struct Connection;
    juce::Component::SafePointer<juce::Component> window;
    std::unique_ptr<Connection> connection;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (X11EventNudge)
};
