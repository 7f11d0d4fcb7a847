// SPDX-License-Identifier: MIT
#include "cli/cli_main.h"

#include <cstring>
#include <iostream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "cli/recutils_export.h"
#include "cli/utf8_to_cp1252.h"
#include "dialogs/logic/find_match.h"
#include "doc/cp1252.h"
#include "doc/document_file.h"

namespace {

constexpr const char* kUsage =
    "usage: ovrin --list FILE\n"
    "       ovrin --find TEXT [--descriptions] FILE\n"
    "       ovrin --export FILE\n"
    "--find prints \"number<TAB>key words\" of every entry whose key words (with\n"
    "--descriptions: or description) contain TEXT, ignoring case; numbers count\n"
    "from 1 in document order. Exit status: 0 hits, 1 none, 2 error.\n";

int Usage(std::ostream& err, const std::string& problem)
{
    err << "ovrin: " << problem << "\n" << kUsage;
    return 2;
}

// Output is written straight into a buffer and goes out in large pieces.
// The file is checked as a whole before the first entry arrives,
// so a damaged file leaves standard output empty.
class Output final {
public:
    explicit Output(std::ostream& out) : m_out(out), m_buffer(kPiece) {}
    ~Output() { Flush(); }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    // Where the next `size` bytes may be written; hand the end of what was
    // written to Commit.
    char* Room(std::size_t size)
    {
        if (m_used + size > m_buffer.size()) {
            Flush();
            if (size > m_buffer.size()) m_buffer.resize(size);
        }
        return m_buffer.data() + m_used;
    }
    void Commit(const char* end) { m_used = static_cast<std::size_t>(end - m_buffer.data()); }
    void Append(std::string_view text)
    {
        // A large piece goes out as it is rather than through the buffer.
        if (text.size() >= kPiece) {
            Flush();
            m_out.write(text.data(), static_cast<std::streamsize>(text.size()));
            return;
        }
        char* to = Room(text.size());
        std::memcpy(to, text.data(), text.size());
        Commit(to + text.size());
    }
    void Flush()
    {
        m_out.write(m_buffer.data(), static_cast<std::streamsize>(m_used));
        m_out.flush();
        m_used = 0;
    }

private:
    static constexpr std::size_t kPiece = 1 << 20;
    std::ostream& m_out;
    // Kept at its full size, so that writing into it never clears it first.
    std::vector<char> m_buffer;
    std::size_t m_used = 0;
};

bool Reported(const FileResult& result, const std::string& path, std::ostream& err)
{
    if (result.ok) return true;
    err << "ovrin: cannot read \"" << path << "\": " << result.message << "\n";
    return false;
}

bool Walk(const std::string& path, std::ostream& err, const EntryVisitor& visit)
{
    return Reported(ReadDocumentEntries(path, visit), path, err);
}

// The export converts about this much of the file at a time on each core.
constexpr std::size_t kExportRunBytes = 1 << 20;

int Export(const std::string& path, Output& output, std::ostream& err)
{
    std::vector<int> inexact;
    bool started = false;
    const FileResult result =
        ReadDocumentRuns(path, kExportRunBytes, [&](const std::vector<EntryRun>& runs) {
            output.Append(kRecutilsDescriptor);
            started = true;
            ExportRecutilsRuns(runs, std::thread::hardware_concurrency(),
                               [&](std::string_view text) { output.Append(text); }, inexact);
        });
    if (!Reported(result, path, err)) return 2;
    // An empty file is still a record set, with no records.
    if (!started) output.Append(kRecutilsDescriptor);
    if (inexact.empty()) return 0;
    output.Flush();
    err << "ovrin: " << inexact.size()
        << " entries hold a line ending in a backslash, which recutils joins with the "
           "next line (first: entry "
        << inexact.front() << ")\n";
    return 1;
}

// Key words as a line of UTF-8.
void WriteKeyLine(Output& output, std::string_view keyWords)
{
    char* to = WriteCp1252AsUtf8(keyWords, output.Room(3 * keyWords.size() + 9));
    *to++ = '\n';
    output.Commit(to);
}

}  // namespace

std::optional<int> RunCommandLineTool(int argc, char** argv, std::ostream& out,
                                      std::ostream& err)
{
    if (argc < 2 || argv[1] == nullptr) return std::nullopt;
    const std::string_view command = argv[1];
    if (command != "--list" && command != "--find" && command != "--export")
        return std::nullopt;

    std::vector<std::string> args(argv + 2, argv + argc);
    Output output(out);

    if (command == "--list" || command == "--export") {
        if (args.size() != 1) return Usage(err, std::string(command) + " needs exactly one FILE");
        if (command == "--list") {
            const bool ok = Walk(args[0], err, [&](int, std::string_view keyWords,
                                                   std::string_view, std::string_view) {
                WriteKeyLine(output, keyWords);
            });
            return ok ? 0 : 2;
        }
        return Export(args[0], output, err);
    }

    // --find TEXT [--descriptions] FILE: the option may come before or after FILE.
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
    std::string needle;
    const Utf8ToCp1252Result conversion = Utf8ToCp1252(needleUtf8, needle);
    if (conversion == Utf8ToCp1252Result::Invalid)
        return Usage(err, "TEXT is not valid UTF-8");
    // A character the code page cannot hold cannot be in any entry, but the
    // file is still checked, so that a damaged one is reported.
    const bool canMatch = conversion != Utf8ToCp1252Result::Unrepresentable;

    const CFoldedNeedle folded(needle);
    int hits = 0;
    const bool ok = Walk(files[0], err, [&](int i, std::string_view keyWords,
                                            std::string_view description, std::string_view) {
        if (!canMatch) return;
        if (folded.IsIn(keyWords) || (descriptions && folded.IsIn(description))) {
            output.Append(std::to_string(i + 1) + '\t');
            WriteKeyLine(output, keyWords);
            ++hits;
        }
    });
    if (!ok) return 2;
    return hits > 0 ? 0 : 1;
}
std::optional<int> RunCommandLineTool(int argc, char** argv)
{
    std::ios::sync_with_stdio(false);
    return RunCommandLineTool(argc, argv, std::cout, std::cerr);
}
