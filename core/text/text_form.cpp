// SPDX-License-Identifier: MIT
#include "core/text/text_form.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "core/text/cp1252.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsSurrogate(char32_t c) { return c >= 0xD800 && c < 0xE000; }

// Writes the UTF-8 of `c` at `to` (up to four bytes); returns its end.
char* WriteUtf8(char* to, char32_t c)
{
    if (c < 0x80) {
        *to++ = static_cast<char>(c);
    } else if (c < 0x800) {
        *to++ = static_cast<char>(0xC0 | (c >> 6));
        *to++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *to++ = static_cast<char>(0xE0 | (c >> 12));
        *to++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *to++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *to++ = static_cast<char>(0xF0 | (c >> 18));
        *to++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *to++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *to++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    return to;
}

void AppendUtf8(std::string& out, char32_t c)
{
    char bytes[4];
    out.append(bytes, static_cast<std::size_t>(WriteUtf8(bytes, c) - bytes));
}

// Decodes one character of UTF-8 at `at`. Surrogate values are taken when
// `surrogatesAllowed` (texts keep lone ones that way); anything
// else that is not UTF-8 returns kInvalid and moves one byte.
constexpr char32_t kInvalid = 0xFFFFFFFF;
char32_t DecodeUtf8(const char*& at, const char* end, bool surrogatesAllowed)
{
    const auto byte = [&](std::ptrdiff_t i) { return static_cast<unsigned char>(at[i]); };
    const unsigned char b0 = byte(0);
    if (b0 < 0x80) {
        ++at;
        return b0;
    }
    int length = 0;
    char32_t c = 0;
    char32_t least = 0;
    if (b0 >= 0xC2 && b0 < 0xE0) {
        length = 2, c = b0 & 0x1F, least = 0x80;
    } else if (b0 >= 0xE0 && b0 < 0xF0) {
        length = 3, c = b0 & 0x0F, least = 0x800;
    } else if (b0 >= 0xF0 && b0 < 0xF5) {
        length = 4, c = b0 & 0x07, least = 0x10000;
    } else {
        ++at;
        return kInvalid;
    }
    if (end - at < length) {
        ++at;
        return kInvalid;
    }
    for (int i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            ++at;
            return kInvalid;
        }
        c = (c << 6) | (byte(i) & 0x3F);
    }
    if (c < least || c > 0x10FFFF || (IsSurrogate(c) && !surrogatesAllowed)) {
        ++at;
        return kInvalid;
    }
    at += length;
    return c;
}

// UTF-16 code units as text: pairs joined, lone surrogates by their own
// value.
std::string TextOfUnits(std::u16string_view units)
{
    // Units in memory are the file's little-endian form on such machines,
    // which the fast converter takes.
    if constexpr (std::endian::native == std::endian::little) {
        std::string out(Utf16ToUtf8Room(units.size()), '\0');
        const char* const end = WriteUtf16LeAsUtf8(reinterpret_cast<const char*>(units.data()), units.size(),
                                                   out.data(), LoneSurrogates::Keep);
        out.resize(static_cast<std::size_t>(end - out.data()));
        return out;
    }
    std::string out;
    out.reserve(units.size() * 3);
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        }
        AppendUtf8(out, c);
    }
    return out;
}

bool IsValid(std::string_view text, bool surrogatesAllowed)
{
    const char* at = text.data();
    const char* const end = at + text.size();
    while (at != end) {
        // ASCII eight bytes at a time: most texts are mostly ASCII.
        std::uint64_t word;
        while (end - at >= 8 && (std::memcpy(&word, at, 8), (word & 0x8080808080808080ULL) == 0))
            at += 8;
        if (at != end && DecodeUtf8(at, end, surrogatesAllowed) == kInvalid)
            return false;
    }
    return true;
}

}  // namespace

bool IsOfTextForm(std::string_view text) { return IsValid(text, true); }

bool IsAscii(std::string_view text)
{
    const char* at = text.data();
    const char* const end = at + text.size();
    std::uint64_t word;
    for (; end - at >= 8; at += 8) {
        std::memcpy(&word, at, 8);
        if ((word & 0x8080808080808080ULL) != 0)
            return false;
    }
    for (; at != end; ++at)
        if (static_cast<unsigned char>(*at) >= 0x80)
            return false;
    return true;
}

char* WriteTextFromCp1252(std::string_view bytes, char* to) { return WriteCp1252AsUtf8(bytes, to); }

std::string TextFromCp1252(std::string_view bytes)
{
    // Sized to the text, not to the room the longest would need: a huge
    // text would otherwise take three times its memory while it is read.
    std::string out(Cp1252AsUtf8Size(bytes) + 8, '\0');
    out.resize(static_cast<std::size_t>(WriteTextFromCp1252(bytes, out.data()) - out.data()));
    return out;
}

std::string TextFromUtf16(std::u16string_view units) { return TextOfUnits(units); }

void AssignTextFromFileUtf16Le(std::string& into, std::string_view bytes)
{
    // Written through a pointer into room for the longest result: a large
    // document holds millions of these texts.
    into.resize(Utf16TextRoom(bytes.size() / 2));
    into.resize(static_cast<std::size_t>(WriteTextFromFileUtf16Le(bytes, into.data()) - into.data()));
}


std::optional<std::string> TextFromUtf8(std::string_view utf8, std::size_t* badOffset)
{
    const char* at = utf8.data();
    const char* const end = at + utf8.size();
    while (at != end) {
        const char* const start = at;
        if (DecodeUtf8(at, end, false) == kInvalid) {
            if (badOffset)
                *badOffset = static_cast<std::size_t>(start - utf8.data());
            return std::nullopt;
        }
    }
    return std::string(utf8);
}

bool IsUtf8(std::string_view utf8) { return IsValid(utf8, false); }

std::u16string Utf16Of(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    for (TextCharacters chars(text); !chars.AtEnd();) {
        const char32_t c = chars.Next();
        if (c >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

std::string Utf8Of(std::string_view text)
{
    if (!HasLoneSurrogate(text))
        return std::string(text);
    std::string out;
    out.reserve(text.size());
    for (TextCharacters chars(text); !chars.AtEnd();) {
        const char32_t c = chars.Next();
        AppendUtf8(out, IsSurrogate(c) ? kReplacement : c);
    }
    return out;
}

bool FitsCp1252(std::string_view text)
{
    if (IsAscii(text))
        return true;
    for (TextCharacters chars(text); !chars.AtEnd();)
        if (UnicodeToCp1252(chars.Next()) < 0)
            return false;
    return true;
}

std::string Cp1252Of(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (TextCharacters chars(text); !chars.AtEnd();) {
        const int b = UnicodeToCp1252(chars.Next());
        out += static_cast<char>(b < 0 ? '?' : b);
    }
    return out;
}

bool HasLoneSurrogate(std::string_view text)
{
    // A surrogate is written ED A0..BF xx, and ED begins nothing else of
    // that range; most texts hold no ED byte at all.
    for (std::size_t at = text.find('\xED'); at != std::string_view::npos; at = text.find('\xED', at + 1))
        if (at + 1 < text.size() && static_cast<unsigned char>(text[at + 1]) >= 0xA0)
            return true;
    return false;
}

char32_t TextCharacters::Next()
{
    const char32_t c = DecodeUtf8(m_at, m_end, true);
    return c == kInvalid ? kReplacement : c;
}

std::uint32_t KeyOrderValue(char32_t codePoint)
{
    const int b = UnicodeToCp1252(codePoint);
    return b >= 0 ? static_cast<std::uint32_t>(b) : 0x100 + codePoint;
}

int CompareTexts(std::string_view a, std::string_view b)
{
    // The bytes two texts share are the same characters, since UTF-8 is a
    // prefix-free code; only the characters from the first differing
    // byte's character on need reading, and two ASCII bytes there decide
    // at once, as their byte values.
    const std::size_t shared = std::min(a.size(), b.size());
    std::size_t from = static_cast<std::size_t>(std::mismatch(a.begin(), a.begin() + shared, b.begin()).first - a.begin());
    if (from == shared)
        return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
    const auto x0 = static_cast<unsigned char>(a[from]);
    const auto y0 = static_cast<unsigned char>(b[from]);
    if (x0 < 0x80 && y0 < 0x80)
        return x0 < y0 ? -1 : 1;
    const auto inCharacter = [&from](std::string_view t) {
        return from < t.size() && (static_cast<unsigned char>(t[from]) & 0xC0) == 0x80;
    };
    while (from > 0 && (inCharacter(a) || inCharacter(b)))
        --from;
    TextCharacters x(a, from);
    TextCharacters y(b, from);
    while (!x.AtEnd() && !y.AtEnd()) {
        const std::uint32_t u = KeyOrderValue(x.Next());
        const std::uint32_t v = KeyOrderValue(y.Next());
        if (u != v)
            return u < v ? -1 : 1;
    }
    return x.AtEnd() ? (y.AtEnd() ? 0 : -1) : 1;
}
