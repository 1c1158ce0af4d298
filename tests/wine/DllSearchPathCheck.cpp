// Checks, as a Windows program, that DllSearchPath keeps DLLs in the current directory from
// being loaded by name while DLLs beside the program, and any DLL named by its full path,
// still load.
//
// Usage: check unrestricted            loads tolvane-planted.dll by name from the current
//                                      directory, as Windows does by default (the control)
//        check restricted FULL_PATH    restricts the search, then expects tolvane-planted.dll
//                                      not to load by name, tolvane-beside.dll (beside the
//                                      program) to load by name, and FULL_PATH to load
#include "platform/DllSearchPath.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

namespace
{
    bool loads (const wchar_t* name)
    {
        const auto module = LoadLibraryW (name);

        if (module == nullptr)
            return false;

        FreeLibrary (module);
        return true;
    }

    int check (bool ok, const char* what)
    {
        std::printf ("%s: %s\n", ok ? "ok" : "FAILED", what);
        return ok ? 0 : 1;
    }
}

int main (int argc, char** argv)
{
    if (argc == 2 && std::strcmp (argv[1], "unrestricted") == 0)
        return check (loads (L"tolvane-planted.dll"), "by default a DLL in the current directory loads by name");

    if (argc == 3 && std::strcmp (argv[1], "restricted") == 0)
    {
        const auto fullPath = std::wstring (argv[2], argv[2] + std::strlen (argv[2]));
        int failures = 0;
        failures += check (DllSearchPath::restrictToSafeFolders(), "the search path can be restricted");
        failures += check (! loads (L"tolvane-planted.dll"), "a DLL in the current directory no longer loads by name");
        failures += check (loads (L"tolvane-beside.dll"), "a DLL beside the program still loads by name");
        failures += check (loads (fullPath.c_str()), "a DLL named by its full path still loads");
        return failures == 0 ? 0 : 1;
    }

    std::printf ("usage: %s unrestricted | restricted FULL_PATH\n", argv[0]);
    return 2;
}
