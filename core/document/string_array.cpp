// SPDX-License-Identifier: MIT
#include "core/document/string_array.h"

#include <algorithm>
#include <bit>
#include <memory>
#include <new>
#include <utility>

namespace {

// Large enough that a block holds thousands of ordinary texts; a text of a
// quarter of it or more gets a block of its own, so a huge description
// never leaves most of a block empty.
constexpr std::size_t kBlockBytes = std::size_t{1} << 21;
constexpr std::size_t kFirstBlockBytes = 4096;


}  // namespace

const char CStringArray::kEmptyRecord[sizeof(std::uint32_t)] = {};
// The length word 0 with the UTF-16 bit, in memory order.
const char CStringArray::kEmptyUtf16Record[sizeof(std::uint32_t)] = {
    std::endian::native == std::endian::little ? 0 : '\x80', 0, 0,
    std::endian::native == std::endian::little ? '\x80' : 0};

CStringArray::CStringArray(std::initializer_list<std::string_view> texts)
{
    m_texts.reserve(texts.size());
    for (std::string_view text : texts)
        push_back(text);
}

CStringArray::CStringArray(const std::vector<std::string>& texts)
{
    m_texts.reserve(texts.size());
    for (const std::string& text : texts)
        push_back(text);
}

CStringArray::CStringArray(const CStringArray& other)
{
    m_texts.reserve(other.size());
    for (size_type i = 0; i < other.size(); ++i)
        push_back(other[i], other.HeldAsUtf16(i));
}

CStringArray& CStringArray::operator=(const CStringArray& other)
{
    if (this != &other) {
        CStringArray copy(other);
        swap(copy);
    }
    return *this;
}

void CStringArray::clear()
{
    CStringArray empty;
    swap(empty);
}

void CStringArray::swap(CStringArray& other) noexcept
{
    m_texts.swap(other.m_texts);
    m_blocks.swap(other.m_blocks);
    m_blockEnds.swap(other.m_blockEnds);
    std::swap(m_nFilling, other.m_nFilling);
    std::swap(m_pLastStored, other.m_pLastStored);
    std::swap(m_pFree, other.m_pFree);
    std::swap(m_nLeft, other.m_nLeft);
    std::swap(m_nBlockBytes, other.m_nBlockBytes);
    std::swap(m_nLiveBytes, other.m_nLiveBytes);
}

const char* CStringArray::Store(std::string_view text, bool heldAsUtf16)
{
    const std::size_t n = text.size();
    const std::uint32_t form = heldAsUtf16 ? kUtf16Bit : 0;
    if (n == 0)
        return heldAsUtf16 ? kEmptyUtf16Record : kEmptyRecord;
    const std::size_t bytes = RecordBytes(n);
    // Records are never changed and stay in their block until the whole
    // array is copied afresh, so an equal text may simply point at it.
    if (m_pLastStored != nullptr && (LengthWord(m_pLastStored) & kUtf16Bit) == form && ViewOf(m_pLastStored) == text) {
        m_nLiveBytes += bytes;
        return m_pLastStored;
    }
    char* at = nullptr;
    if (bytes >= kBlockBytes / 4) {
        ReserveBlockEnd();
        m_blocks.push_back(std::make_unique_for_overwrite<char[]>(bytes));
        m_nBlockBytes += bytes;
        at = m_blocks.back().get();
        m_blockEnds.push_back(at + bytes);
    } else {
        MakeRoom(bytes);
        at = m_pFree;
        m_pFree += bytes;
        m_nLeft -= bytes;
    }
    char* to = at;
    const std::uint32_t n32 = (n < kLongText ? static_cast<std::uint32_t>(n) : kLongText) | form;
    std::memcpy(to, &n32, sizeof n32);
    to += sizeof n32;
    if ((n32 & kLongText) == kLongText) {
        const std::uint64_t n64 = n;
        std::memcpy(to, &n64, sizeof n64);
        to += sizeof n64;
    }
    std::memcpy(to, text.data(), n);
    m_nLiveBytes += bytes;
    m_pLastStored = at;
    return at;
}

void CStringArray::MakeRoom(std::size_t bytes)
{
    if (bytes <= m_nLeft)
        return;
    NewBlock(bytes);
}

void CStringArray::ReserveBlockEnd()
{
    // Made before the block, so that adding one never stops halfway.
    if (m_blockEnds.size() == m_blockEnds.capacity())
        m_blockEnds.reserve(std::max<std::size_t>(8, 2 * m_blockEnds.size()));
}

void CStringArray::NewBlock(std::size_t bytes)
{
    // Blocks double from a page up to the standard size, so a small array
    // stays small.
    const std::size_t size =
        std::max<std::size_t>(bytes, std::clamp<std::uint64_t>(m_nBlockBytes, kFirstBlockBytes, kBlockBytes));
    ReserveBlockEnd();
    m_blocks.push_back(std::make_unique_for_overwrite<char[]>(size));
    m_nBlockBytes += size;
    if (m_nFilling != SIZE_MAX)
        m_blockEnds[m_nFilling] = m_pFree;
    m_blockEnds.push_back(nullptr);
    m_nFilling = m_blocks.size() - 1;
    m_pFree = m_blocks.back().get();
    m_nLeft = size;
}

static_assert(sizeof(std::uint32_t) + CStringArray::kMaxRoom < kBlockBytes / 4);

void CStringArray::ReclaimIfMostlyDead()
{
    // Shared records are counted live once per text, so the live count may
    // exceed the blocks.
    const std::uint64_t dead = m_nBlockBytes > m_nLiveBytes ? m_nBlockBytes - m_nLiveBytes : 0;
    if (dead <= std::max<std::uint64_t>(m_nLiveBytes, 2 * kBlockBytes))
        return;
    // The copy needs the live bytes once more for a moment; where memory is
    // that short, the texts simply stay where they are.
    try {
        CStringArray fresh(*this);
        swap(fresh);
    } catch (const std::bad_alloc&) {
    }
}

void CStringArray::push_back(std::string_view text, bool heldAsUtf16)
{
    m_texts.push_back(Store(text, heldAsUtf16));
}

void CStringArray::pop_back()
{
    Forget(m_texts.back());
    m_texts.pop_back();
    ReclaimIfMostlyDead();
}

void CStringArray::Set(size_type i, std::string_view text, bool heldAsUtf16)
{
    const char* stored = Store(text, heldAsUtf16);
    Forget(m_texts.at(i));
    m_texts[i] = stored;
    ReclaimIfMostlyDead();
}

void CStringArray::Insert(size_type i, std::string_view text, bool heldAsUtf16)
{
    m_texts.insert(m_texts.begin() + static_cast<std::ptrdiff_t>(i), Store(text, heldAsUtf16));
}

void CStringArray::Erase(size_type i)
{
    Forget(m_texts.at(i));
    m_texts.erase(m_texts.begin() + static_cast<std::ptrdiff_t>(i));
    ReclaimIfMostlyDead();
}

void CStringArray::Move(size_type from, size_type to)
{
    // The pointers between are shifted with one memmove.
    const auto at = [this](size_type i) { return m_texts.begin() + static_cast<std::ptrdiff_t>(i); };
    const char* moved = m_texts[from];
    if (from < to)
        std::copy(at(from + 1), at(to + 1), at(from));
    else if (to < from)
        std::copy_backward(at(to), at(from), at(from + 1));
    m_texts[to] = moved;
}

std::uint64_t CStringArray::Footprint() const
{
    return m_nBlockBytes + m_texts.capacity() * sizeof(m_texts[0]) + m_blocks.capacity() * sizeof(m_blocks[0]) +
           m_blockEnds.capacity() * sizeof(m_blockEnds[0]);
}

bool operator==(const CStringArray& a, const CStringArray& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

bool operator==(const CStringArray& a, const std::vector<std::string>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
}
