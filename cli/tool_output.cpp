// SPDX-License-Identifier: MIT
#include "cli/tool_output.h"

#include <cerrno>
#include <cstring>
#include <ostream>

#include <unistd.h>

bool FdSink::Write(std::string_view bytes)
{
    if (m_closed) {
        m_error = "it is closed";
        return false;
    }
    while (!bytes.empty()) {
        const ssize_t n = ::write(m_fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            m_error = std::strerror(errno);
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
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
