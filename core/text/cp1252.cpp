// SPDX-License-Identifier: MIT
#include "core/text/cp1252.h"

#include <array>

namespace {

// Code points of the bytes 80 to 9F; the rest of the code page equals Latin-1.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

char32_t Cp1252ToUnicode(unsigned char byte)
{
    if (byte >= 0x80 && byte < 0xA0)
        return kHighControls[byte - 0x80];
    return byte;
}

int UnicodeToCp1252(char32_t codePoint)
{
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF))
        return static_cast<int>(codePoint);
    for (std::size_t i = 0; i < kHighControls.size(); ++i)
        if (kHighControls[i] == codePoint)
            return static_cast<int>(0x80 + i);
    return -1;
}

char* WriteCp1252AsUtf8(std::string_view bytes, char* to)
{
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    // Line feeds stop the converter; here they are copied like any byte.
    while ((p = WriteCp1252AsUtf8Until(p, end, '\n', to)) != end) *to++ = *p++;
    return to;
}
