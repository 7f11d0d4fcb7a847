// SPDX-License-Identifier: MIT
#include "cli/cli_main.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/start/command_line.h"
#include "cli/cli_host.h"
#include "cli/recutils_export.h"
#include "cli/recutils_import.h"
#include "cli/tool_output.h"
#include "core/search/find_match.h"
#include "core/search/utf16_find_filter.h"
#include "core/document/calendar_date.h"
#include "core/text/cp1252.h"
#include "core/file/document_file.h"
#include "core/file/entry_stream.h"
#include "core/file/entry_walk.h"
#include "core/document/ovrin_doc.h"
#include "core/text/text_form.h"
#include "core/text/utf16_utf8.h"
#include "platform/file_size_limit.h"
#include "platform/path_exists.h"
#include "platform/read_in_pieces.h"
#include "platform/safe_file.h"
#include "platform/standard_descriptors.h"
#include "core/start/version_text.h"

namespace {

constexpr const char* kUsage =
    "usage: ovrin [FILE]                              the window, with FILE open\n"
    "       ovrin /p FILE                             print FILE\n"
    "       ovrin /pt FILE [PRINTER [DRIVER [PORT]]]  print FILE on PRINTER\n"
    "       ovrin --list FILE\n"
    "       ovrin --find TEXT [--descriptions] FILE\n"
    "       ovrin --export FILE\n"
    "       ovrin --import RECFILE NEWFILE\n"
    "       ovrin --merge OTHER INTO\n"
    "       ovrin --help | --version\n";

constexpr const char* kHelp =
    "Ovrin keeps key words with a description, in key-word order, and finds them\n"
    "again. Documents are \".ovr\" files.\n"
    "\n"
    "  --list FILE        the key words of every entry, one entry a line\n"
    "  --find TEXT [--descriptions] FILE\n"
    "                     \"number<TAB>key words\" of every entry whose key words\n"
    "                     (with --descriptions: or description) contain TEXT,\n"
    "                     case ignored as the Find dialog does; numbers count\n"
    "                     from 1 in document order\n"
    "  --export FILE      every entry as a GNU recutils record set on standard\n"
    "                     output\n"
    "  --import RECFILE NEWFILE\n"
    "                     a new document NEWFILE from a record set as --export\n"
    "                     writes it (fields KeyWords, Description, Date), entries\n"
    "                     in key-word order; NEWFILE must not exist; RECFILE -\n"
    "                     reads standard input\n"
    "  --merge OTHER INTO\n"
    "                     adds to the document INTO the entries of the document\n"
    "                     OTHER that it lacks (an entry with the same key words,\n"
    "                     description and date is not doubled), each at its\n"
    "                     place in key-word order, as File/Merge does; INTO is\n"
    "                     replaced safely, and left as it is when nothing is new\n"
    "                     or another program changed it meanwhile\n"
    "  --help, --version  this text; the program's version\n"
    "\n"
    "Output is UTF-8. A line break inside key words, which only files from\n"
    "elsewhere hold, is shown as \xE2\x90\x8D (CR) and \xE2\x90\x8A (LF) by --list and --find,\n"
    "so that every entry stays on one line.\n"
    "\n"
    "Exit status: 0 done; 1 --find found nothing, or --export wrote an entry that\n"
    "recutils cannot give back exactly (named on standard error); 2 a wrong\n"
    "command line, an unreadable or damaged file, a failed write, or (--merge)\n"
    "INTO changed by another program while it was merged into.\n";

int Usage(std::ostream& err, const std::string& problem)
{
    err << "ovrin: " << problem << "\n" << kUsage;
    return 2;
}

// Reports a failed write of standard output; true when all went out.
bool Written(ToolOutput& output, std::ostream& err)
{
    if (output.Finish()) return true;
    err << "ovrin: cannot write to standard output: " << output.Error() << "\n";
    return false;
}

// Why a document could not be read, for a line after its name. The message
// is written for a dialog: it may start with a heading line and names the
// file in full before the reason ("Cannot open /home/a/x.ovr: ..."); the
// terminal names the file as it was typed, so only the reason is kept.
std::string ReadFailureReason(const FileResult& result, const std::string& path)
{
    std::string reason = result.message.substr(result.message.rfind('\n') + 1);
    const std::string fullPath = DocumentFullPath(path);
    if (const std::size_t at = reason.find(fullPath + ": "); at != std::string::npos)
        reason.erase(0, at + fullPath.size() + 2);
    if (!reason.empty() && reason.back() == '.') reason.pop_back();
    constexpr std::string_view kNotDocument = "not an Ovrin document";
    if (result.error == FileResult::Error::BadFormat && reason.rfind(kNotDocument, 0) != 0)
        reason = std::string(kNotDocument) + ": " + reason;
    return reason;
}

bool Reported(const FileResult& result, const std::string& path, std::ostream& err)
{
    if (result.ok) return true;
    err << "ovrin: cannot read \"" << path << "\": " << ReadFailureReason(result, path) << "\n";
    return false;
}

// The export converts runs of about 256 kB on each core, sixteen at a time:
// a run is small enough to stay in the processor's cache, and a batch of
// 8 MB keeps the cores busy (a batch is read while they wait, and each
// starts its threads anew; 4 MB batches took 30 % longer where the first
// touch of fresh memory is dear, 1 MB ones 10 % longer elsewhere).
constexpr WalkSizes kExportSizes{1 << 18, 1 << 23};

// Entry numbers shown when an export names inexact entries.
constexpr std::size_t kNamedEntries = 10;

int Export(const std::string& path, ToolOutput& output, std::ostream& err)
{
    std::vector<int> inexact;
    bool started = false;
    RecutilsExport exporter(std::thread::hardware_concurrency());
    const FileResult result = ReadDocumentRuns(
        path,
        [&](const std::vector<EntryRun>& runs) {
            if (!started) output.Append(kRecutilsDescriptor);
            started = true;
            exporter.Write(runs, [&](std::string_view text) { output.Append(text); }, inexact);
        },
        kExportSizes);
    if (!Reported(result, path, err)) return 2;
    // An empty file is still a record set, with no records.
    if (!started) output.Append(kRecutilsDescriptor);
    if (!Written(output, err)) return 2;
    if (inexact.empty()) return 0;
    err << "ovrin: " << inexact.size()
        << (inexact.size() == 1 ? " entry holds" : " entries hold")
        << " text that recutils cannot give back exactly (a line ending in a backslash, "
           "a lone CR or LF, a NUL byte, a lone UTF-16 surrogate, or a text of the file's "
           "UTF-16 form that the 8-bit form can hold): "
        << (inexact.size() == 1 ? "entry" : "entries");
    for (std::size_t i = 0; i < inexact.size() && i < kNamedEntries; ++i)
        err << (i == 0 ? " " : ", ") << inexact[i];
    if (inexact.size() > kNamedEntries) err << " and " << inexact.size() - kNamedEntries << " more";
    err << "\n";
    return 1;
}

// Key words as a line of UTF-8. A line break inside them becomes a visible
// sign, so the line stays one entry's.
void WriteKeyLine(ToolOutput& output, std::string_view keyWords)
{
    // A wide text is UTF-8 already, unless it holds a lone surrogate; the
    // rest go through the fast converter.
    const bool wide = IsWideText(keyWords);
    const std::string repaired = wide && HasLoneSurrogate(keyWords) ? Utf8Of(keyWords) : std::string();
    const std::string_view text = !wide ? Cp1252BytesOf(keyWords)
                                  : repaired.empty() ? WideUtf8Of(keyWords) : std::string_view(repaired);
    char* const begin = output.Room(3 * text.size() + 9);
    char* end = begin;
    if (wide) {
        std::memcpy(begin, text.data(), text.size());
        end += text.size();
    } else {
        end = WriteCp1252AsUtf8(text, begin);
    }
    end = ShowLineBreaks(begin, end);
    *end++ = '\n';
    output.Commit(end);
}

// The same from the bytes the file holds: the UTF-16 form goes to UTF-8 in
// one step, a lone surrogate as U+FFFD.
void WriteKeyLine(ToolOutput& output, const CArchive::StoredText& keyWords)
{
    const std::string_view bytes = keyWords.bytes;
    if (!keyWords.utf16) {
        char* const begin = output.Room(3 * bytes.size() + 9);
        char* const end = ShowLineBreaks(begin, WriteCp1252AsUtf8(bytes, begin));
        *end = '\n';
        output.Commit(end + 1);
        return;
    }
    const std::size_t units = bytes.size() / 2;
    char* const begin = output.Room(Utf16ToUtf8Room(units) + 1);
    char* const end = ShowLineBreaks(begin, WriteUtf16LeAsUtf8(bytes.data(), units, begin, LoneSurrogates::Replace));
    *end = '\n';
    output.Commit(end + 1);
}

int List(const std::vector<std::string>& args, ToolOutput& output, std::ostream& err)
{
    if (args.size() != 1) return Usage(err, "--list needs exactly one FILE");
    // Only the key words are converted; descriptions and dates are passed
    // over where they lie.
    const FileResult result = ReadDocumentRuns(args[0], [&](const std::vector<EntryRun>& runs) {
        for (const EntryRun& run : runs) {
            CArchive ar(run.bytes, std::string());
            CEntryStream stream(ar, run.hasDates, run.count);
            for (int i = 0; i < run.count; ++i) WriteKeyLine(output, stream.ReadStoredKeyWords());
        }
    });
    if (!Reported(result, args[0], err)) return 2;
    return Written(output, err) ? 0 : 2;
}

// Output kept in memory until it may be written.
class HeldSink final : public OutputSink {
public:
    bool Write(std::string_view text) override
    {
        bytes.append(text);
        return true;
    }
    std::string Error() const override { return {}; }
    std::string bytes;
};

// --find TEXT [--descriptions] FILE: the option may come before or after FILE.
int Find(const std::vector<std::string>& args, ToolOutput& output, std::ostream& err)
{
    if (args.empty()) return Usage(err, "--find needs TEXT and FILE");
    const std::string needleUtf8 = args[0];
    bool descriptions = false;
    std::vector<std::string> files;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--descriptions")
            descriptions = true;
        else
            files.push_back(args[i]);
    }
    if (files.size() != 1) return Usage(err, "--find needs TEXT and exactly one FILE");
    if (needleUtf8.empty()) return Usage(err, "--find needs a TEXT that is not empty");
    // The needle takes the form a typed text takes, as in the Find dialog.
    const std::optional<std::string> needle = TextFromUtf8(needleUtf8);
    if (!needle) return Usage(err, "TEXT is not valid UTF-8");

    const CFoldedNeedle folded(*needle);
    const CUtf16FindFilter unitFilter(*needle);
    const auto isHit = [&](std::string_view keyWords, std::string_view description) {
        return folded.IsIn(keyWords) || (descriptions && folded.IsIn(description));
    };
    int hits = 0;
    const auto writeHit = [&](ToolOutput& to, int i, std::string_view keyWords) {
        to.Append(std::to_string(i + 1) + '\t');
        WriteKeyLine(to, keyWords);
        ++hits;
    };
    // The hits met while the file is checked are held and written once the
    // whole file has proven sound, so that a search reads it about once.
    // Past kHeldBytes (counted as they leave the held buffer, which adds at
    // most its own size) the rest are left to the second pass, which writes
    // the hits from the first one not held on.
    constexpr std::size_t kHeldBytes = 4 << 20;
    HeldSink heldSink;
    std::optional<ToolOutput> held;  // made at the first hit: its buffer is large
    int firstUnheld = std::numeric_limits<int>::max();
    const auto writeHeld = [&] {
        if (held && held->Flush()) output.Append(heldSink.bytes);
        heldSink.bytes = std::string();
    };
    const FileResult result = ReadDocumentEntries(
        files[0],
        [&](int i, std::string_view keyWords, std::string_view description, std::string_view) {
            if (i >= firstUnheld && isHit(keyWords, description)) {
                writeHeld();
                writeHit(output, i, keyWords);
            }
        },
        {},
        [&](int i, std::string_view keyWords, std::string_view description) {
            if (!isHit(keyWords, description)) return false;
            if (firstUnheld > i && heldSink.bytes.size() < kHeldBytes) {
                if (!held) held.emplace(heldSink);
                writeHit(*held, i, keyWords);
                return false;
            }
            firstUnheld = std::min(firstUnheld, i);
            return true;
        },
        // Texts in the file's UTF-16 form that cannot hold the needle are
        // not converted to be searched.
        [&](bool description, std::string_view units) {
            return (!description || descriptions) && unitFilter.MayHold(units);
        });
    if (!Reported(result, files[0], err)) return 2;
    writeHeld();
    if (!Written(output, err)) return 2;
    return hits > 0 ? 0 : 1;
}

// Feeds `reader` the record set at `from` ("-": standard input) piece by
// piece, until its end or the reader's refusal; false, with the reason in
// `error`, when it cannot be read. Only a regular file, a pipe or standard
// input is read: a device may never end (/dev/zero) or change by reading.
bool FeedRecordSet(const std::string& from, RecordSetReader& reader, std::string& error)
{
    return ReadInPieces(from, [&reader](std::string_view piece) { return reader.Feed(piece); }, error);
}

int Import(const std::vector<std::string>& args, std::ostream& err)
{
    if (args.size() != 2) return Usage(err, "--import needs RECFILE and NEWFILE");
    const std::string& from = args[0];
    const std::string& to = args[1];
    if (from.empty()) return Usage(err, "RECFILE is empty: name a record set, or - for standard input");
    if (to.empty()) return Usage(err, "NEWFILE is empty: name the new document");
    if (to == "-") return Usage(err, "NEWFILE must be a file, not standard output (./- names a file \"-\")");
    const std::string source = from == "-" ? "standard input" : from;

    const std::string name = to.substr(to.rfind('/') + 1);
    if (name.empty() || name == "." || name == "..") {
        err << "ovrin: cannot write \"" << to << "\": it does not name a file\n";
        return 2;
    }
    const auto exists = [&] { return PathExists(to); };
    const auto alreadyThere = [&] {
        err << "ovrin: \"" << to << "\" already exists; --import writes only a new file\n";
        return 2;
    };
    if (exists()) return alreadyThere();
    std::string error;
    try {
        CCliHost host;
        RecordSetReader reader(FormatEntryDate(host.Today()));
        if (!FeedRecordSet(from, reader, error)) {
            err << "ovrin: cannot read \"" << source << "\": " << error << "\n";
            return 2;
        }
        RecordSetReading reading = reader.Finish();
        if (!reading.ok) {
            err << "ovrin: " << source << ": " << reading.message << "\n";
            return 2;
        }
        ImportedEntries& entries = reading.entries;
        entries.SortByKeyWords();
        // The size is asked only of a file written in place, which a new
        // file never is; it is measured by writing to nowhere.
        const auto size = [&entries] {
            std::uint64_t bytes = 0;
            entries.WriteDocument([&bytes](std::string_view piece) { bytes += piece.size(); return true; });
            return bytes;
        };
        const ContentWriter write = [&entries](int fd) {
            return entries.WriteDocument([fd](std::string_view piece) { return WriteAllTo(fd, piece); });
        };
        if (!ReplaceFileContents(to, size, write, error, WhenMissing::OnlyCreate)) {
            if (exists()) return alreadyThere();
            err << "ovrin: cannot write \"" << to << "\": " << error << "\n";
            return 2;
        }
    } catch (const std::bad_alloc&) {
        err << "ovrin: \"" << source << "\" is too large to import: not enough memory\n";
        return 2;
    }
    return 0;
}

// --merge OTHER INTO: quiet when done, as --import is. INTO is written only
// when something came in, and never over a version another program wrote
// after it was read.
int Merge(const std::vector<std::string>& args, std::ostream& err)
{
    if (args.size() != 2) return Usage(err, "--merge needs OTHER and INTO");
    const std::string& other = args[0];
    const std::string& into = args[1];
    try {
        CCliHost host;
        COvrinDoc doc(host);
        if (!Reported(OpenDocumentFile(doc, into), into, err)) return 2;
        MergeCounts counts;
        if (!Reported(MergeDocumentFile(doc, other, counts), other, err)) return 2;
        if (counts.cameIn == 0) return 0;
        const FileResult saved = SaveDocumentFile(doc, into);
        if (saved.error == FileResult::Error::Cancelled) {
            err << "ovrin: \"" << into << "\" was changed by another program while \"" << other
                << "\" was merged into it; nothing written\n";
            return 2;
        }
        if (!saved.ok) {
            err << "ovrin: cannot write \"" << into << "\": " << ReadFailureReason(saved, into) << "\n";
            return 2;
        }
    } catch (const std::bad_alloc&) {
        err << "ovrin: not enough memory to merge \"" << other << "\" into \"" << into << "\"\n";
        return 2;
    }
    return 0;
}

// The window program's arguments are read by the parser the window uses;
// what it cannot follow is refused here, before any window library loads.
std::optional<int> CheckWindowArguments(int argc, char** argv, std::ostream& err)
{
    const CCommandLineInfo info = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!info.m_strError.empty()) return Usage(err, info.m_strError);
    return std::nullopt;
}

}  // namespace

std::optional<int> RunCommandLineTool(int argc, char** argv, OutputSink& sink, std::ostream& err)
{
    if (argc < 2 || argv[1] == nullptr) return std::nullopt;
    const std::string_view command = argv[1];
    if (!IsToolMode(command)) return CheckWindowArguments(argc, argv, err);
    const std::vector<std::string> args(argv + 2, argv + argc);
    ToolOutput output(sink);

    if ((command == "--help" || command == "-h" || command == "--version") && !args.empty())
        return Usage(err, std::string(command) + " takes no arguments");
    if (command == "--help" || command == "-h") {
        output.Append(kUsage);
        output.Append("\n");
        output.Append(kHelp);
        return Written(output, err) ? 0 : 2;
    }
    if (command == "--version") {
        output.Append(kVersionLine);
        output.Append("\n");
        return Written(output, err) ? 0 : 2;
    }
    if (command == "--list") return List(args, output, err);
    if (command == "--find") return Find(args, output, err);
    if (command == "--export") {
        if (args.size() != 1) return Usage(err, "--export needs exactly one FILE");
        return Export(args[0], output, err);
    }
    if (command == "--merge") return Merge(args, err);
    return Import(args, err);
}

std::optional<int> RunCommandLineTool(int argc, char** argv, std::ostream& out, std::ostream& err)
{
    StreamSink sink(out);
    return RunCommandLineTool(argc, argv, sink, err);
}

std::optional<int> RunCommandLineTool(int argc, char** argv)
{
    const std::array<bool, 3> closed = FillClosedStandardDescriptors();
    FailWritesBeyondFileSizeLimit();
    std::ios::sync_with_stdio(false);
    FdSink sink(kStandardOutput, closed[kStandardOutput]);
    return RunCommandLineTool(argc, argv, sink, std::cerr);
}
