// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// One entry read from a record set, its texts in Windows-1252 with CR LF as
// the line break, as the document holds them.
struct ImportedEntry final {
    std::string keyWords;
    std::string description;
    std::string date;
};

// The entries of a record set on their way into a new document, packed
// close: their texts one after the other in blocks of about a megabyte,
// each after its length, and one number per entry for where it lies. An
// import then takes little more memory than the document it writes, where a
// string of its own for every text took several times as much.
class ImportedEntries final {
public:
    // Keeps an entry after the others; false, keeping nothing, when a
    // document cannot hold it (a text of 4 GiB or more, or more entries
    // than a document counts).
    bool Add(std::string_view keyWords, std::string_view description, std::string_view date);

    std::size_t size() const { return m_at.size(); }
    bool empty() const { return m_at.empty(); }
    ImportedEntry operator[](std::size_t i) const;
    void clear();

    // Puts the entries in key-word order; equal key words keep their order.
    void SortByKeyWords();

    // Writes the document that holds the entries in their order through
    // `sink` (a small buffer at a time); false once the sink refuses.
    bool WriteDocument(const std::function<bool(std::string_view)>& sink) const;

private:
    struct Free {
        void operator()(char* p) const { std::free(p); }
    };
    // The key words, description and date of the entry at `at`.
    void Texts(std::uint64_t at, std::string_view (&texts)[3]) const;
    char* Room(std::size_t bytes);

    std::vector<std::unique_ptr<char, Free>> m_blocks;
    std::size_t m_used = 0;      // of the last block
    std::size_t m_capacity = 0;  // of the last block
    // Block number times 2^20 plus the offset in the block: numbers grow in
    // the order entries were added.
    std::vector<std::uint64_t> m_at;
};
