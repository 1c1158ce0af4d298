#include <X11/Xlib.h>

// The framework installs its tolerant X error handler only in a real application. A test
// program would otherwise keep Xlib's default, which ends the process on harmless errors:
// the framework asks about the window with the keyboard focus, and the window manager may
// destroy that window (a dialog's frame closed by Alt+F4) between two of its requests.
namespace
{
    int ignoreXError (Display*, XErrorEvent*)
    {
        return 0;
    }

    const struct TolerantXErrors
    {
        TolerantXErrors() { XSetErrorHandler (ignoreXError); }
    } tolerantXErrors;
}
