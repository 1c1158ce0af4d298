#pragma once

// The plug-in's entry structure of the VST 2.x interface (declared the same way by the framework).
struct AEffect;

/** Keeps a closing plug-in's calls to the host from waiting for the message thread.

    The framework answers a plug-in's calls through the instance it keeps in the entry
    structure's host field. Its answer to a size-window request on Linux waits for the
    message thread; a plug-in whose editor-close joins a thread of its own that is making
    such a request at that moment (or is already waiting for it once the message loop has
    stopped) never gets it back, and neither does the host. Once the fence is closed the
    framework answers every call of that plug-in as it answers calls that belong to no
    instance: a size request returns 0 at once, version and capability queries still get
    their answers, play-head and automation calls get none.

    The framework's own fix now lets such a request give way to any call into the plug-in,
    and a close that joins that thread completes without the fence too; the fence stays as a
    safety net for the quit, where a request refused outright is simpler than one deferred
    to a window that is about to go.

    Close it when quitting has been decided, while the message loop still runs, so that a
    request already waiting is served before the loop stops; closing it again at shut-down
    costs nothing. It is never opened again.
*/
namespace PluginCallFence
{
    /** From now on the plug-in's calls no longer reach its framework instance. Message
        thread; the plug-in's threads may be calling meanwhile.
    */
    void close (AEffect& effect) noexcept;

    /** Whether close() has been called for this plug-in. */
    bool isClosed (const AEffect& effect) noexcept;
}
