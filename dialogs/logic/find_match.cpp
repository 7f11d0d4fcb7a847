// SPDX-License-Identifier: MIT
#include "dialogs/logic/find_match.h"

#include <array>
#include <cstring>

namespace {

constexpr std::array<unsigned char, 256> MakeFoldTable()
{
    std::array<unsigned char, 256> table{};
    for (int b = 0; b < 256; ++b)
        table[b] = static_cast<unsigned char>(b);
    for (int b = 'A'; b <= 'Z'; ++b)
        table[b] = static_cast<unsigned char>(b + 0x20);
    for (int b = 0xC0; b <= 0xDE; ++b)
        if (b != 0xD7)
            table[b] = static_cast<unsigned char>(b + 0x20);
    table[0x8A] = 0x9A;  // S with caron
    table[0x8C] = 0x9C;  // OE
    table[0x8E] = 0x9E;  // Z with caron
    table[0x9F] = 0xFF;  // Y with diaeresis
    return table;
}

constexpr std::array<unsigned char, 256> kFold = MakeFoldTable();

// Last byte equal to `c` in [base, base + n), or nullptr.
const unsigned char* LastByte(const unsigned char* base, std::size_t n, unsigned char c)
{
#if defined(__GLIBC__)
    return static_cast<const unsigned char*>(memrchr(base, c, n));
#else
    while (n > 0) {
        --n;
        if (base[n] == c)
            return base + n;
    }
    return nullptr;
#endif
}

}  // namespace

unsigned char FoldCp1252(unsigned char byte)
{
    return kFold[byte];
}

CFoldedNeedle::CFoldedNeedle(std::string_view needle)
{
    m_folded.reserve(needle.size());
    for (char c : needle)
        m_folded.push_back(static_cast<char>(kFold[static_cast<unsigned char>(c)]));
    if (m_folded.empty())
        return;
    const unsigned char first = static_cast<unsigned char>(m_folded[0]);
    for (int b = 0; b < 256 && m_firstCount < 2; ++b)
        if (kFold[b] == first)
            m_first[m_firstCount++] = static_cast<unsigned char>(b);
}

bool CFoldedNeedle::MatchesAt(const unsigned char* p) const
{
    const auto* n = reinterpret_cast<const unsigned char*>(m_folded.data());
    for (std::size_t k = 1; k < m_folded.size(); ++k)
        if (kFold[p[k]] != n[k])
            return false;
    return true;
}

std::size_t CFoldedNeedle::FindFirst(std::string_view text, std::size_t from) const
{
    const std::size_t n = m_folded.size();
    if (n == 0 || from > text.size() || text.size() - from < n)
        return npos;
    const auto* base = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* const last = base + (text.size() - n);  // last possible start
    const unsigned char* p = base + from;
    if (m_firstCount == 1) {
        while (p <= last) {
            p = static_cast<const unsigned char*>(
                std::memchr(p, m_first[0], static_cast<std::size_t>(last - p) + 1));
            if (!p)
                return npos;
            if (MatchesAt(p))
                return static_cast<std::size_t>(p - base);
            ++p;
        }
        return npos;
    }
    // Two byte values start a match. Keep the next place of each, and scan
    // again only for the one that was used, so every byte is read once.
    const unsigned char* next[2] = {nullptr, nullptr};
    bool known[2] = {false, false};
    while (p <= last) {
        for (int j = 0; j < 2; ++j) {
            if (!known[j] || (next[j] && next[j] < p)) {
                next[j] = static_cast<const unsigned char*>(
                    std::memchr(p, m_first[j], static_cast<std::size_t>(last - p) + 1));
                known[j] = true;
            }
        }
        const unsigned char* q = next[0];
        if (!q || (next[1] && next[1] < q))
            q = next[1];
        if (!q)
            return npos;
        if (MatchesAt(q))
            return static_cast<std::size_t>(q - base);
        p = q + 1;
    }
    return npos;
}

std::size_t CFoldedNeedle::FindLast(std::string_view text) const
{
    const std::size_t n = m_folded.size();
    if (n == 0 || text.size() < n)
        return npos;
    const auto* base = reinterpret_cast<const unsigned char*>(text.data());
    // Candidate starts lie in [0, end). As forward, each byte value keeps
    // its last place, so the text is read once even with two start bytes.
    std::size_t end = text.size() - n + 1;
    const unsigned char* prev[2] = {nullptr, nullptr};
    bool known[2] = {false, false};
    while (end > 0) {
        for (int j = 0; j < m_firstCount; ++j) {
            if (!known[j] || (prev[j] && prev[j] >= base + end)) {
                prev[j] = LastByte(base, end, m_first[j]);
                known[j] = true;
            }
        }
        const unsigned char* q = prev[0];
        if (m_firstCount == 2 && (!q || (prev[1] && prev[1] > q)))
            q = prev[1];
        if (!q)
            return npos;
        if (MatchesAt(q))
            return static_cast<std::size_t>(q - base);
        end = static_cast<std::size_t>(q - base);
    }
    return npos;
}
