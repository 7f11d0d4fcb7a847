// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

// Memory for the blocks a table keeps its texts in. Opening a document
// writes its whole text into fresh memory, and with pages of 4 KiB the
// kernel's handling of the first touch of each page had cost a third of an
// open. A block of kHugeBlockBytes or more is therefore laid on a boundary
// of that size and offered to the kernel for huge pages, which take one
// fault each; where the kernel declines, the block works as any other.
constexpr std::size_t kHugeBlockBytes = std::size_t{1} << 21;

class TextBlockFree final {
public:
    TextBlockFree() = default;
    explicit TextBlockFree(std::size_t bytes) : m_nBytes(bytes) {}
    void operator()(char* block) const noexcept;

private:
    std::size_t m_nBytes = 0;
};

using TextBlock = std::unique_ptr<char[], TextBlockFree>;

// A block of at least `bytes` bytes; `granted` tells how many may be used
// (a huge block is rounded up to whole huge pages). Throws std::bad_alloc
// when the memory is not there.
TextBlock NewTextBlock(std::size_t bytes, std::size_t& granted);

// Prepares fresh memory that is about to be written from end to end (a
// huge text copied or widened for the Edit dialog): its whole huge pages
// are offered to the kernel and the rest is made present at once, so that
// its first touch does not take a fault for every 4 KiB. Memory too small
// for that to pay is left as it is.
void PrepareFreshMemory(void* begin, std::size_t bytes) noexcept;

// A copy of a text that may be huge, in memory prepared as above.
std::string FreshCopyOf(std::string_view text);
