#include "DllSearchPath.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace DllSearchPath
{
    bool restrictToSafeFolders() noexcept
    {
#ifdef _WIN32
        // An empty string takes the current directory out of the classic search order, for
        // whatever still loads without the default directories below.
        const auto currentDirectoryRemoved = SetDllDirectoryW (L"") != 0;
        const auto defaultsSet = SetDefaultDllDirectories (LOAD_LIBRARY_SEARCH_APPLICATION_DIR
                                                           | LOAD_LIBRARY_SEARCH_SYSTEM32)
            != 0;
        return currentDirectoryRemoved && defaultsSet;
#else
        return true;
#endif
    }
}
