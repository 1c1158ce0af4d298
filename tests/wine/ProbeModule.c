/* A DLL with nothing in it: the DLL search path check loads copies of it by name. */
#include <windows.h>

BOOL WINAPI DllMain (HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void) instance;
    (void) reason;
    (void) reserved;
    return TRUE;
}
