#pragma once

/** Where Windows may look for a DLL that is loaded by name.

    By default Windows also searches the process's current directory, so a DLL planted in
    the folder the application was started from (or any folder the process later changes
    to) could be loaded in place of a system DLL or of a dependency of the plug-in module.
*/
namespace DllSearchPath
{
    /** Limits the search for DLLs loaded by name to the executable's own folder and the
        system folder; the current directory and PATH are no longer searched. The plug-in
        module sits beside the executable, so its own dependencies still load from its
        folder. Call it once, before anything loads a DLL by name.

        Returns true when the limit is in force. On other platforms it does nothing and
        returns true.
    */
    bool restrictToSafeFolders() noexcept;
}
