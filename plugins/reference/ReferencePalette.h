#pragma once

#include <cstdint>

/** The reference editor's three colours, 0xAARRGGBB. The editor paints with them, and the
    plug-in hands the same three to the host (TOLVANE_MINIHOST_COLOURS), which draws its
    own windows from them so that they match the editor.
*/
namespace ReferencePalette
{
    constexpr uint32_t text = 0xfff2f2f2;
    constexpr uint32_t accent = 0xff3fa7d6;
    constexpr uint32_t background = 0xff22313f;
}
