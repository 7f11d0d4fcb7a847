// SPDX-License-Identifier: MIT
#include "cli/cli_main.h"

#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_host.h"
#include "cli/recutils_export.h"
#include "cli/utf8_to_cp1252.h"
#include "dialogs/logic/find_match.h"
#include "doc/cp1252.h"
#include "doc/document_file.h"
#include "doc/ovrin_doc.h"

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

// Loads the whole file before anything is written, so a damaged file leaves
// standard output empty.
bool Load(COvrinDoc& doc, const std::string& path, std::ostream& err)
{
    FileResult result = LoadDocumentFile(doc, path);
    if (result.ok) return true;
    err << "ovrin: cannot read \"" << path << "\": " << result.message << "\n";
    return false;
}

void AppendKeyLine(std::string& out, const std::string& keyWords)
{
    out.append(Cp1252ToUtf8(keyWords));
    out.push_back('\n');
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
    CCliHost host;
    COvrinDoc doc(host);
    std::string text;

    if (command == "--list" || command == "--export") {
        if (args.size() != 1) return Usage(err, std::string(command) + " needs exactly one FILE");
        if (!Load(doc, args[0], err)) return 2;
        if (command == "--list") {
            for (std::size_t i = 0; i < doc.m_arrKeyWords.size(); ++i)
                AppendKeyLine(text, doc.m_arrKeyWords[i]);
            out << text << std::flush;
            return 0;
        }
        std::vector<int> inexact;
        ExportRecutils(doc, text, inexact);
        out << text << std::flush;
        if (inexact.empty()) return 0;
        err << "ovrin: " << inexact.size()
            << " entries hold a line ending in a backslash, which recutils joins with the "
               "next line (first: entry "
            << inexact.front() << ")\n";
        return 1;
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
    if (!Load(doc, files[0], err)) return 2;
    // A character the code page cannot hold cannot be in any entry.
    if (conversion == Utf8ToCp1252Result::Unrepresentable) return 1;

    const CFoldedNeedle folded(needle);
    int hits = 0;
    const std::size_t n = doc.m_arrKeyWords.size();
    for (std::size_t i = 0; i < n; ++i) {
        const std::string& keyWords = doc.m_arrKeyWords[i];
        if (folded.IsIn(keyWords) ||
            (descriptions && i < doc.m_arrDescriptions.size() &&
             folded.IsIn(doc.m_arrDescriptions[i]))) {
            text.append(std::to_string(i + 1));
            text.push_back('\t');
            AppendKeyLine(text, keyWords);
            ++hits;
        }
    }
    out << text << std::flush;
    return hits > 0 ? 0 : 1;
}

std::optional<int> RunCommandLineTool(int argc, char** argv)
{
    std::ios::sync_with_stdio(false);
    return RunCommandLineTool(argc, argv, std::cout, std::cerr);
}
