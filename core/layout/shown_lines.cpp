// SPDX-License-Identifier: MIT
#include "core/layout/shown_lines.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "core/text/cp1252.h"

namespace {

// Every Windows-1252 code point lies in the BMP.
const std::array<char16_t, 256>& Cp1252Table()
{
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> t{};
        for (int b = 0; b < 256; ++b)
            t[static_cast<std::size_t>(b)] = static_cast<char16_t>(Cp1252ToUnicode(static_cast<unsigned char>(b)));
        return t;
    }();
    return table;
}

// Widens a stretch with no line break: first as if every byte were Latin-1,
// in a loop the compiler turns into vector instructions, then mends the few
// bytes 0x80 to 0x9F, where Windows-1252 differs.
char16_t* Widen(const unsigned char* from, std::size_t count, char16_t* to)
{
    bool differs = false;
    for (std::size_t i = 0; i < count; ++i) {
        to[i] = from[i];
        differs |= (from[i] & 0xE0) == 0x80;
    }
    if (differs) {
        const auto& table = Cp1252Table();
        for (std::size_t i = 0; i < count; ++i)
            to[i] = table[from[i]];
    }
    return to + count;
}

// How many line breaks there are: every CR, and every LF not after a CR.
std::size_t CountBreaks(const unsigned char* from, const unsigned char* const end)
{
    std::size_t count = 0;
    for (const unsigned char* p = from; p < end; ++p)
        count += *p == '\r' || (*p == '\n' && (p == from || p[-1] != '\r'));
    return count;
}

} // namespace

char16_t* WidenCp1252(std::string_view bytes, char16_t* to)
{
    return Widen(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), to);
}

char16_t* WidenCp1252WithLineBreaks(std::string_view bytes, char16_t* to, ShownLines& lines)
{
    char16_t* const begin = to;
    const auto* from = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = from + bytes.size();
    // The index of millions of lines is sized from the breaks of the first
    // 256 kB, scaled to the whole text with room to spare, so it is seldom
    // moved as it grows; a count over all the bytes would read them twice.
    // At most one start for every 8 bytes is set aside unasked.
    const std::size_t sample = std::min<std::size_t>(bytes.size(), std::size_t{256} << 10);
    const std::size_t expected = sample == 0 ? 0 : CountBreaks(from, from + sample) * (bytes.size() / sample + 1);
    lines.starts.reserve(std::min(expected + expected / 4, bytes.size() / 8) + 1);
    const auto lineEnds = [&](char16_t* at) {
        lines.longest = std::max(lines.longest, (at - begin) - lines.starts.back());
        lines.starts.push_back(at + 1 - begin);
    };
    // From break to break: the stretch between two goes whole, and the next
    // CR and LF are each looked for again only once they are passed, so
    // millions of short lines cost no second walk.
    const auto next = [&](const unsigned char* at, char byte) {
        const void* found = at == end ? nullptr : std::memchr(at, byte, static_cast<std::size_t>(end - at));
        return found ? static_cast<const unsigned char*>(found) : end;
    };
    const unsigned char* cr = next(from, '\r');
    const unsigned char* lf = next(from, '\n');
    while (from < end) {
        if (cr < from)
            cr = next(from, '\r');
        if (lf < from)
            lf = next(from, '\n');
        const unsigned char* const lineEnd = std::min(cr, lf);
        to = Widen(from, static_cast<std::size_t>(lineEnd - from), to);
        if (lineEnd == end)
            break;
        lineEnds(to);
        *to++ = u'\n';
        from = lineEnd + (lineEnd == cr && lineEnd + 1 < end && lineEnd[1] == '\n' ? 2 : 1);
    }
    lines.longest = std::max(lines.longest, (to - begin) - lines.starts.back());
    return to;
}
