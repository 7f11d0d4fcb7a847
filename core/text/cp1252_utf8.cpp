// SPDX-License-Identifier: MIT
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "core/text/cp1252.h"

namespace {

// The UTF-8 form of a byte: up to three bytes and, in the fourth, their count.
struct Utf8Form {
    char bytes[3];
    unsigned char size;
};
static_assert(sizeof(Utf8Form) == 4);

std::array<Utf8Form, 256> MakeUtf8Table()
{
    std::array<Utf8Form, 256> table{};
    for (int b = 0; b < 256; ++b) {
        const char32_t cp = Cp1252ToUnicode(static_cast<unsigned char>(b));
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

const std::array<Utf8Form, 256> kUtf8 = MakeUtf8Table();

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

// Converts up to the first `stop` byte or, with `Breaks`, up to the first
// line feed, carriage return or NUL, whichever comes first.
template <bool Breaks>
const char* ConvertUntil(const char* p, const char* end, char stop, char*& to)
{
    char* d = to;
    const std::uint64_t stops = 0x0101010101010101ULL * static_cast<unsigned char>(Breaks ? '\n' : stop);
    const std::uint64_t returns = 0x0101010101010101ULL * static_cast<unsigned char>('\r');
    const char* limit = end;
    // Eight bytes at a time: ASCII is copied whole; a word with a high byte
    // goes through the table byte by byte, without a branch per byte.
    while (end - p >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        std::uint64_t stopBytes = ZeroBytes(word ^ stops);
        if constexpr (Breaks) stopBytes |= ZeroBytes(word ^ returns) | ZeroBytes(word);
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
    if constexpr (Breaks) {
        while (p != limit && *p != '\n' && *p != '\r' && *p != '\0') d = WriteUtf8Form(d, *p++);
    } else {
        while (p != limit && *p != stop) d = WriteUtf8Form(d, *p++);
    }
    to = d;
    return p;
}

}  // namespace

const char* WriteCp1252AsUtf8Until(const char* from, const char* end, char stop, char*& to)
{
    return ConvertUntil<false>(from, end, stop, to);
}

std::size_t Cp1252AsUtf8Size(std::string_view bytes)
{
    std::size_t size = bytes.size();
    for (const char b : bytes)
        size += kUtf8[static_cast<unsigned char>(b)].size - 1u;
    return size;
}

const char* WriteCp1252AsUtf8ToBreak(const char* from, const char* end, char*& to)
{
    return ConvertUntil<true>(from, end, '\n', to);
}
