#pragma once

#include <cstddef>

/** Text that the framework's strings can be given as it is.

    The framework takes bytes as UTF-8 without checking them: a sequence that is cut short,
    overlong or otherwise invalid makes its strings count one length and copy another, and
    read or write past their end. Text from outside (a file, the command line) is checked
    here first.
*/
namespace SafeText
{
    /** Whether the bytes are strict UTF-8 (shortest forms only, no surrogates, nothing above
        U+10FFFF) without a NUL byte.
    */
    bool isStrictUtf8 (const char* text, std::size_t size) noexcept;
}
