/*
    first-window: starts a program and reports how long it took to show its first window.
    Usage: first-window TIMEOUT-SECONDS LOG-FILE PROGRAM [ARGUMENTS...]
    Prints "PID MILLISECONDS" once a top-level window whose _NET_WM_PID is the program's is
    viewable (mapped, with every ancestor mapped: on screen, inside its window manager frame),
    and leaves the program running, its output going to LOG-FILE. The clock starts just before the program is executed.
    Exit code 1 if no window appeared in time or the program ended first (the program is
    then killed), 2 on a usage or display error.

    It looks each time a window is mapped on the root (a window manager's frame, or a window
    of its own when there is no window manager), which is when a framed window becomes
    viewable, and every 10 ms besides: exact to about a millisecond, without polling the
    display hard enough to take CPU time from the program it measures.
*/
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
    Atom pidAtom = None;

    bool hasPid (Display* display, Window window, long pid)
    {
        Atom type = None;
        int format = 0;
        unsigned long count = 0, remaining = 0;
        unsigned char* data = nullptr;

        if (XGetWindowProperty (display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format,
                                &count, &remaining, &data)
                != Success
            || data == nullptr)
            return false;

        const bool matches = format == 32 && count == 1 && *reinterpret_cast<long*> (data) == pid;
        XFree (data);
        return matches;
    }

    // A viewable window of the program among the root's children and their children (the
    // client windows inside the window manager's frames).
    bool showsWindow (Display* display, Window window, long pid, int depth)
    {
        Window root = None, parent = None, *children = nullptr;
        unsigned int count = 0;

        if (! XQueryTree (display, window, &root, &parent, &children, &count))
            return false;

        bool found = false;

        for (unsigned int i = 0; i < count && ! found; ++i)
        {
            XWindowAttributes attributes;

            if (! XGetWindowAttributes (display, children[i], &attributes) || attributes.map_state != IsViewable)
                continue;

            found = hasPid (display, children[i], pid) || (depth > 0 && showsWindow (display, children[i], pid, depth - 1));
        }

        if (children != nullptr)
            XFree (children);

        return found;
    }

    int ignoreErrors (Display*, XErrorEvent*)
    {
        return 0;
    }
}

int main (int argc, char** argv)
{
    if (argc < 4)
    {
        std::fprintf (stderr, "usage: first-window TIMEOUT-SECONDS LOG-FILE PROGRAM [ARGUMENTS...]\n");
        return 2;
    }

    auto* display = XOpenDisplay (nullptr);

    if (display == nullptr)
    {
        std::fprintf (stderr, "first-window: cannot open the display\n");
        return 2;
    }

    // Windows come and go while they are looked at.
    XSetErrorHandler (ignoreErrors);
    pidAtom = XInternAtom (display, "_NET_WM_PID", False);
    const auto root = DefaultRootWindow (display);
    XSelectInput (display, root, SubstructureNotifyMask);
    XSync (display, False);

    const auto timeout = std::chrono::duration<double> (std::atof (argv[1]));
    const auto start = std::chrono::steady_clock::now();
    const auto pid = fork();

    if (pid == 0)
    {
        // Whoever reads this tool's output must not wait for the program's end as well.
        const auto log = open (argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0644);

        if (log >= 0)
        {
            dup2 (log, STDOUT_FILENO);
            dup2 (log, STDERR_FILENO);
            close (log);
        }

        close (ConnectionNumber (display));
        execvp (argv[3], argv + 3);
        std::perror ("first-window: exec");
        _exit (127);
    }

    pollfd connection { ConnectionNumber (display), POLLIN, 0 };

    while (std::chrono::steady_clock::now() - start < timeout)
    {
        if (showsWindow (display, root, pid, 2))
        {
            const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
            std::printf ("%ld %.1f\n", (long) pid, took.count());
            return 0;
        }

        if (waitpid (pid, nullptr, WNOHANG) == pid)
        {
            std::fprintf (stderr, "first-window: the program ended before showing a window\n");
            return 1;
        }

        // A map event or 10 ms, whichever comes first; the events only wake us. Events that
        // arrived during the look above are already read from the connection.
        if (XPending (display) == 0)
            poll (&connection, 1, 10);

        while (XPending (display) > 0)
        {
            XEvent event;
            XNextEvent (display, &event);
        }
    }

    std::fprintf (stderr, "first-window: no window within %s s\n", argv[1]);
    kill (pid, SIGKILL);
    return 1;
}
