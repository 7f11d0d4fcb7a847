// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <memory>
#include <string_view>
#include <vector>

struct EntryRun;

// The record descriptor that opens the set.
extern const char kRecutilsDescriptor[];

// Writes the entries of `runs` in order through `write` as GNU recutils
// records in UTF-8, converting on `lanes` threads at once. A record holds
// the fields Number (from 1), KeyWords, Date and Description, after a blank
// line. A value always follows "Name: " with exactly one blank, which
// recutils drops, so blanks at either edge survive; each further line of a
// value goes on a line of its own starting with "+ ". CR LF is the line
// break.
//
// Some texts cannot be read back exactly, and the numbers of entries holding
// one go into `inexact`: recutils joins a line that ends in a backslash with
// // the next one and offers no way to escape that backslash; the record has one
// line break, which stands for CR LF, so a lone LF comes back as CR LF and a
// lone CR stays only where no tool takes CR LF for a line end; a NUL byte
// ends its text; UTF-8 cannot carry a lone surrogate of a UTF-16 text; and
// a UTF-16 text whose characters all fit Windows-1252 comes back in the
// 8-bit form.
//
// An ArchiveError from a run (a file changed while it was read) is passed on
// after the runs in flight have finished; what was written by then stays
// written.
void ExportRecutilsRuns(const std::vector<EntryRun>& runs, unsigned lanes,
                        const std::function<void(std::string_view)>& write,
                        std::vector<int>& inexact);

// The same for a file that comes in batches of runs: the lanes keep their
// buffers from one batch to the next, so that each is allocated once.
class RecutilsExport final {
public:
    explicit RecutilsExport(unsigned lanes);
    ~RecutilsExport();
    RecutilsExport(const RecutilsExport&) = delete;
    RecutilsExport& operator=(const RecutilsExport&) = delete;

    void Write(const std::vector<EntryRun>& runs, const std::function<void(std::string_view)>& write,
               std::vector<int>& inexact);

private:
    struct Lane;
    std::vector<std::unique_ptr<Lane>> m_lanes;
};
