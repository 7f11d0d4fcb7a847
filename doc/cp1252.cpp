// SPDX-License-Identifier: MIT
#include "doc/cp1252.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

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

std::string Cp1252ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    AppendCp1252AsUtf8(out, bytes);
    return out;
}

namespace {

// The UTF-8 form of every byte: up to three bytes and their count.
struct Utf8Form {
    char bytes[3];
    unsigned char size;
};

constexpr std::array<Utf8Form, 256> MakeUtf8Table()
{
    std::array<Utf8Form, 256> table{};
    for (int b = 0; b < 256; ++b) {
        const char32_t cp = b >= 0x80 && b < 0xA0 ? kHighControls[b - 0x80] : static_cast<char32_t>(b);
        Utf8Form& f = table[b];
        if (cp < 0x80) {
            f = {{static_cast<char>(cp), 0, 0}, 1};
        } else if (cp < 0x800) {
            f = {{static_cast<char>(0xC0 | (cp >> 6)), static_cast<char>(0x80 | (cp & 0x3F)), 0}, 2};
        } else {
            f = {{static_cast<char>(0xE0 | (cp >> 12)), static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
                  static_cast<char>(0x80 | (cp & 0x3F))},
                 3};
        }
    }
    return table;
}

constexpr std::array<Utf8Form, 256> kUtf8 = MakeUtf8Table();

// The number of leading bytes without a high bit in a word loaded from
// memory, given the word's high bits (not all zero).
int AsciiPrefix(std::uint64_t high)
{
    if constexpr (std::endian::native == std::endian::little)
        return std::countr_zero(high) / 8;
    else
        return std::countl_zero(high) / 8;
}

}  // namespace

void AppendCp1252AsUtf8(std::string& out, std::string_view bytes)
{
    // Room for the longest result first (three bytes a byte), trimmed after:
    // the loop then writes through a pointer without a check per byte.
    const std::size_t old = out.size();
    out.resize(old + 3 * bytes.size() + 8);
    char* d = out.data() + old;
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    // Most text is ASCII. Eight bytes are stored at once, then the pointer
    // moves past those without a high bit; a byte with one goes through the
    // table. The slack of 8 lets every store be whole.
    while (end - p >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        std::memcpy(d, p, 8);
        const std::uint64_t high = word & 0x8080808080808080ULL;
        if (high == 0) {
            d += 8;
            p += 8;
            continue;
        }
        const int ascii = AsciiPrefix(high);
        d += ascii;
        p += ascii;
        const Utf8Form& f = kUtf8[static_cast<unsigned char>(*p++)];
        std::memcpy(d, f.bytes, 3);
        d += f.size;
    }
    for (; p < end; ++p) {
        const Utf8Form& f = kUtf8[static_cast<unsigned char>(*p)];
        std::memcpy(d, f.bytes, 3);
        d += f.size;
    }
    out.resize(static_cast<std::size_t>(d - out.data()));
}

std::string Utf16ToCp1252(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        const int byte = UnicodeToCp1252(cp);
        out += byte < 0 ? '?' : static_cast<char>(byte);
    }
    return out;
}
