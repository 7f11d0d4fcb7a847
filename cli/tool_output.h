// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Where the command-line tools send their output. A failed write is kept,
// not thrown: the tool finishes its walk quietly and then reports it.
class OutputSink {
public:
    virtual ~OutputSink() = default;
    // Writes all of `bytes`; false when that failed, with the reason in Error.
    virtual bool Write(std::string_view bytes) = 0;
    virtual std::string Error() const = 0;
};

// A file descriptor (the tools' standard output): a full disk, a closed
// descriptor or any other failure of write(2) is kept with its errno text.
class FdSink final : public OutputSink {
public:
    explicit FdSink(int fd, bool closed = false) : m_fd(fd), m_closed(closed) {}
    bool Write(std::string_view bytes) override;
    std::string Error() const override { return m_error; }

private:
    int m_fd;
    bool m_closed;
    std::string m_error;
};

// A C++ stream (the tests capture output this way).
class StreamSink final : public OutputSink {
public:
    explicit StreamSink(std::ostream& out) : m_out(out) {}
    bool Write(std::string_view bytes) override;
    std::string Error() const override { return "the stream failed"; }

private:
    std::ostream& m_out;
};

// A line of the tools' output holds one entry: each CR and LF in the UTF-8
// at [begin, end) is shown as a visible sign (U+240D, U+240A; three bytes),
// in place. The room after `end` must hold two bytes more for each of them.
// Returns the new end.
char* ShowLineBreaks(char* begin, char* end);

// Output is written straight into a buffer and goes out in large pieces.
// After the first failed write nothing more is written; Finish says whether
// everything arrived.
class ToolOutput final {
public:
    // `piece`: a smaller buffer for a sink that keeps what it is given.
    explicit ToolOutput(OutputSink& sink, std::size_t piece = kPiece)
        : m_sink(sink), m_buffer(std::make_unique_for_overwrite<char[]>(piece)), m_capacity(piece)
    {
    }
    ToolOutput(const ToolOutput&) = delete;
    ToolOutput& operator=(const ToolOutput&) = delete;

    // Where the next `size` bytes may be written; hand the end of what was
    // written to Commit.
    char* Room(std::size_t size);
    void Commit(const char* end) { m_used = static_cast<std::size_t>(end - m_buffer.get()); }
    void Append(std::string_view text);
    // Sends what is buffered; false once any write has failed.
    bool Flush();
    bool Finish() { return Flush(); }
    std::string Error() const { return m_sink.Error(); }

private:
    static constexpr std::size_t kPiece = 1 << 20;
    OutputSink& m_sink;
    // Never cleared: a tool that writes little touches little of it.
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_capacity;
    std::size_t m_used = 0;
    bool m_failed = false;
};
