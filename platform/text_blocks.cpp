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

void OfferHugePages(void* begin, std::size_t bytes) noexcept
{
    const auto from = reinterpret_cast<std::uintptr_t>(begin);
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    if (bytes < 2 * kHugeBlockBytes || from > UINTPTR_MAX - bytes - page)
        return;
    // Whole pages from the one that holds the first byte: memory this large
    // comes from a mapping of its own, and advice for all of it keeps that
    // mapping whole, which a later realloc needs to grow it in place.
    const std::uintptr_t first = from / page * page;
    const std::uintptr_t end = (from + bytes + page - 1) / page * page;
    // Only a hint: where the kernel refuses, the pages come 4 KiB at a time.
    ::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
}

std::string FreshCopyOf(std::string_view text)
{
    std::string copy;
    copy.reserve(text.size());
    OfferHugePages(copy.data(), text.size());
    copy.assign(text);
    return copy;
}
