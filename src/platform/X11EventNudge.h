#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

/** Keeps the message thread from waiting for ever on the framework's X connection (Linux).

    The run loop itself now empties Xlib's event queue after every pass, so an event that
    Xlib read while the framework waited for a reply is no longer left unseen. What remains
    is a wait inside Xlib: with some plug-in editors (LSP's, which resize the window from
    inside their own calls), the message thread now and then waits in a reply call (a
    window property, a coordinate translation) for a reply that never wakes it, and only
    more data on the socket lets it go on. The wait is inside Xlib and XCB, out of reach of
    the framework's loop; any event to the window ends it.

    Every quarter second it sends the window a client message of its own through a second
    connection; the framework ignores the message itself. Does nothing on other platforms or
    when no display can be opened. Message thread; destroy it before the window goes.
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
