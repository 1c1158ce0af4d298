#include "SafeText.h"

#include <cstdint>

namespace SafeText
{
    bool isStrictUtf8 (const char* text, std::size_t size) noexcept
    {
        for (std::size_t i = 0; i < size;)
        {
            const auto lead = static_cast<unsigned char> (text[i]);

            if (lead == 0)
                return false;

            if (lead < 0x80)
            {
                ++i;
                continue;
            }

            // The continuation bytes a lead byte announces, and the smallest code point that
            // needs that many.
            const std::size_t extra = (lead & 0xe0) == 0xc0 ? 1 : (lead & 0xf0) == 0xe0 ? 2
                : (lead & 0xf8) == 0xf0                                                 ? 3
                                                                                        : 0;
            const std::uint32_t smallest[] = { 0, 0x80, 0x800, 0x10000 };

            if (extra == 0 || size - i <= extra)
                return false;

            std::uint32_t codePoint = lead & (0x3fu >> extra);

            for (std::size_t k = 1; k <= extra; ++k)
            {
                const auto next = static_cast<unsigned char> (text[i + k]);

                if ((next & 0xc0) != 0x80)
                    return false;

                codePoint = (codePoint << 6) | (next & 0x3fu);
            }

            if (codePoint < smallest[extra] || codePoint > 0x10ffff || (codePoint >= 0xd800 && codePoint <= 0xdfff))
                return false;

            i += extra + 1;
        }

        return true;
    }
}
