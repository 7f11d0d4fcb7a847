// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>


// An array of texts whose bytes lie side by side in large blocks, in the
// order they came in, each behind its length. A table of a million entries
// then costs its bytes and 12 more a text (no string object and no
// allocator header each), and a search over the whole table reads memory
// front to back instead of hopping between scattered allocations. The
// length takes 4 bytes (a file cannot hold a longer text; one of 4 GiB or
// more made in memory takes 8 bytes more), read without a branch that
// depends on the text. All empty texts share one record, and a text equal
// to the one stored just before it shares that one's record (a run of equal
// dates costs a pointer an entry).
//
// Each text also keeps, in its length's highest bit, whether the file held
// it in its UTF-16 form (HeldAsUtf16), so that it is written back in the
// form it came in.
//
// The array itself holds one pointer a text, so inserting into or deleting
// from the middle shifts 8 bytes a text with one memmove, and Add, Delete
// and Undo stay well under a millisecond at a million entries. A text that is set anew
// is written at the end of the blocks; the bytes it leaves behind are
// reclaimed once they outweigh the live ones, by copying every live text
// into fresh blocks in array order.
//
// A view handed out stays valid until the array is next changed.
class CStringArray final {
public:
    using value_type = std::string_view;
    using size_type = std::size_t;

    // Walks the texts as views.
    class const_iterator {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = std::string_view;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = std::string_view;

        const_iterator() = default;
        explicit const_iterator(const char* const* at) : m_at(at) {}
        std::string_view operator*() const { return ViewOf(*m_at); }
        std::string_view operator[](difference_type n) const { return ViewOf(m_at[n]); }
        const_iterator& operator++() { ++m_at; return *this; }
        const_iterator operator++(int) { const_iterator t = *this; ++m_at; return t; }
        const_iterator& operator--() { --m_at; return *this; }
        const_iterator operator--(int) { const_iterator t = *this; --m_at; return t; }
        const_iterator& operator+=(difference_type n) { m_at += n; return *this; }
        const_iterator& operator-=(difference_type n) { m_at -= n; return *this; }
        friend const_iterator operator+(const_iterator a, difference_type n) { return const_iterator(a.m_at + n); }
        friend const_iterator operator+(difference_type n, const_iterator a) { return const_iterator(a.m_at + n); }
        friend const_iterator operator-(const_iterator a, difference_type n) { return const_iterator(a.m_at - n); }
        friend difference_type operator-(const_iterator a, const_iterator b) { return a.m_at - b.m_at; }
        friend bool operator==(const_iterator a, const_iterator b) { return a.m_at == b.m_at; }
        friend auto operator<=>(const_iterator a, const_iterator b) { return a.m_at <=> b.m_at; }

    private:
        const char* const* m_at = nullptr;
    };
    using iterator = const_iterator;

    CStringArray() = default;
    CStringArray(std::initializer_list<std::string_view> texts);
    CStringArray(const std::vector<std::string>& texts);  // NOLINT: implicit by design
    CStringArray(const CStringArray& other);
    // A moved-from array is empty and keeps no pointer into the blocks it gave away.
    CStringArray(CStringArray&& other) noexcept { swap(other); }
    CStringArray& operator=(const CStringArray& other);
    CStringArray& operator=(CStringArray&& other) noexcept
    {
        CStringArray taken(std::move(other));
        swap(taken);
        return *this;
    }
    ~CStringArray() = default;

    size_type size() const { return m_texts.size(); }
    bool empty() const { return m_texts.empty(); }
    void reserve(size_type n) { m_texts.reserve(n); }
    void clear();
    void swap(CStringArray& other) noexcept;

    // Const, so that `array[i] = text` does not compile (it would only
    // change a copy of the view): texts are changed with Set.
    const std::string_view operator[](size_type i) const { return ViewOf(m_texts[i]); }
    const std::string_view at(size_type i) const { return ViewOf(m_texts.at(i)); }
    const std::string_view front() const { return ViewOf(m_texts.front()); }
    const std::string_view back() const { return ViewOf(m_texts.back()); }
    const_iterator begin() const { return const_iterator(m_texts.data()); }
    const_iterator end() const { return const_iterator(m_texts.data() + m_texts.size()); }

    void push_back(std::string_view text, bool heldAsUtf16 = false);
    // Whether the file held text i in its UTF-16 form.
    bool HeldAsUtf16(size_type i) const { return (LengthWord(m_texts[i]) & kUtf16Bit) != 0; }
    // Appends a text written in place, saving the copy that a text made on
    // the way in (converted from the file, say) would otherwise cost:
    // Room(maxBytes) returns where up to `maxBytes` bytes may be written,
    // and PushBackRoom(n) then adds the first `n` of them as a text. Nothing
    // else may change the array in between.
    static constexpr std::size_t kMaxRoom = (std::size_t{1} << 18) - 16;
    char* Room(std::size_t maxBytes)
    {
        if (sizeof(std::uint32_t) + maxBytes > m_nLeft)
            NewBlock(sizeof(std::uint32_t) + maxBytes);
        return m_pFree + sizeof(std::uint32_t);
    }
    void PushBackRoom(std::size_t n, bool heldAsUtf16 = false)
    {
        const std::string_view text(m_pFree + sizeof(std::uint32_t), n);
        const std::size_t bytes = RecordBytes(n);
        const std::uint32_t form = heldAsUtf16 ? kUtf16Bit : 0;
        if (n == 0) {
            m_texts.push_back(heldAsUtf16 ? kEmptyUtf16Record : kEmptyRecord);
        } else if (m_pLastStored != nullptr && (LengthWord(m_pLastStored) & kUtf16Bit) == form &&
                   ViewOf(m_pLastStored) == text) {
            m_texts.push_back(m_pLastStored);
            m_nLiveBytes += bytes;
        } else {
            m_texts.push_back(m_pFree);
            const auto n32 = static_cast<std::uint32_t>(n) | form;
            std::memcpy(m_pFree, &n32, sizeof n32);
            m_pLastStored = m_pFree;
            m_pFree += bytes;
            m_nLeft -= bytes;
            m_nLiveBytes += bytes;
        }
    }
    void pop_back();
    void Set(size_type i, std::string_view text, bool heldAsUtf16 = false);
    void Insert(size_type i, std::string_view text, bool heldAsUtf16 = false);
    void Erase(size_type i);
    // Moves the text at `from` to `to`; those between shift by one.
    void Move(size_type from, size_type to);

    std::vector<std::string> ToVector() const { return {begin(), end()}; }
    // Calls visit(begin, end) with the bytes of each block that hold
    // records, until it returns false; returns whether it never did. Those
    // bytes are every text, each behind its length (4 bytes, 12 for a text
    // of 4 GiB or more), and the texts left behind by Set, Erase and
    // pop_back: a search that finds nothing in them may skip the texts one
    // by one. The empty texts' record, a length of 0, is visited first as
    // a block of its own.
    template <typename Visit>
    bool VisitBlocks(Visit&& visit) const
    {
        if (!visit(kEmptyRecord, kEmptyRecord + sizeof kEmptyRecord) ||
            !visit(kEmptyUtf16Record, kEmptyUtf16Record + sizeof kEmptyUtf16Record))
            return false;
        for (std::size_t k = 0; k < m_blocks.size(); ++k)
            if (!visit(static_cast<const char*>(m_blocks[k].get()), k == m_nFilling ? m_pFree : m_blockEnds[k]))
                return false;
        return true;
    }
    // Where the record of text i begins, in one of the ranges VisitBlocks
    // visits (and wholly inside it): to be compared with them, not read.
    const char* RecordOf(size_type i) const { return m_texts[i]; }
    // The text of the record that begins at `record`, in a range VisitBlocks
    // visits: the range's first record begins where it begins, and each
    // next one where the text before it ends.
    static std::string_view TextOfRecord(const char* record) { return ViewOf(record); }
    // What the array holds in memory: its blocks, used or not, and its views.
    std::uint64_t Footprint() const;

    friend bool operator==(const CStringArray& a, const CStringArray& b);
    friend bool operator==(const CStringArray& a, const std::vector<std::string>& b);

private:
    // A text is stored as its length, a 32-bit number, and its bytes. The
    // number's highest bit is the form the file held the text in; the
    // highest value of the rest says that a 64-bit length follows.
    static constexpr std::uint32_t kUtf16Bit = std::uint32_t{1} << 31;
    static constexpr std::uint32_t kLongText = kUtf16Bit - 1;
    static std::uint32_t LengthWord(const char* record)
    {
        std::uint32_t word = 0;
        std::memcpy(&word, record, sizeof word);
        return word;
    }
    static std::string_view ViewOf(const char* record)
    {
        const std::uint32_t n = LengthWord(record) & kLongText;
        if (n != kLongText) [[likely]]
            return {record + sizeof n, n};
        std::uint64_t n64 = 0;
        std::memcpy(&n64, record + sizeof n, sizeof n64);
        return {record + sizeof n + sizeof n64, n64};
    }
    // The bytes of the record of a text of `n` bytes.
    static std::size_t RecordBytes(std::size_t n)
    {
        return (n < kLongText ? sizeof(std::uint32_t) : sizeof(std::uint32_t) + sizeof(std::uint64_t)) + n;
    }
    // Copies `text` into the blocks and returns where its record begins.
    const char* Store(std::string_view text, bool heldAsUtf16);
    // Makes sure the last block of the standard size has `bytes` free.
    void MakeRoom(std::size_t bytes);
    // Starts a block of the standard size (or larger) with `bytes` free.
    void NewBlock(std::size_t bytes);
    // Room for one more block's end in m_blockEnds.
    void ReserveBlockEnd();
    // Every empty text is one of these records: a length of 0 and no bytes.
    static const char kEmptyRecord[sizeof(std::uint32_t)];
    static const char kEmptyUtf16Record[sizeof(std::uint32_t)];
    // Counts a record out of the live bytes (an empty text has none). A
    // shared record counts once for each text that uses it.
    void Forget(const char* record)
    {
        const std::size_t n = ViewOf(record).size();
        m_nLiveBytes -= n == 0 ? 0 : RecordBytes(n);
    }
    void ReclaimIfMostlyDead();

    std::vector<const char*> m_texts;
    std::vector<std::unique_ptr<char[]>> m_blocks;
    // Where the records of each block end; the block being filled (at
    // m_nFilling, if any) ends at m_pFree.
    std::vector<const char*> m_blockEnds;
    std::size_t m_nFilling = SIZE_MAX;
    const char* m_pLastStored = nullptr;  // the record Store wrote or shared last
    char* m_pFree = nullptr;     // the rest of the last block of the standard size
    std::size_t m_nLeft = 0;
    std::uint64_t m_nBlockBytes = 0;  // all blocks
    std::uint64_t m_nLiveBytes = 0;   // the records of the texts in m_texts, shared ones each time
};
