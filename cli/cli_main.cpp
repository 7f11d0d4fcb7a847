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

// Where a mode writes: its output and the messages of standard error.
struct ModeStreams {
    ToolOutput& output;
    std::ostream& err;
};

namespace {

constexpr const char* kWindowUsage =
    "usage: ovrin [FILE]                              the window, with FILE open\n"
    "       ovrin /p FILE                             print FILE\n"
    "       ovrin /pt FILE [PRINTER [DRIVER [PORT]]]  print FILE on PRINTER\n";

constexpr const char* kHelpIntro =
    "Ovrin keeps key words with a description, in key-word order, and finds them\n"
    "again. Documents are \".ovr\" files. Options may come in any order; \"--\"\n"
    "ends them, so that a name after it may begin with a dash.\n";

constexpr const char* kHelpEnd =
    "Output is UTF-8. A line break inside key words, which only files from\n"
    "elsewhere hold, is shown as \xE2\x90\x8D (CR) and \xE2\x90\x8A (LF) by --list and --find,\n"
    "so that every entry stays on one line.\n"
    "\n"
    "Exit status: 0 done; 1 --find found nothing, or --export wrote an entry that\n"
    "recutils cannot give back exactly (named on standard error); 2 a wrong\n"
    "command line, an unreadable or damaged file, a failed write, or (--merge)\n"
    "INTO changed by another program while it was merged into.\n";

std::string UsageText()
{
    std::string text = kWindowUsage;
    for (const CommandMode& mode : ToolModes()) {
        text += "       ovrin ";
        text += mode.option;
        if (!mode.synopsis.empty()) text += " " + std::string(mode.synopsis);
        text += "\n";
    }
    return text;
}

// Each mode's help beside its name, as GNU tools lay it out.
std::string HelpText()
{
    constexpr std::size_t kColumn = 21;
    std::string text = UsageText() + "\n" + kHelpIntro + "\n";
    for (const CommandMode& mode : ToolModes()) {
        std::string head = "  " + std::string(mode.alias.empty() ? "" : std::string(mode.alias) + ", ") +
                           std::string(mode.option) + (mode.synopsis.empty() ? "" : " " + std::string(mode.synopsis));
        head += head.size() + 2 > kColumn ? "\n" + std::string(kColumn, ' ') : std::string(kColumn - head.size(), ' ');
        std::string_view help = mode.help;
        for (bool first = true; !help.empty(); first = false) {
            const std::size_t end = std::min(help.find('\n'), help.size());
            text += (first ? head : std::string(kColumn, ' ')) + std::string(help.substr(0, end)) + "\n";
            help.remove_prefix(std::min(end + 1, help.size()));
        }
    }
    return text + "\n" + kHelpEnd;
}

int Usage(std::ostream& err, const std::string& problem)
{
    err << "ovrin: " << problem << "\n" << UsageText();
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
    // A text is UTF-8 already, unless it holds a lone surrogate.
    const std::string repaired = HasLoneSurrogate(keyWords) ? Utf8Of(keyWords) : std::string();
    const std::string_view text = repaired.empty() ? keyWords : std::string_view(repaired);
    char* const begin = output.Room(text.size() + 9);
    std::memcpy(begin, text.data(), text.size());
    char* end = ShowLineBreaks(begin, begin + text.size());
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

int List(const CCommandLineInfo& line, ModeStreams& io)
{
    const std::vector<std::string>& args = line.m_operands;
    ToolOutput& output = io.output;
    std::ostream& err = io.err;
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

int Find(const CCommandLineInfo& line, ModeStreams& io)
{
    ToolOutput& output = io.output;
    std::ostream& err = io.err;
    const std::string& needleUtf8 = line.m_operands[0];
    const bool descriptions = line.m_bSwitch;
    const std::vector<std::string> files{line.m_operands[1]};
    if (needleUtf8.empty()) return Usage(err, "--find needs a TEXT that is not empty");
    // The needle takes the form a typed text takes, as in the Find dialog.
    const std::optional<std::string> needle = TextFromUtf8(needleUtf8);
    if (!needle) return Usage(err, "TEXT is not valid UTF-8");

    const CFoldedNeedle folded(*needle);
    const CUtf16FindFilter unitFilter(*needle);
    const std::optional<CFoldedNeedle> overBytes = CFoldedNeedle::OverCp1252Bytes(*needle);
    const std::optional<CFoldedNeedle> overUnits = CFoldedNeedle::OverUtf16Units(*needle);
    bool holds = false;  // the entry the sieve is asked about next holds the needle for certain
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
    constexpr std::size_t kHeldPiece = 64 << 10;
    HeldSink heldSink;
    std::optional<ToolOutput> held;  // made at the first hit
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
            if (!std::exchange(holds, false) && !isHit(keyWords, description)) return false;
            if (firstUnheld > i && heldSink.bytes.size() < kHeldBytes) {
                if (!held) {
                    // Room for all it may hold, and a small buffer in front:
                    // growing would copy it and touch fresh memory each time.
                    heldSink.bytes.reserve(kHeldBytes + kHeldPiece);
                    held.emplace(heldSink, kHeldPiece);
                }
                writeHit(*held, i, keyWords);
                return false;
            }
            firstUnheld = std::min(firstUnheld, i);
            return true;
        },
        // Texts are searched before they are converted where that tells
        // for certain: the 8-bit form's bytes, by the needle's own.
        [&](bool description, const CArchive::StoredText& text) {
            if (!description) holds = false;
            Sifted answer = Sifted::Refused;
            if (description && !descriptions)
                answer = Sifted::Refused;
            else if (text.utf16)
                answer = unitFilter.MayHold(text.bytes) ? Sifted::MayHold : Sifted::Refused;
            else if (overBytes && overBytes->IsIn(text.bytes))
                answer = Sifted::Holds;
            holds = holds || answer == Sifted::Holds;
            return answer;
        },
        // One look through the piece of the file for the needle's 8-bit form,
        // or for a part of its UTF-16 one, spares one at each text.
        [&](std::string_view bytes, bool utf16) {
            const std::optional<CFoldedNeedle>& over = utf16 ? overUnits : overBytes;
            if (over) return over->FindFirst(bytes);
            return utf16 ? 0 : std::string_view::npos;
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

int Import(const CCommandLineInfo& line, ModeStreams& io)
{
    const std::vector<std::string>& args = line.m_operands;
    std::ostream& err = io.err;
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
int Merge(const CCommandLineInfo& line, ModeStreams& io)
{
    const std::string& other = line.m_operands[0];
    const std::string& into = line.m_operands[1];
    std::ostream& err = io.err;
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

int ExportMode(const CCommandLineInfo& line, ModeStreams& io)
{
    return Export(line.m_operands[0], io.output, io.err);
}

int Help(const CCommandLineInfo&, ModeStreams& io)
{
    io.output.Append(HelpText());
    return Written(io.output, io.err) ? 0 : 2;
}

int Version(const CCommandLineInfo&, ModeStreams& io)
{
    io.output.Append(kVersionLine);
    io.output.Append("\n");
    return Written(io.output, io.err) ? 0 : 2;
}

// The modes, in the order the usage lists them. A new mode is one line here.
constexpr CommandMode kModes[] = {
    {"--list", "", "FILE", "the key words of every entry, one entry a line", &List},
    {"--find", "", "TEXT [--descriptions] FILE",
     "\"number<TAB>key words\" of every entry whose key words\n"
     "(with --descriptions: or description) contain TEXT,\n"
     "case ignored as the Find dialog does; numbers count\n"
     "from 1 in document order",
     &Find},
    {"--export", "", "FILE", "every entry as a GNU recutils record set on standard\noutput", &ExportMode},
    {"--import", "", "RECFILE NEWFILE",
     "a new document NEWFILE from a record set as --export\n"
     "writes it (fields KeyWords, Description, Date), entries\n"
     "in key-word order; NEWFILE must not exist; RECFILE -\n"
     "reads standard input",
     &Import},
    {"--merge", "", "OTHER INTO",
     "adds to the document INTO the entries of the document\n"
     "OTHER that it lacks (an entry with the same key words,\n"
     "description and date is not doubled), each at its\n"
     "place in key-word order, as File/Merge does; INTO is\n"
     "replaced safely, and left as it is when nothing is new\n"
     "or another program changed it meanwhile",
     &Merge},
    {"--help", "-h", "", "this text", &Help},
    {"--version", "", "", "the program's version", &Version},
};

}  // namespace

std::span<const CommandMode> ToolModes()
{
    return kModes;
}

std::optional<int> RunCommandLineTool(int argc, char** argv, OutputSink& sink, std::ostream& err)
{
    // The one reading of the arguments in this process.
    const CCommandLineInfo line = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), kModes);
    if (!line.m_strError.empty()) return Usage(err, line.m_strError);
    if (line.m_pMode == nullptr) return std::nullopt;
    ToolOutput output(sink);
    ModeStreams streams{output, err};
    return line.m_pMode->run(line, streams);
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
