#include <juce_gui_basics/juce_gui_basics.h>

#include <gtest/gtest.h>

#include <X11/Xlib.h>

namespace
{
    /** A top-level window that notes the window manager's close request. */
    struct CloseRequestWatcher final : public juce::Component
    {
        void userTriedToCloseWindow() override { closeRequested = true; }

        bool closeRequested = false;
    };

    // As a window manager asks a window to close: WM_PROTOCOLS with WM_DELETE_WINDOW, from a
    // connection of its own. Once the server has answered that connection's sync, the event
    // is on its way to the window's connection.
    void sendCloseRequest (::Window window)
    {
        Display* display = XOpenDisplay (nullptr);
        ASSERT_NE (display, nullptr);

        XEvent event {};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom (display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = (long) XInternAtom (display, "WM_DELETE_WINDOW", False);
        event.xclient.data.l[1] = CurrentTime;

        XSendEvent (display, window, False, NoEventMask, &event);
        XSync (display, False);
        XCloseDisplay (display);
    }

    void runLoopUntil (const std::function<bool()>& done, int milliseconds)
    {
        const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) milliseconds;
        while (! done() && juce::Time::getMillisecondCounter() < end)
            juce::MessageManager::getInstance()->runDispatchLoopUntil (10);
    }
}

// The framework's connection reads the request into Xlib's queue while it waits for a reply
// of its own, leaving nothing on the socket to wake the loop: the loop must still handle it,
// with no other event to come.
TEST (X11EventQueue, ACloseRequestReadWhileWaitingForAReplyIsHandledWithNothingElseArriving)
{
    if (juce::Desktop::getInstance().getDisplays().displays.isEmpty())
        GTEST_SKIP() << "no display";

    CloseRequestWatcher window;
    window.setSize (200, 100);
    window.addToDesktop (juce::ComponentPeer::windowHasTitleBar | juce::ComponentPeer::windowHasCloseButton);
    window.setVisible (true);

    // Mapped, painted and idle.
    runLoopUntil ([&window]
                  {
                      return window.isShowing() && window.getPeer()->isFocused();
                  },
                  2000);
    runLoopUntil ([]
                  {
                      return false;
                  },
                  500);

    sendCloseRequest ((::Window) (juce::pointer_sized_uint) window.getWindowHandle());

    // A pointer query waits for its reply on the framework's connection.
    juce::ignoreUnused (juce::Desktop::getInstance().getMousePosition());

    runLoopUntil ([&window]
                  {
                      return window.closeRequested;
                  },
                  3000);
    EXPECT_TRUE (window.closeRequested);
}
