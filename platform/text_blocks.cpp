// SPDX-License-Identifier: MIT
#include "platform/text_blocks.h"

#include <cstdint>
#include <new>

#include <sys/mman.h>
#include <unistd.h>

TextBlock NewTextBlock(std::size_t bytes, std::size_t& granted)
{
    if (bytes < kHugeBlockBytes) {
        granted = bytes;
        return TextBlock(new char[bytes], TextBlockFree(bytes));
    }
    if (bytes > SIZE_MAX - 2 * kHugeBlockBytes)
        throw std::bad_alloc();
    granted = (bytes + kHugeBlockBytes - 1) / kHugeBlockBytes * kHugeBlockBytes;
    // Map one huge page more than needed and give back the ends that lie
    // off the boundary.
    const std::size_t mapped = granted + kHugeBlockBytes;
    void* const map = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (map == MAP_FAILED)
        throw std::bad_alloc();
    char* const start = static_cast<char*>(map);
    const auto address = reinterpret_cast<std::uintptr_t>(start);
    char* const block = start + (kHugeBlockBytes - address % kHugeBlockBytes) % kHugeBlockBytes;
    if (block > start)
        ::munmap(start, static_cast<std::size_t>(block - start));
    if (const std::size_t tail = static_cast<std::size_t>(start + mapped - (block + granted)))
        ::munmap(block + granted, tail);
    ::madvise(block, granted, MADV_HUGEPAGE);
    return TextBlock(block, TextBlockFree(granted));
}

void TextBlockFree::operator()(char* block) const noexcept
{
    if (m_nBytes < kHugeBlockBytes)
        delete[] block;
    else
        ::munmap(block, m_nBytes);
}

// Below this, the faults of first writes cost less than the calls.
constexpr std::size_t kPrefaultedBytes = std::size_t{1} << 18;

void PrepareFreshMemory(void* begin, std::size_t bytes) noexcept
{
    const auto from = reinterpret_cast<std::uintptr_t>(begin);
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    if (bytes < kPrefaultedBytes || from > UINTPTR_MAX - bytes - page)
        return;
    // Whole pages from the one that holds the first byte: memory this large
    // comes from a mapping of its own, and advice for all of it keeps that
    // mapping whole, which a later realloc needs to grow it in place.
    const std::uintptr_t first = from / page * page;
    const std::uintptr_t end = (from + bytes + page - 1) / page * page;
    void* const pages = reinterpret_cast<void*>(first);
    // Only hints: where the kernel refuses, the pages come 4 KiB at a time
    // as they are first written.
    if (bytes >= 2 * kHugeBlockBytes)
        ::madvise(pages, end - first, MADV_HUGEPAGE);
#ifdef MADV_POPULATE_WRITE
    // What is left of 4 KiB pages is made present in one call rather than
    // by one fault each.
    ::madvise(pages, end - first, MADV_POPULATE_WRITE);
#endif
}

std::string FreshCopyOf(std::string_view text)
{
    std::string copy;
    copy.reserve(text.size());
    PrepareFreshMemory(copy.data(), text.size());
    copy.assign(text);
    return copy;
}
