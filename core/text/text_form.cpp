// SPDX-License-Identifier: MIT
#include "core/text/text_form.h"

#include <algorithm>
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
// `surrogatesAllowed` (the wide form writes lone ones that way); anything
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

// UTF-16 code units as the wide form's UTF-8: pairs joined, lone surrogates
// by their own value.
std::string WideTextOfUnits(std::u16string_view units)
{
    std::string out(kWideTextMark);
    out.reserve(kWideTextMark.size() + units.size() * 3);
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

}  // namespace

std::string_view Cp1252BytesOf(std::string_view text)
{
    return text.starts_with(kEscapedTextMark) ? text.substr(kEscapedTextMark.size()) : text;
}

std::string_view WideUtf8Of(std::string_view text) { return text.substr(kWideTextMark.size()); }

bool IsOfTextForm(std::string_view text)
{
    if (!HasTextMark(text) || text.starts_with(kEscapedTextMark))
        return true;
    if (!IsWideText(text))
        return false;
    const std::string_view body = WideUtf8Of(text);
    const char* at = body.data();
    const char* const end = at + body.size();
    while (at != end)
        if (DecodeUtf8(at, end, true) == kInvalid)
            return false;
    return true;
}

std::string TextFromCp1252(std::string_view bytes)
{
    if (!HasTextMark(bytes))
        return std::string(bytes);
    std::string out(kEscapedTextMark);
    out += bytes;
    return out;
}

std::string TextFromFileUtf16(std::u16string_view units) { return WideTextOfUnits(units); }

void AssignTextFromFileUtf16Le(std::string& into, std::string_view bytes)
{
    // Written through a pointer into room for the longest result: a large
    // document holds millions of these texts.
    into.resize(WideTextRoom(bytes.size() / 2));
    into.resize(static_cast<std::size_t>(WriteTextFromFileUtf16Le(bytes, into.data()) - into.data()));
}

std::string TextFromUtf16(std::u16string_view units)
{
    std::string bytes;
    bytes.reserve(units.size());
    for (const char16_t unit : units) {
        const int b = IsSurrogate(unit) ? -1 : UnicodeToCp1252(unit);
        if (b < 0)
            return WideTextOfUnits(units);
        bytes += static_cast<char>(b);
    }
    return TextFromCp1252(bytes);
}

std::optional<std::string> TextFromUtf8(std::string_view utf8, std::size_t* badOffset)
{
    std::string bytes;
    bytes.reserve(utf8.size());
    bool fits = true;
    const char* at = utf8.data();
    const char* const end = at + utf8.size();
    while (at != end) {
        const char* const start = at;
        const char32_t c = DecodeUtf8(at, end, false);
        if (c == kInvalid) {
            if (badOffset)
                *badOffset = static_cast<std::size_t>(start - utf8.data());
            return std::nullopt;
        }
        const int b = UnicodeToCp1252(c);
        fits = fits && b >= 0;
        if (fits)
            bytes += static_cast<char>(b);
    }
    if (fits)
        return TextFromCp1252(bytes);
    std::string out(kWideTextMark);
    out += utf8;
    return out;
}

bool IsUtf8(std::string_view utf8)
{
    const char* at = utf8.data();
    const char* const end = at + utf8.size();
    while (at != end)
        if (DecodeUtf8(at, end, false) == kInvalid)
            return false;
    return true;
}

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
    std::string out;
    if (!IsWideText(text)) {
        const std::string_view bytes = Cp1252BytesOf(text);
        out.resize(bytes.size() * 3 + 8);
        out.resize(WriteCp1252AsUtf8(bytes, out.data()) - out.data());
        return out;
    }
    // Without a lone surrogate the wide form is UTF-8 already.
    if (!HasLoneSurrogate(text))
        return std::string(WideUtf8Of(text));
    out.reserve(text.size());
    for (TextCharacters chars(text); !chars.AtEnd();) {
        const char32_t c = chars.Next();
        AppendUtf8(out, IsSurrogate(c) ? kReplacement : c);
    }
    return out;
}

bool FitsCp1252(std::string_view text)
{
    if (!IsWideText(text))
        return true;
    for (TextCharacters chars(text); !chars.AtEnd();)
        if (UnicodeToCp1252(chars.Next()) < 0)
            return false;
    return true;
}

bool HasLoneSurrogate(std::string_view text)
{
    if (!IsWideText(text))
        return false;
    // A surrogate is written ED A0..BF xx, and ED begins nothing else of
    // that range; most texts hold no ED byte at all.
    const std::string_view body = WideUtf8Of(text);
    for (std::size_t at = body.find('\xED'); at != std::string_view::npos; at = body.find('\xED', at + 1))
        if (at + 1 < body.size() && static_cast<unsigned char>(body[at + 1]) >= 0xA0)
            return true;
    return false;
}

TextCharacters::TextCharacters(std::string_view text)
    : m_wide(IsWideText(text))
{
    const std::string_view body = m_wide ? WideUtf8Of(text) : Cp1252BytesOf(text);
    m_at = body.data();
    m_end = body.data() + body.size();
}

TextCharacters::TextCharacters(std::string_view text, std::size_t from) : TextCharacters(text)
{
    const std::size_t mark = static_cast<std::size_t>(m_at - text.data());
    m_at = text.data() + std::min(std::max(from, mark), text.size());
}

char32_t TextCharacters::Next()
{
    if (!m_wide)
        return Cp1252ToUnicode(static_cast<unsigned char>(*m_at++));
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
    // Texts compare through char_traits<char>, which compares as unsigned
    // bytes.
    if (!HasTextMark(a) && !HasTextMark(b)) {
        const int order = a.compare(b);
        return (order > 0) - (order < 0);
    }
    // Two wide texts: the bytes they share are the same characters, since
    // UTF-8 is a prefix-free code, so only the characters from the first
    // differing byte's character on need reading.
    std::size_t from = 0;
    if (IsWideText(a) && IsWideText(b)) {
        const std::size_t shared = std::min(a.size(), b.size());
        from = static_cast<std::size_t>(std::mismatch(a.begin(), a.begin() + shared, b.begin()).first - a.begin());
        const auto inCharacter = [&from](std::string_view t) {
            return from < t.size() && (static_cast<unsigned char>(t[from]) & 0xC0) == 0x80;
        };
        while (from > kWideTextMark.size() && (inCharacter(a) || inCharacter(b)))
            --from;
    }
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
