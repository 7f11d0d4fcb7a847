// SPDX-License-Identifier: MIT
#include "cli/tool_output.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ostream>

#include "platform/safe_file.h"

namespace {

// Whether [p, end) holds a CR or an LF: eight bytes a step, since nearly
// every line has neither.
bool HasLineBreak(const char* p, const char* end)
{
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
    const auto hasZeroByte = [](std::uint64_t x) { return ((x - kOnes) & ~x & kHigh) != 0; };
    for (; end - p >= 8; p += 8) {
        std::uint64_t word;
        std::memcpy(&word, p, sizeof word);
        if (hasZeroByte(word ^ (kOnes * '\r')) || hasZeroByte(word ^ (kOnes * '\n')))
            return true;
    }
    for (; p != end; ++p)
        if (*p == '\r' || *p == '\n')
            return true;
    return false;
}

}  // namespace

char* ShowLineBreaks(char* begin, char* end)
{
    if (!HasLineBreak(begin, end))
        return end;
    const auto breaks = static_cast<std::size_t>(
        std::count_if(begin, end, [](char c) { return c == '\r' || c == '\n'; }));
    // From the back, so that nothing is overwritten before it is moved.
    char* const newEnd = end + 2 * breaks;
    char* to = newEnd;
    for (const char* p = end; p != begin;) {
        const char c = *--p;
        if (c == '\r' || c == '\n') {
            to -= 3;
            std::memcpy(to, c == '\r' ? "\xE2\x90\x8D" : "\xE2\x90\x8A", 3);
        } else {
            *--to = c;
        }
    }
    return newEnd;
}

bool FdSink::Write(std::string_view bytes)
{
    if (m_closed) {
        m_error = "it is closed";
        return false;
    }
    if (!WriteAllTo(m_fd, bytes)) {
        m_error = std::strerror(errno);
        return false;
    }
    return true;
}

bool StreamSink::Write(std::string_view bytes)
{
    m_out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return m_out.good();
}

char* ToolOutput::Room(std::size_t size)
{
    if (m_used + size > m_capacity) {
        Flush();
        if (size > m_capacity) {
            m_buffer = std::make_unique_for_overwrite<char[]>(size);
            m_capacity = size;
        }
    }
    return m_buffer.get() + m_used;
}

void ToolOutput::Append(std::string_view text)
{
    // A large piece goes out as it is rather than through the buffer.
    if (text.size() >= kPiece) {
        Flush();
        if (!m_failed) m_failed = !m_sink.Write(text);
        return;
    }
    char* to = Room(text.size());
    std::memcpy(to, text.data(), text.size());
    Commit(to + text.size());
}

bool ToolOutput::Flush()
{
    if (!m_failed && m_used > 0) m_failed = !m_sink.Write({m_buffer.get(), m_used});
    m_used = 0;
    return !m_failed;
}
