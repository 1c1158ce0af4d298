/*
    Stands in front of libjpeg's jpeglib.h in the Windows build.

    On Windows libjpeg declares its boolean type only when the Windows RPC header has not
    already declared one (the same type, unsigned char). The framework includes jpeglib.h
    inside a namespace of its own and then names the type through that namespace, which
    fails when the declaration came from the RPC header at global scope. This brings the
    global one into the including scope.
*/
#ifndef TOLVANE_WINDOWS_JPEGLIB_WRAPPER
#define TOLVANE_WINDOWS_JPEGLIB_WRAPPER

#include_next <jpeglib.h>

#if defined (__cplusplus) && defined (__RPCNDR_H__)
using ::boolean;
#endif

#endif
