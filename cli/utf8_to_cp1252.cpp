// SPDX-License-Identifier: MIT
#include "cli/utf8_to_cp1252.h"

#include "doc/cp1252.h"

Utf8ToCp1252Result Utf8ToCp1252(std::string_view utf8, std::string& cp1252, Utf8Problem* problem)
{
    cp1252.clear();
    cp1252.reserve(utf8.size());
    bool unrepresentable = false;
    const auto invalid = [&](std::size_t at) {
        if (problem != nullptr) *problem = Utf8Problem{at, 0};
        return Utf8ToCp1252Result::Invalid;
    };
    std::size_t i = 0;
    while (i < utf8.size()) {
        // Runs of ASCII, most of any text, are the same bytes in the code
        // page and are copied whole.
        std::size_t ascii = i;
        while (ascii < utf8.size() && static_cast<unsigned char>(utf8[ascii]) < 0x80) ++ascii;
        cp1252.append(utf8.data() + i, ascii - i);
        i = ascii;
        if (i == utf8.size()) break;
        const auto lead = static_cast<unsigned char>(utf8[i]);
        int extra = 0;
        char32_t cp = 0;
        char32_t least = 0;  // smallest code point for this length: overlong forms are invalid
        if (lead < 0x80) {
            cp = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1, cp = lead & 0x1F, least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2, cp = lead & 0x0F, least = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3, cp = lead & 0x07, least = 0x10000;
        } else {
            return invalid(i);
        }
        if (utf8.size() - i <= static_cast<std::size_t>(extra) && extra > 0)
            return invalid(i);
        for (int k = 1; k <= extra; ++k) {
            const auto c = static_cast<unsigned char>(utf8[i + k]);
            if ((c & 0xC0) != 0x80) return invalid(i);
            cp = (cp << 6) | (c & 0x3F);
        }
        if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return invalid(i);
        const int byte = UnicodeToCp1252(cp);
        if (byte < 0) {
            if (!unrepresentable && problem != nullptr) *problem = Utf8Problem{i, cp};
            unrepresentable = true;
        } else {
            cp1252.push_back(static_cast<char>(byte));
        }
        i += 1 + extra;
    }
    return unrepresentable ? Utf8ToCp1252Result::Unrepresentable : Utf8ToCp1252Result::Ok;
}
