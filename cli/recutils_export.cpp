// SPDX-License-Identifier: MIT
#include "cli/recutils_export.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <atomic>
#include <exception>
#include <memory>
#include <semaphore>
#include <system_error>
#include <thread>

#include "core/text/cp1252.h"
#include "core/file/archive.h"
#include "core/file/entry_stream.h"
#include "core/file/entry_walk.h"
#include "core/text/text_form.h"

namespace {

// Writes a string literal without its terminating zero; its size is known
// here, so the copy is a few moves.
template <std::size_t N>
char* WriteLiteral(char* to, const char (&text)[N])
{
    std::memcpy(to, text, N - 1);
    return to + (N - 1);
}

// Copies UTF-8 up to the first line feed, carriage return or NUL, or
// `end`, as WriteCp1252AsUtf8ToBreak converts.
const char* CopyUtf8ToBreak(const char* from, const char* end, char*& to)
{
    const char* p = from;
    while (p != end && *p != '\n' && *p != '\r' && *p != '\0') ++p;
    std::memcpy(to, from, static_cast<std::size_t>(p - from));
    to += p - from;
    return p;
}

// Writes one value split into lines, as UTF-8 through `writeToBreak`. The
// value is converted, split and checked in one pass, since the export is
// mostly this loop.
template <typename WriteToBreak>
char* WriteValue(char* d, std::string_view value, bool& exact, WriteToBreak writeToBreak)
{
    const char* p = value.data();
    const char* const end = p + value.size();
    for (;;) {
        p = writeToBreak(p, end, d);
        if (p == end) break;
        if (*p == '\r' && end - p >= 2 && p[1] == '\n') {
            ++p;  // CR LF is one break
        } else if (*p != '\n') {
            // A CR that is no part of a break stays in the record as it is,
            // where any tool that takes CR LF for a line end loses it;
            // recutils ends a text at a NUL byte.
            exact = false;
            *d++ = *p++;
            continue;
        } else {
            // A lone LF becomes the same break, so it would come back as CR LF.
            exact = false;
        }
        // Converted bytes never end in '\\', and an empty line ends in the
        // blank before it, so this sees only a backslash of the text.
        if (d[-1] == '\\') exact = false;
        d = WriteLiteral(d, "\n+ ");
        ++p;
    }
    if (d[-1] == '\\') exact = false;
    *d++ = '\n';
    return d;
}

// Writes one field, its label ("Name: ") first. A text the file held in
// its UTF-16 form comes back in the 8-bit form when every character fits
// there, and a lone surrogate cannot be written at all: both are inexact.
template <std::size_t N>
char* WriteField(char* d, const char (&label)[N], std::string_view value, bool heldAsUtf16, bool& exact)
{
    d = WriteLiteral(d, label);
    if (HasLoneSurrogate(value)) {
        exact = false;
        return WriteValue(d, Utf8Of(value), exact, CopyUtf8ToBreak);
    }
    if (heldAsUtf16 && FitsCp1252(value)) exact = false;
    return WriteValue(d, value, exact, CopyUtf8ToBreak);
}

// The longest fixed part of a record: its blank line, the field names, a
// ten-digit number with sign, the line ends, and the 16 bytes the converter
// may store past its end.
constexpr std::size_t kRecordFrame = 80;

// Writes one record, preceded by its blank line, at `d` (which has the
// record's room) and returns its end; `exact` becomes false when a line of
// it ends in a backslash.
char* WriteRecord(char* d, int number, const CEntryStream::Entry& entry, bool& exact)
{
    d = WriteLiteral(d, "\nNumber: ");
    d = std::to_chars(d, d + 11, number).ptr;
    *d++ = '\n';
    d = WriteField(d, "KeyWords: ", entry.keyWords, entry.heldAsUtf16[0], exact);
    d = WriteField(d, "Date: ", entry.date, entry.heldAsUtf16[2], exact);
    return WriteField(d, "Description: ", entry.description, entry.heldAsUtf16[1], exact);
}

// The records of one run. The buffer is handed on from run to run and is
// never cleared: only the pages written to are ever touched.
struct ConvertedRun {
    std::unique_ptr<char[]> buffer;
    std::size_t capacity = 0;
    std::size_t size = 0;
    std::vector<int> inexact;
};

void ConvertRun(const EntryRun& run, ConvertedRun& into)
{
    // A byte grows to at most three: a character of the code page to its
    // UTF-8 form, a line feed to "\n+ ". A UTF-16 text's two bytes a unit
    // become at most three of UTF-8 (a pair's four, four). The texts of a
    // run are never longer than its bytes.
    const std::size_t room = kRecordFrame * static_cast<std::size_t>(run.count) + 3 * run.bytes.size();
    if (into.capacity < room) {
        into.buffer.reset();
        into.buffer = std::make_unique_for_overwrite<char[]>(room);
        into.capacity = room;
    }
    char* d = into.buffer.get();
    CArchive ar(run.bytes, std::string());
    CEntryStream stream(ar, run.hasDates, run.count);
    for (int i = run.first; i < run.first + run.count; ++i) {
        bool exact = true;
        d = WriteRecord(d, i + 1, stream.ReadEntry(), exact);
        if (!exact) into.inexact.push_back(i + 1);
    }
    into.size = static_cast<std::size_t>(d - into.buffer.get());
}

}  // namespace

const char kRecutilsDescriptor[] = "%rec: Entry\n";

void ExportRecutilsRuns(const std::vector<EntryRun>& runs, unsigned lanes,
                        const std::function<void(std::string_view)>& write,
                        std::vector<int>& inexact)
{
    RecutilsExport(lanes).Write(runs, write, inexact);
}

struct RecutilsExport::Lane {
    ConvertedRun run;
    std::counting_semaphore<> converted{0};
    std::counting_semaphore<> written{1};
    std::exception_ptr error;
};

RecutilsExport::RecutilsExport(unsigned lanes)
{
    for (unsigned k = 0; k < std::max(lanes, 1u); ++k)
        m_lanes.push_back(std::make_unique<Lane>());
}

RecutilsExport::~RecutilsExport() = default;

void RecutilsExport::Write(const std::vector<EntryRun>& runs, const std::function<void(std::string_view)>& write,
                           std::vector<int>& inexact)
{
    const std::size_t count = runs.size();
    if (count == 0) return;
    const std::size_t wanted = std::min(m_lanes.size(), count);
    // Lane k converts the runs k, k + laneCount, ... in turn; this thread
    // writes the runs in file order, each from its lane, and then lets that
    // lane reuse its buffer for its next run. The lanes wait until it is
    // known how many threads could be started (a process or memory limit
    // may allow fewer, or none: then this thread converts every run itself).
    constexpr std::size_t kUndecided = SIZE_MAX;
    std::atomic<std::size_t> started{kUndecided};
    std::atomic<bool> stop{false};
    std::vector<std::jthread> threads;
    const auto lane = [&](std::size_t k) {
        started.wait(kUndecided);
        const std::size_t laneCount = started.load();
        Lane& l = *m_lanes[k];
        for (std::size_t r = k; r < count; r += laneCount) {
            l.written.acquire();
            if (stop) return;
            try {
                l.run.inexact.clear();
                ConvertRun(runs[r], l.run);
            } catch (...) {
                l.error = std::current_exception();
            }
            l.converted.release();
            if (l.error) return;
        }
    };
    try {
        for (std::size_t k = 0; k < wanted; ++k)
            threads.emplace_back(lane, k);
    } catch (const std::system_error&) {
    }
    const std::size_t laneCount = threads.size();
    started = laneCount;
    started.notify_all();
    try {
        for (std::size_t r = 0; r < count; ++r) {
            Lane& l = *m_lanes[laneCount == 0 ? 0 : r % laneCount];
            if (laneCount == 0) {
                l.run.inexact.clear();
                ConvertRun(runs[r], l.run);
            } else {
                l.converted.acquire();
                if (l.error) std::rethrow_exception(l.error);
            }
            write(std::string_view(l.run.buffer.get(), l.run.size));
            inexact.insert(inexact.end(), l.run.inexact.begin(), l.run.inexact.end());
            if (laneCount != 0) l.written.release();
        }
    } catch (...) {
        // Wakes the lanes that wait for their buffer, so that they end.
        stop = true;
        for (auto& l : m_lanes) l->written.release();
        throw;  // the threads are joined on the way out
    }
}
