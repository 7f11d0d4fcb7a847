// SPDX-License-Identifier: MIT
#include "cli/imported_entries.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

#include "core/file/archive.h"
#include "core/file/document_file.h"
#include "core/file/entry_stream.h"
#include "core/document/ovrin_doc.h"

namespace {

constexpr int kOffsetBits = 20;
constexpr std::size_t kBlock = std::size_t{1} << kOffsetBits;

// A length takes seven bits a byte, so that the short texts of most entries
// cost one byte for it, as in the document.
std::size_t LengthBytes(std::uint64_t n)
{
    std::size_t bytes = 1;
    for (; n >= 0x80; n >>= 7)
        ++bytes;
    return bytes;
}

char* PutText(char* to, std::string_view text)
{
    std::uint64_t n = text.size();
    for (; n >= 0x80; n >>= 7)
        *to++ = static_cast<char>((n & 0x7F) | 0x80);
    *to++ = static_cast<char>(n);
    // An empty view may have no data at all, which memcpy may not be given.
    if (!text.empty())
        std::memcpy(to, text.data(), text.size());
    return to + text.size();
}

const char* GetText(const char* from, std::string_view& text)
{
    std::uint64_t n = 0;
    for (int shift = 0;; shift += 7) {
        const auto b = static_cast<unsigned char>(*from++);
        n |= static_cast<std::uint64_t>(b & 0x7F) << shift;
        if ((b & 0x80) == 0)
            break;
    }
    text = std::string_view(from, n);
    return from + n;
}

}  // namespace

bool ImportedEntries::Add(std::string_view keyWords, std::string_view description, std::string_view date)
{
    if (!FitsInDocument(keyWords.size()) || !FitsInDocument(description.size()) || !FitsInDocument(date.size()) ||
        m_at.size() >= static_cast<std::size_t>(INT_MAX))
        return false;
    const std::size_t bytes = LengthBytes(keyWords.size()) + keyWords.size() + LengthBytes(description.size()) +
                              description.size() + LengthBytes(date.size()) + date.size();
    char* to = Room(bytes);
    to = PutText(to, keyWords);
    to = PutText(to, description);
    PutText(to, date);
    return true;
}

char* ImportedEntries::Room(std::size_t bytes)
{
    if (m_blocks.empty() || m_capacity - m_used < bytes) {
        // A full block gives back the room it will never use.
        if (!m_blocks.empty() && m_used < m_capacity) {
            char* const old = m_blocks.back().release();
            char* const trimmed = static_cast<char*>(std::realloc(old, std::max<std::size_t>(m_used, 1)));
            m_blocks.back().reset(trimmed != nullptr ? trimmed : old);
        }
        // A text larger than a block gets one of its own size, and nothing
        // after it, so offsets stay below a block.
        const std::size_t capacity = std::max(kBlock, bytes);
        auto* const block = static_cast<char*>(std::malloc(capacity));
        if (block == nullptr)
            throw std::bad_alloc();
        m_blocks.emplace_back(block);
        m_used = 0;
        m_capacity = capacity;
    }
    m_at.push_back(((m_blocks.size() - 1) << kOffsetBits) | m_used);
    char* const to = m_blocks.back().get() + m_used;
    m_used += bytes;
    return to;
}

void ImportedEntries::Texts(std::uint64_t at, std::string_view (&texts)[3]) const
{
    const char* from = m_blocks[at >> kOffsetBits].get() + (at & (kBlock - 1));
    for (std::string_view& text : texts)
        from = GetText(from, text);
}

ImportedEntry ImportedEntries::operator[](std::size_t i) const
{
    std::string_view texts[3];
    Texts(m_at[i], texts);
    return ImportedEntry{std::string(texts[0]), std::string(texts[1]), std::string(texts[2])};
}

void ImportedEntries::clear()
{
    m_blocks.clear();
    m_at.clear();
    m_used = m_capacity = 0;
}

void ImportedEntries::SortByKeyWords()
{
    // Where an entry lies grows with the order it came in, so it breaks
    // ties as a stable sort would, without a stable sort's second array.
    std::sort(m_at.begin(), m_at.end(), [this](std::uint64_t a, std::uint64_t b) {
        std::string_view x[3], y[3];
        Texts(a, x);
        Texts(b, y);
        const int c = CompareKeyWords(x[0], y[0]);
        return c != 0 ? c < 0 : a < b;
    });
}

bool ImportedEntries::WriteDocument(const std::function<bool(std::string_view)>& sink) const
{
    bool ok = true;
    std::string buffer;
    CArchive ar(buffer, [&](std::string_view piece) { ok = ok && sink(piece); }, kBlock);
    WriteEntryStreamHead(ar, static_cast<std::uint32_t>(m_at.size()));
    for (const std::uint64_t at : m_at) {
        std::string_view texts[3];
        Texts(at, texts);
        for (const std::string_view text : texts)
            ar.WriteString(text);
    }
    ar.Flush();
    return ok;
}
