// SPDX-License-Identifier: MIT
#include "core/file/archive.h"

#include <algorithm>
#include <cstring>

#include "core/text/text_form.h"

namespace {

constexpr std::size_t kReadAhead = 1 << 16;

void AppendLittleEndian(std::string& out, std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// 16-bit lengths stop at FFFD: FFFE and FFFF after FF are markers.
int LengthPrefixSize(std::uint64_t n) { return n < 0xFF ? 1 : n < 0xFFFE ? 3 : 7; }

void AppendLength(std::string& out, std::uint64_t n)
{
    if (n < 0xFF) {
        AppendLittleEndian(out, n, 1);
    } else if (n < 0xFFFE) {
        out += '\xFF';
        AppendLittleEndian(out, n, 2);
    } else {
        out += "\xFF\xFF\xFF";
        AppendLittleEndian(out, n, 4);
    }
}

// A text goes to the file in the form the file held it in; a new one in
// the 8-bit form, as its Windows-1252 bytes, unless it has a character
// Windows-1252 lacks.
bool WrittenAsUtf16(std::string_view text, bool heldAsUtf16) { return heldAsUtf16 || !FitsCp1252(text); }

// The text's length in the form it is written in: code units or bytes.
std::uint64_t LengthIn(std::string_view text, bool utf16)
{
    if (IsAscii(text))
        return text.size();
    std::uint64_t n = 0;
    for (TextCharacters chars(text); !chars.AtEnd();) {
        const char32_t c = chars.Next();
        n += utf16 && c >= 0x10000 ? 2 : 1;
    }
    return n;
}

// The marker that opens the UTF-16 form: FF, then FFFE where a 16-bit
// length would stand.
constexpr std::string_view kUtf16Marker{"\xFF\xFE\xFF", 3};

}  // namespace

std::uint64_t StoredLength(std::string_view text, bool heldAsUtf16)
{
    return LengthIn(text, WrittenAsUtf16(text, heldAsUtf16));
}

std::uint64_t StoredSize(std::string_view text, bool heldAsUtf16)
{
    const bool utf16 = WrittenAsUtf16(text, heldAsUtf16);
    const std::uint64_t n = LengthIn(text, utf16);
    if (utf16)
        return kUtf16Marker.size() + LengthPrefixSize(n) + 2 * n;
    return LengthPrefixSize(n) + n;
}

namespace {

}  // namespace

CArchive::CArchive(std::string_view bytes, std::string path)
    : m_memory(bytes), m_nRemaining(bytes.size()), m_strPath(std::move(path))
{
}

CArchive::CArchive(std::FILE* file, std::uint64_t size, std::string path)
    : m_pFile(file), m_nRemaining(size), m_strPath(std::move(path))
{
}

CArchive::CArchive(std::string& out) : m_pOut(&out) {}

CArchive::CArchive(std::string& buffer, std::function<void(std::string_view)> sink, std::size_t chunk)
    : m_pOut(&buffer), m_sink(std::move(sink)), m_nChunk(chunk)
{
}

void CArchive::Flush()
{
    if (m_sink && !m_pOut->empty()) {
        m_sink(*m_pOut);
        m_pOut->clear();
    }
}

void CArchive::AfterWrite()
{
    if (m_sink && m_pOut->size() >= m_nChunk)
        Flush();
}

void CArchive::WriteUInt32(std::uint32_t value)
{
    AppendLittleEndian(*m_pOut, value, 4);
    AfterWrite();
}

void CArchive::WriteString(std::string_view text, bool heldAsUtf16)
{
    if (WrittenAsUtf16(text, heldAsUtf16)) {
        const std::u16string units = Utf16Of(text);
        *m_pOut += kUtf16Marker;
        AppendLength(*m_pOut, units.size());
        for (const char16_t unit : units)
            AppendLittleEndian(*m_pOut, unit, 2);
    } else {
        if (IsAscii(text)) {
            AppendLength(*m_pOut, text.size());
            m_pOut->append(text);
        } else {
            const std::string bytes = Cp1252Of(text);
            AppendLength(*m_pOut, bytes.size());
            m_pOut->append(bytes);
        }
    }
    AfterWrite();
}

void CArchive::FillReadAhead()
{
    m_buffer.resize(kReadAhead);
    const std::size_t got = std::fread(m_buffer.data(), 1, kReadAhead, m_pFile);
    m_buffer.resize(got);
    m_nBufferPos = 0;
    if (m_readObserver)
        m_readObserver(m_buffer);
    if (got == 0)
        throw ArchiveError("the file could not be read to its end");
}

void CArchive::ReadBytes(char* dst, std::uint64_t n)
{
    if (n > m_nRemaining)
        throw ArchiveError("the file ends inside a field");
    m_nRemaining -= n;
    // Length prefixes come one to four bytes at a time, far more often than
    // texts; copied here they cost no call into the C library, which was
    // half the time of a search over a whole file.
    const auto copy = [dst](const char* from, std::uint64_t count) {
        if (count <= 4) {
            for (std::uint64_t i = 0; i < count; ++i) dst[i] = from[i];
        } else {
            std::memcpy(dst, from, count);
        }
    };
    if (!m_pFile) {
        copy(m_memory.data(), n);
        m_memory.remove_prefix(n);
        return;
    }
    if (m_buffer.size() - m_nBufferPos >= n) {
        copy(m_buffer.data() + m_nBufferPos, n);
        m_nBufferPos += n;
        return;
    }
    while (n > 0) {
        if (m_nBufferPos == m_buffer.size())
            FillReadAhead();
        const std::size_t take = std::min<std::uint64_t>(n, m_buffer.size() - m_nBufferPos);
        std::memcpy(dst, m_buffer.data() + m_nBufferPos, take);
        m_nBufferPos += take;
        dst += take;
        n -= take;
    }
}

std::string_view CArchive::ReadContiguous(std::uint64_t n)
{
    if (n > m_nRemaining)
        throw ArchiveError("a text is longer than the rest of the file");
    if (!m_pFile) {
        const std::string_view bytes = m_memory.substr(0, n);
        m_memory.remove_prefix(n);
        m_nRemaining -= n;
        return bytes;
    }
    if (m_nBufferPos == m_buffer.size() && n > 0 && n <= kReadAhead)
        FillReadAhead();
    if (m_buffer.size() - m_nBufferPos >= n) {
        const std::string_view bytes = std::string_view(m_buffer).substr(m_nBufferPos, n);
        m_nBufferPos += n;
        m_nRemaining -= n;
        return bytes;
    }
    m_units.resize(n);
    ReadBytes(m_units.data(), n);
    return m_units;
}

std::uint32_t CArchive::ReadUInt32()
{
    unsigned char b[4];
    ReadBytes(reinterpret_cast<char*>(b), 4);
    return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

// The length prefix: one byte below FF; after FF a 16-bit length, or FFFF and
// a 32-bit length. FFFE (a UTF-16 string) is handled by ReadString.
std::uint64_t CArchive::ReadLength()
{
    // Read where the bytes lie when the longest prefix is there: a wide
    // text has two prefixes, the marker's and its own.
    constexpr std::size_t kLongest = 7;
    const char* at = nullptr;
    if (m_nRemaining >= kLongest) {
        if (!m_pFile)
            at = m_memory.data();
        else if (m_buffer.size() - m_nBufferPos >= kLongest)
            at = m_buffer.data() + m_nBufferPos;
    }
    if (at != nullptr) {
        const auto byte = [at](int i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(at[i])); };
        std::size_t used = 1;
        std::uint64_t n = byte(0);
        if (n == 0xFF) {
            used = 3;
            n = byte(1) | (byte(2) << 8);
            if (n == 0xFFFE) {
                n = UINT64_MAX;
            } else if (n == 0xFFFF) {
                used = 7;
                n = byte(3) | (byte(4) << 8) | (byte(5) << 16) | (byte(6) << 24);
            }
        }
        m_nRemaining -= used;
        if (m_pFile)
            m_nBufferPos += used;
        else
            m_memory.remove_prefix(used);
        return n;
    }
    unsigned char b[4];
    ReadBytes(reinterpret_cast<char*>(b), 1);
    if (b[0] != 0xFF)
        return b[0];
    ReadBytes(reinterpret_cast<char*>(b), 2);
    const std::uint32_t n16 = b[0] | (b[1] << 8);
    if (n16 == 0xFFFE)
        return UINT64_MAX;
    if (n16 != 0xFFFF)
        return n16;
    return ReadUInt32();
}

std::uint64_t CArchive::ReadUtf16Length()
{
    // A complete length prefix follows, in code units.
    const std::uint64_t n = ReadLength();
    if (n == UINT64_MAX || n > m_nRemaining / 2)
        throw ArchiveError("a text is longer than the rest of the file");
    return n;
}

void CArchive::ReadUtf16String(std::string& into)
{
    AssignTextFromFileUtf16Le(into, ReadContiguous(2 * ReadUtf16Length()));
}

void CArchive::ReadString(std::string& into)
{
    const std::uint64_t n = ReadLength();
    if (n == UINT64_MAX) {
        ReadUtf16String(into);
        return;
    }
    // Checked before allocating, so a damaged prefix cannot ask for gigabytes.
    if (n > m_nRemaining)
        throw ArchiveError("a text is longer than the rest of the file");
    into.resize(n);
    ReadBytes(into.data(), n);
    if (!IsAscii(into))
        into = TextFromCp1252(into);
}

void CArchive::AppendStringTo(CStringArray& texts)
{
    const std::uint64_t n = ReadLength();
    if (n != UINT64_MAX) {
        const std::string_view bytes = ReadContiguous(n);
        const std::size_t room = Cp1252TextRoom(bytes.size());
        if (room > CStringArray::kMaxRoom) {
            if (IsAscii(bytes))
                texts.push_back(bytes);
            else
                texts.push_back(TextFromCp1252(bytes));
            return;
        }
        char* to = texts.Room(room);
        texts.PushBackRoom(static_cast<std::size_t>(WriteTextFromCp1252(bytes, to) - to));
        return;
    }
    const std::string_view units = ReadContiguous(2 * ReadUtf16Length());
    const std::size_t room = Utf16TextRoom(units.size() / 2);
    if (room > CStringArray::kMaxRoom) {
        std::string text;
        AssignTextFromFileUtf16Le(text, units);
        texts.push_back(text, true);
        return;
    }
    char* to = texts.Room(room);
    texts.PushBackRoom(static_cast<std::size_t>(WriteTextFromFileUtf16Le(units, to) - to), true);
}

CArchive::StoredText CArchive::ReadStoredText()
{
    // The short texts of a walk from memory, at once (see ReadStringView).
    if (!m_pFile && !m_memory.empty()) {
        const auto n = static_cast<unsigned char>(m_memory[0]);
        if (n != 0xFF && n < m_memory.size()) {
            const std::string_view text = m_memory.substr(1, n);
            m_memory.remove_prefix(n + 1);
            m_nRemaining -= n + 1;
            return {text, false};
        }
    }
    const std::uint64_t n = ReadLength();
    if (n != UINT64_MAX)
        return {ReadContiguous(n), false};
    return {ReadContiguous(2 * ReadUtf16Length()), true};
}

std::string CArchive::ReadString()
{
    std::string text;
    ReadString(text);
    return text;
}

void CArchive::SkipString()
{
    std::uint64_t n = ReadLength();
    if (n == UINT64_MAX) {
        n = ReadLength();
        n = n == UINT64_MAX || n > m_nRemaining / 2 ? UINT64_MAX : 2 * n;
    }
    if (n > m_nRemaining || m_pFile)
        throw ArchiveError("a text is longer than the rest of the file");
    m_memory.remove_prefix(n);
    m_nRemaining -= n;
}

std::string_view CArchive::TextOf(const StoredText& stored, std::string& spill)
{
    const std::string_view bytes = stored.bytes;
    if (!stored.utf16 && IsAscii(bytes))
        return bytes;
    // The spill only grows, so it is cleared once, not for every text.
    const std::size_t room = stored.utf16 ? Utf16TextRoom(bytes.size() / 2) : Cp1252TextRoom(bytes.size());
    if (spill.size() < room)
        spill.resize(room);
    char* const to = spill.data();
    const char* const end = stored.utf16 ? WriteTextFromFileUtf16Le(bytes, to) : WriteTextFromCp1252(bytes, to);
    return {to, static_cast<std::size_t>(end - to)};
}

std::string_view CArchive::ReadStringView(std::string& spill, bool* heldAsUtf16)
{
    const StoredText stored = ReadStoredText();
    if (heldAsUtf16)
        *heldAsUtf16 = stored.utf16;
    return TextOf(stored, spill);
}
