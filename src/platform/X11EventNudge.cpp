#include "X11EventNudge.h"

#if JUCE_LINUX || JUCE_BSD
#include <X11/Xlib.h>

// Xlib is loaded at run time, as the framework loads it.
struct X11EventNudge::Connection
{
    Connection()
    {
        if (! library.open ("libX11.so.6"))
            return;

        openDisplay = reinterpret_cast<decltype (openDisplay)> (library.getFunction ("XOpenDisplay"));
        closeDisplay = reinterpret_cast<decltype (closeDisplay)> (library.getFunction ("XCloseDisplay"));
        internAtom = reinterpret_cast<decltype (internAtom)> (library.getFunction ("XInternAtom"));
        sendEvent = reinterpret_cast<decltype (sendEvent)> (library.getFunction ("XSendEvent"));
        flush = reinterpret_cast<decltype (flush)> (library.getFunction ("XFlush"));

        if (openDisplay == nullptr || closeDisplay == nullptr || internAtom == nullptr
            || sendEvent == nullptr || flush == nullptr)
            return;

        display = openDisplay (nullptr);

        if (display != nullptr)
            messageType = internAtom (display, "_TOLVANE_EVENT_NUDGE", False);
    }

    ~Connection()
    {
        if (display != nullptr)
            closeDisplay (display);
    }

    bool isOpen() const noexcept { return display != nullptr; }

    void nudge (::Window window)
    {
        XEvent event {};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = messageType;
        event.xclient.format = 32;

        sendEvent (display, window, False, NoEventMask, &event);
        flush (display);
    }

    juce::DynamicLibrary library;
    Display* (*openDisplay) (const char*) = nullptr;
    int (*closeDisplay) (Display*) = nullptr;
    Atom (*internAtom) (Display*, const char*, Bool) = nullptr;
    Status (*sendEvent) (Display*, ::Window, Bool, long, XEvent*) = nullptr;
    int (*flush) (Display*) = nullptr;

    Display* display = nullptr;
    Atom messageType = 0;
};

X11EventNudge::X11EventNudge (juce::Component& windowToNudge)
    : window (&windowToNudge),
      connection (std::make_unique<Connection>())
{
    if (connection->isOpen())
        startTimer (250);
}

void X11EventNudge::timerCallback()
{
    if (window == nullptr)
        return;

    if (const auto handle = (::Window) (juce::pointer_sized_uint) window->getWindowHandle())
        connection->nudge (handle);
}
#else
struct X11EventNudge::Connection
{
};

X11EventNudge::X11EventNudge (juce::Component&) {}
void X11EventNudge::timerCallback() {}
#endif

X11EventNudge::~X11EventNudge()
{
    stopTimer();
}
