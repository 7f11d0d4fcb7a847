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
static_assert(sizeof(Utf8Form) == 4);

// Writes the UTF-8 form of one byte. All four bytes of the form are stored
// in one go; the count in the last one is overwritten by what follows.
char* WriteUtf8Form(char* to, char byte)
{
    const Utf8Form& f = kUtf8[static_cast<unsigned char>(byte)];
    std::memcpy(to, &f, sizeof f);
    return to + f.size;
}

constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
constexpr std::uint64_t kLowBits = 0x7F7F7F7F7F7F7F7FULL;

// The high bit of each zero byte of `x`, and of no other byte.
std::uint64_t ZeroBytes(std::uint64_t x)
{
    return ~(((x & kLowBits) + kLowBits) | x | kLowBits);
}

// The number of bytes before the first marked one, in memory order.
int UnmarkedPrefix(std::uint64_t marks)
{
    if constexpr (std::endian::native == std::endian::little)
        return std::countr_zero(marks) / 8;
    else
        return std::countl_zero(marks) / 8;
}

}  // namespace

const char* WriteCp1252AsUtf8Until(const char* p, const char* end, char stop, char*& to)
{
    char* d = to;
    const std::uint64_t stops = 0x0101010101010101ULL * static_cast<unsigned char>(stop);
    const char* limit = end;
    // Eight bytes at a time: most text is ASCII and is copied whole; a word
    // with a high byte goes through the table byte by byte, without a branch
    // per byte.
    while (end - p >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        const std::uint64_t stopBytes = ZeroBytes(word ^ stops);
        if (stopBytes != 0) {
            limit = p + UnmarkedPrefix(stopBytes);
            break;
        }
        if ((word & kHighBits) == 0) {
            std::memcpy(d, p, 8);
            d += 8;
        } else {
            for (int i = 0; i < 8; ++i) d = WriteUtf8Form(d, p[i]);
        }
        p += 8;
    }
    while (p != limit && *p != stop) d = WriteUtf8Form(d, *p++);
    to = d;
    return p;
}

void AppendCp1252AsUtf8(std::string& out, std::string_view bytes)
{
    // Room for the longest result first, trimmed after: the converter then
    // writes through a pointer without a check per byte.
    const std::size_t old = out.size();
    out.resize(old + 3 * bytes.size() + 8);
    char* d = out.data() + old;
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    // Line feeds stop the converter; here they are copied like any byte.
    while ((p = WriteCp1252AsUtf8Until(p, end, '\n', d)) != end) *d++ = *p++;
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
