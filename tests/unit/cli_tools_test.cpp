// SPDX-License-Identifier: MIT
// The command-line tools in process: finds, writes and refusals (one line, cause once), version,
// the manual page's options; unreadable files as the tools and the window each refuse them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <regex>
#include <set>

#include "core/text/text_form.h"
#include "fs_test_support.h"
#include "generate_document.h"
#include "gui/res/info_texts.h"
#include "platform/recovery_files.h"
#include "tool_run.h"

using namespace fs_test;
using namespace std::string_literals;

namespace {
// A text recutils carries exactly: no NUL, only CR LF breaks, no line ending in a backslash; sometimes blank-edged.
std::string RandomText(std::mt19937& rng, std::size_t length)
{
    std::string text;
    std::uniform_int_distribution<int> byte(1, 255);
    while (text.size() < length) {
        const char c = static_cast<char>(byte(rng));
        if (c == '\r' || c == '\n') {
            if (!text.empty() && text.back() == '\\') text.back() = 'x';
            text += "\r\n";
        } else {
            text += c;
        }
    }
    text = TextFromCp1252(text);
    if (!text.empty() && text.back() == '\\') text.back() = 'y';
    if (rng() % 3 == 0) text = " \t" + text + "\t ";
    return text;
}

// --find folds case (UTF-16 too), reads descriptions only when asked, spans line breaks; bad UTF-8
// and bad command lines are usage errors; options come in any order, "--" ends them.
TEST(CliTools, FindMatchesLikeTheFindDialog)
{
    TempFolder dir;
    ASSERT_TRUE(WriteEntries(dir / "-odd.ovr", {{"-x marks the spot", "", "1.1.2000"}}).ok);
    const std::filesystem::path home = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    const std::string path = dir / "find.ovr";
    const auto wide = [](const char* utf8) { return *TextFromUtf8(utf8); };
    ASSERT_TRUE(WriteEntries(path, {{"Apfel Baum", "Grün und rund\r\nzweite Zeile", "1.2.2003"},
                       {"Ärger", "€ 40 für den Kauf", "4.5.2006"},
                       {"Zebra", "Streifen", "7.8.2009"},
                       {wide("\u03A3 quiet XYZZY"), wide("\u212Aelvin \u017Fun"), "1.1.2010"},
                       {wide("\u03A3"), wide("\u03A3 a text of more than sixteen units: endmark"), "1.1.2011"},
                       {TextFromUtf16(u"\xD800zq"), wide("\u03A3"), "1.1.2012"},
                       {wide("\u03A3fifteen units: \u03C3\u03AF\u03C3 x"), wide("\u03A3"), "1.1.2013"}}).ok);
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string out;
    };
    const std::vector<Case> cases = {
        {{"--find", "\xC3\xA4RG", path}, 0, "2\t\xC3\x84rger\n"},  // "äRG"
        {{"--find", "streifen", path}, 1, ""},
        {{"--find", "streifen", "--descriptions", path}, 0, "3\tZebra\n"},
        {{"--find", "\xE2\x82\xAC 40", path, "--descriptions"}, 0, "2\t\xC3\x84rger\n"},  // "€ 40"
        {{"--find", "rund\r\nzweite", "--descriptions", path}, 0, "1\tApfel Baum\n"},
        {{"--find", "\xE2\x98\x83", "--descriptions", path}, 1, ""},  // snowman
        {{"--find", "xyzzy", path}, 0, "4\t\xCE\xA3 quiet XYZZY\n"},
        {{"--find", "KELVIN", "--descriptions", path}, 0, "4\t\xCE\xA3 quiet XYZZY\n"},  // Kelvin sign
        {{"--find", "sun", "--descriptions", path}, 0, "4\t\xCE\xA3 quiet XYZZY\n"},     // long s
        {{"--find", "ENDMARK", "--descriptions", path}, 0, "5\t\xCE\xA3\n"},
        {{"--find", "SIXTEEN", "--descriptions", path}, 0, "5\t\xCE\xA3\n"},
        {{"--find", "ZQ", path}, 0, "6\t\xEF\xBF\xBDzq\n"},
        {{"--find", "\xCE\xA3\xCE\x8A\xCE\xA3 X", path}, 0, "7\t\xCE\xA3" "fifteen units: \xCF\x83\xCE\xAF\xCF\x83 x\n"},
        {{"--find", "\xC0\x80", path}, 2, ""},  // overlong NUL
        {{"--find", "Apfel"}, 2, ""},
        {{"--find", "", path}, 2, ""},
        {{"--list"}, 2, ""},
        {{"--export", path, path}, 2, ""},
        {{"--descriptions", "--find", "streifen", path}, 0, "3\tZebra\n"},
        {{"--find", "--", "-x", "-odd.ovr"}, 0, "1\t-x marks the spot\n"},
        {{"--list", "--", "-odd.ovr"}, 0, "-x marks the spot\n"},
        {{"--find", "--", "--descriptions", "-odd.ovr"}, 1, ""},
        {{"--find", "-x", "-odd.ovr"}, 2, ""},
        {{"--list", "-odd.ovr"}, 2, ""},
        {{"--list", "--find", "x", path}, 2, ""},
        {{"--descriptions", "--list", path}, 2, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        const ToolRun run = RunTool(c.args);
        EXPECT_EQ(run.code, c.code);
        EXPECT_EQ(run.out, c.out);
    }
    std::filesystem::current_path(home);
}

// More hits than --find holds while checking: each written once, in order, the rest by the second pass.
TEST(CliTools, FindWritesManyHitsOnceInOrder)
{
    TempFolder dir;
    const std::string path = dir / "many.ovr";
    std::vector<Entry> entries;
    std::string expected;
    for (int i = 0; i < 3000; ++i) {
        entries.push_back({std::to_string(10000 + i) + std::string(2000, 'k'), "", "1.1.2000"});
        expected += std::to_string(i + 1) + '\t' + entries.back().keyWords + '\n';
    }
    ASSERT_TRUE(WriteEntries(path, entries).ok);
    EXPECT_TRUE(RunTool({"--find", "K", path}).out == expected);
}

// Export+import round-trips byte for byte, texts beyond import blocks too; unordered imports come back sorted by byte.
TEST(CliTools, ExportThenImportGivesTheSameDocument)
{
    TempFolder dir;
    std::mt19937 rng(20261207);
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        std::vector<Entry> entries;
        for (int i = 0; i < 40 * round; ++i) {
            const std::size_t longText = i == 3 ? 70000 : i == 100 ? 1200000 : 0;
            entries.push_back({RandomText(rng, rng() % 12), RandomText(rng, longText + rng() % 300),
                               RandomText(rng, rng() % 10)});
            if (i % 7 == 0) entries.back().keyWords = "same";
            if (i % 11 == 0) entries.back().description.clear();
        }
        std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
            return CompareKeyWords(a.keyWords, b.keyWords) < 0;
        });
        ASSERT_TRUE(WriteEntries(dir / "a.ovr", entries).ok);
        const ToolRun exported = RunTool({"--export", dir / "a.ovr"});
        ASSERT_EQ(exported.code, 0) << exported.err;
        WriteBytes(dir / "a.rec", exported.out);
        const ToolRun imported = RunTool({"--import", dir / "a.rec", dir / "b.ovr"});
        ASSERT_EQ(imported.code, 0) << imported.err;
        EXPECT_TRUE(imported.out.empty() && imported.err.empty());
        EXPECT_TRUE(ReadBytes(dir / "a.ovr") == ReadBytes(dir / "b.ovr"));
        fs::remove(dir / "b.ovr");
    }
    WriteBytes(dir / "in.rec", "KeyWords: b\nDescription: 1\n\nKeyWords: \xC3\xA4\n\nKeyWords: Z\n\n"
                               "KeyWords: b\nDescription: 2\n\nKeyWords: a\n");
    ASSERT_EQ(RunTool({"--import", dir / "in.rec", dir / "out.ovr"}).code, 0);
    std::vector<std::string> keys;
    for (const Entry& e : LoadEntries(dir / "out.ovr")) keys.push_back(e.keyWords + e.description);
    EXPECT_EQ(keys, (std::vector<std::string>{"Z", "a", "b1", "b2", "ä"}));
    // Records without a date are dated today, by the system's clock.
    char today[32] = {};
    FILE* clock = popen("date +%-d.%-m.%Y", "r");
    ASSERT_TRUE(clock && fgets(today, sizeof today, clock));
    pclose(clock);
    EXPECT_EQ(LoadEntries(dir / "out.ovr")[0].date + "\n", today);
}

// A generated many-script document through every tool: rewritten byte for byte, --list, --find
// with Polish, Greek and Cyrillic words in other cases, export and import.
TEST(CliTools, MixedScriptsGoThroughEveryTool)
{
    TempFolder dir;
    CCliHost host;
    COvrinDoc doc(host);
    GenerateDocument(doc, 400, 25, 50);
    ASSERT_TRUE(SaveDocumentFile(doc, dir / "mixed.ovr").ok);
    const std::vector<Entry> entries = LoadEntries(dir / "mixed.ovr");
    ASSERT_TRUE(WriteEntries(dir / "again.ovr", entries).ok);
    EXPECT_TRUE(ReadBytes(dir / "mixed.ovr") == ReadBytes(dir / "again.ovr"));

    std::string list;
    for (const Entry& e : entries) list += Utf8Of(e.keyWords) + "\n";
    EXPECT_TRUE(RunTool({"--list", dir / "mixed.ovr"}).out == list);
    // Each word as generated, found by plain comparison; its other cases must find the same entries.
    const std::vector<std::vector<std::string>> words = {
        {"\xC5\x81\xC3\xB3" "d\xC5\xBA", "\xC5\x82\xC3\xB3" "d\xC5\xBA", "\xC5\x81\xC3\x93" "D\xC5\xB9"},  // Łódź
        {"\xCE\xA3\xCE\xAF\xCF\x83\xCF\x85\xCF\x86\xCE\xBF\xCF\x82", "\xCE\xA3\xCE\x8A\xCE\xA3\xCE\xA5\xCE\xA6\xCE\x9F\xCE\xA3"},  // Σίσυφος
        {"\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0", "\xD0\xBC\xD0\x9E\xD0\xA1\xD0\x9A\xD0\x92\xD0\x90"},  // Москва
    };
    for (const std::vector<std::string>& forms : words) {
        std::string hits;
        for (std::size_t i = 0; i < entries.size(); ++i)
            if (Utf8Of(entries[i].keyWords).find(forms[0]) != std::string::npos)
                hits += std::to_string(i + 1) + "\t" + Utf8Of(entries[i].keyWords) + "\n";
        EXPECT_FALSE(hits.empty());
        for (const std::string& form : forms)
            EXPECT_TRUE(RunTool({"--find", form, dir / "mixed.ovr"}).out == hits) << form;
    }

    const ToolRun exported = RunTool({"--export", dir / "mixed.ovr"});
    ASSERT_EQ(exported.code, 0) << exported.err;
    WriteBytes(dir / "mixed.rec", exported.out);
    ASSERT_EQ(RunTool({"--import", dir / "mixed.rec", dir / "imported.ovr"}).code, 0);
    EXPECT_TRUE(ReadBytes(dir / "mixed.ovr") == ReadBytes(dir / "imported.ovr"));
}

// Breaks in key words stay on one line; --export names every entry recutils cannot give back, exits 1, even for one.
TEST(CliTools, OddTextsStayVisibleAndAreNamed)
{
    TempFolder dir;
    ASSERT_TRUE(WriteEntries(dir / "breaks.ovr", {{"one\r\ntwo", "", ""}, {"lone\rcr, longer", "", ""},
                                                  {"lone\nlf, longer", "", ""}, {"plain", "", ""},
                                                  {TextFromUtf16(u"\xD800\u0436\n"), "", ""}}).ok);
    const std::string cr = "\xE2\x90\x8D", lf = "\xE2\x90\x8A";
    EXPECT_EQ(RunTool({"--list", dir / "breaks.ovr"}).out,
              "one" + cr + lf + "two\nlone" + cr + "cr, longer\nlone" + lf + "lf, longer\nplain\n\xEF\xBF\xBD\xD0\xB6" + lf + "\n");

    EntryTable odd = EntryTableOf({{"a", "fine\r\ntext", ""},
                                               {"b", "ends in\\\r\nbackslash", ""},
                                               {"c", "lone\nline feed", ""},
                                               {"d", "lone\rcarriage return", ""},
                                               {std::string("e\0", 2), "", ""},
                                               {"f", "", "date\\"},
                                               {"g", "trailing\r", ""},
                                               {"h", "", ""},
                                               {"i", TextFromUtf16(u"lone \xD800"), ""},
                                               {"j", TextFromUtf16(u"\u0141\u00F3d\u017A"), ""}});
    odd.descriptions.Set(7, "fits", true);  // as the file's UTF-16 form held it
    ASSERT_TRUE(WriteTable(dir / "odd.ovr", std::move(odd)).ok);
    ToolRun run = RunTool({"--export", dir / "odd.ovr"});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.err, "ovrin: 8 entries hold text that recutils cannot give back exactly (a line "
                       "ending in a backslash, a lone CR or LF, a NUL byte, a lone UTF-16 surrogate, or a "
                       "text of the file's UTF-16 form that the 8-bit form can hold): entries 2, 3, 4, 5, 6, 7, 8, 9\n");
    EXPECT_NE(run.out.find("Number: 7\n"), std::string::npos);
    ASSERT_TRUE(WriteEntries(dir / "one.ovr", {{"a", "x\\", ""}, {"b", "", ""}}).ok);
    run = RunTool({"--export", dir / "one.ovr"});
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find("1 entry holds text"), std::string::npos) << run.err;
}

// Bad input writes nothing, says where; even a complete import replaces no existing file nor a dangling link's target.
TEST(CliTools, ImportRefusalsWriteNothing)
{
    TempFolder dir;
    WriteBytes(dir / "good.rec", "KeyWords: k\n");
    WriteBytes(dir / "bad.rec", "KeyWords: a\n\nKeyWords: \xD0\n");
    WriteBytes(dir / "existing.ovr", "precious");
    fs::create_symlink("nowhere.ovr", dir / "dangling.ovr");
    fs::create_directory(dir / "locked");
    fs::permissions(dir / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{dir / "good.rec", dir / "existing.ovr"}, "already exists"},
        {{dir / "good.rec", dir / "dangling.ovr"}, "already exists"},
        {{dir / "bad.rec", dir / "new.ovr"},
         "bad.rec: record 2 (line 3), field KeyWords (line 3): the text is not valid UTF-8\n"},
        {{dir / "missing.rec", dir / "new.ovr"}, "missing.rec\": No such file or directory\n"},
        {{dir / "good.rec"}, ""},
    };
    if (::geteuid() != 0) cases.push_back({{dir / "good.rec", dir / "locked/new.ovr"}, "Permission denied"});
    for (auto [args, said] : cases) {
        SCOPED_TRACE(args.back());
        args.insert(args.begin(), "--import");
        const ToolRun run = RunTool(args);
        EXPECT_EQ(run.code, 2);
        EXPECT_NE(run.err.find(said), std::string::npos) << run.err;
    }
    EXPECT_EQ(ReadBytes(dir / "existing.ovr"), "precious");
    EXPECT_TRUE(fs::is_empty(dir / "locked"));
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"bad.rec", "dangling.ovr", "existing.ovr", "good.rec", "locked"}));
}

// --merge quietly adds what INTO lacks; INTO is unwritten when nothing is new, OTHER is unreadable or usage is wrong.
TEST(CliTools, MergeWritesIntoOnlyWhatIsNew)
{
    TempFolder dir;
    const std::string wide = TextFromUtf16(u"\u0141\u00F3d\u017A \xD800");
    ASSERT_TRUE(WriteEntries(dir / "into.ovr", {{"b", "1"}, {wide, "w"}}).ok);
    ASSERT_TRUE(WriteEntries(dir / "copy.ovr", {{"c", "1"}, {"b", "1"}, {"a", wide}, {wide, "w"}}).ok);
    WriteBytes(dir / "damaged.ovr", std::string("\x00\x00\x0B\x01\x08" "010b0000" "\x05\x00\x00\x00" "\x03" "ab", 19));
    const ToolRun merged = RunTool({"--merge", dir / "copy.ovr", dir / "into.ovr"});
    EXPECT_EQ(merged.code, 0) << merged.err;
    EXPECT_TRUE(merged.out.empty() && merged.err.empty());
    EXPECT_EQ(LoadEntries(dir / "into.ovr"), (std::vector<Entry>{{"a", wide}, {"b", "1"}, {"c", "1"}, {wide, "w"}}));

    const std::string bytes = ReadBytes(dir / "into.ovr");
    const ino_t inode = InodeOf(dir / "into.ovr");
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{dir / "copy.ovr", dir / "into.ovr"}, ""},
        {{dir / "into.ovr", dir / "into.ovr"}, ""},
        {{dir / "damaged.ovr", dir / "into.ovr"}, "damaged.ovr\": not an Ovrin document"},
        {{dir / "copy.ovr", dir / "absent.ovr"}, "absent.ovr\": No such file or directory"},
        {{dir / "copy.ovr"}, "--merge needs OTHER and INTO"},
    };
    for (auto [args, said] : cases) {
        SCOPED_TRACE(args[0]);
        args.insert(args.begin(), "--merge");
        const ToolRun run = RunTool(args);
        EXPECT_EQ(run.code, said.empty() ? 0 : 2);
        EXPECT_NE(run.err.find(said), std::string::npos) << run.err;
        EXPECT_TRUE(ReadBytes(dir / "into.ovr") == bytes);
        EXPECT_EQ(InodeOf(dir / "into.ovr"), inode);
    }
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"copy.ovr", "damaged.ovr", "into.ovr"}));
}

// here/link/../n.ovr with link -> real/sub means real/n.ovr, as for the kernel, to the tools, opening and saving.
TEST(CliTools, DotDotAfterALinkIsTheKernels)
{
    TempFolder dir;
    fs::create_directories(dir.Path() / "real/sub");
    fs::create_directory(dir.Path() / "here");
    fs::create_directory_symlink("../real/sub", dir.Path() / "here/link");
    ASSERT_TRUE(WriteEntries(dir / "real/n.ovr", {{"really", "there", "1.1.2000"}}).ok);
    ASSERT_TRUE(WriteEntries(dir / "here/n.ovr", {{"decoy", "here", "1.1.2000"}}).ok);
    const std::string path = dir / "here/link/../n.ovr";
    const struct {
        std::vector<std::string> args;
        std::string out;
    } runs[] = {
        {{"--list", path}, "really\n"},
        {{"--find", "there", "--descriptions", path}, "1\treally\n"},
        {{"--export", path}, "KeyWords: really"},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.args.front());
        const ToolRun ran = RunTool(run.args);
        EXPECT_EQ(ran.code, 0) << ran.err;
        EXPECT_NE(ran.out.find(run.out), std::string::npos) << ran.out;
    }
    FakeHost host;
    COvrinDoc doc(host);
    ASSERT_TRUE(OpenDocumentFile(doc, path).ok);
    EXPECT_EQ(doc.KeyWords()[0], "really");
    FillTable(doc, {"saved", "twice"});
    ASSERT_TRUE(SaveDocumentFile(doc, path).ok);
    EXPECT_EQ(LoadEntries(dir / "real/n.ovr").size(), 2u);
    EXPECT_EQ(LoadEntries(dir / "here/n.ovr").at(0).keyWords, "decoy");
}

// The window keeps its document on every refusal but a damaged file (empty untitled then); an empty
// file is an empty document; the tools exit 2 naming the file. A large one is damaged at its very end, past all buffers.
TEST(UnreadableFiles, WindowAndToolsRefuseAlike)
{
    TempFolder dir;
    std::vector<Entry> many;
    for (int i = 0; i < 30000; ++i) many.push_back({"entry " + std::to_string(i) + " with a key line of some length", "d"});
    ASSERT_TRUE(WriteEntries(dir / "large.ovr", many).ok);
    const std::string large = ReadBytes(dir / "large.ovr");
    // Read whole, the key words come out whole and in order, more than the write buffer holds.
    std::string keys;
    for (const Entry& e : many) keys += e.keyWords + "\n";
    EXPECT_TRUE(RunTool({"--list", dir / "large.ovr"}).out == keys);
    WriteBytes(dir / "empty.ovr", "");
    WriteBytes(dir / "cut.ovr", large.substr(0, large.size() - 3));
    WriteBytes(dir / "foreign.ovr", large.substr(0, 5) + "010c0000" + large.substr(13));
    ASSERT_EQ(::mkfifo((dir / "pipe.ovr").c_str(), 0600), 0);
    using E = FileResult::Error;
    const struct {
        std::string path;
        E window;
        int tools;
        const char* says;
    } cases[] = {
        {dir / "missing.ovr", E::CannotOpen, 2, "No such file"},
        {dir / "empty.ovr", E::None, 0, ""},
        {dir / "cut.ovr", E::BadFormat, 2, "Unexpected file format."},
        {dir / "foreign.ovr", E::UnknownVersion, 2, ""},
        {dir / "pipe.ovr", E::CannotOpen, 2, "not a regular file"},
        {dir.Path().string(), E::CannotOpen, 2, "not a regular file"},
        {"/dev/null", E::CannotOpen, 2, "not a regular file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        FakeHost host;
        COvrinDoc doc(host);
        FillTable(doc, {"mine"});
        doc.SetPathName("/mine.ovr");
        doc.SetFilePath("/mine.ovr");
        doc.SetModifiedFlag(true);
        const FileResult opened = OpenDocumentFile(doc, c.path);
        EXPECT_EQ(opened.error, c.window);
        EXPECT_NE(opened.message.find(c.says), std::string::npos) << opened.message;
        const bool kept = c.window != E::None && c.window != E::BadFormat;
        EXPECT_EQ(doc.Count(), kept ? 1 : 0);
        EXPECT_EQ(doc.GetPathName(), kept ? "/mine.ovr" : c.window == E::None ? c.path : "");
        EXPECT_EQ(doc.FilePath(), kept ? "/mine.ovr" : c.window == E::None ? c.path : "");
        EXPECT_EQ(doc.IsModified(), kept);

        for (const std::vector<std::string>& args : {std::vector<std::string>{"--list", c.path},
                                                     {"--export", c.path},
                                                     {"--find", "entry", "--descriptions", c.path}}) {
            const ToolRun run = RunTool(args);
            if (c.tools == 0) {
                EXPECT_NE(run.code, 2) << args[0] << ": " << run.err;
                continue;
            }
            EXPECT_EQ(run.code, 2) << args[0];
            EXPECT_TRUE(run.out.empty()) << args[0];
            EXPECT_NE(run.err.find(c.path), std::string::npos) << run.err;
        }
    }
}
}  // namespace

// An unreadable file, or no document (a record set to --export), is named as typed, cause once, one line.
TEST(CommandMessages, ReadFailuresTakeOneLine)
{
    TempFolder dir;
    WriteBytes(dir / "notes.rec", "KeyWords: a\n\nDescription: x\n");
    for (const auto& [args, reason] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"--export", dir / "notes.rec"}, "not an Ovrin document: a text is longer than the rest of the file"},
             {{"--find", "a", dir.Path().string()}, "not a regular file (a pipe, a device or a folder)"}}) {
        const ToolRun run = RunTool(args);
        EXPECT_EQ(run.code, 2);
        EXPECT_EQ(run.out + run.err, "ovrin: cannot read \"" + args.back() + "\": " + reason + "\n");
    }
}

// --version prints the About box's version line; --help and --version take nothing after them.
TEST(CommandMessages, HelpAndVersion)
{
    const std::string version = RunTool({"--version"}).out;
    const auto& lines = AboutText().lines;
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const InfoLine& l) { return l.text + "\n"s == version; }));
    for (const char* mode : {"--help", "--version"}) {
        const ToolRun run = RunTool({mode, "extra"});
        EXPECT_EQ(run.code, 2) << mode;
        EXPECT_EQ(run.err.rfind(std::string("ovrin: ") + mode + " takes no arguments\nusage: ", 0), 0u) << run.err;
    }
}

// The manual page lists exactly the command's options and the recovery records' folder as found.
TEST(CommandMessages, ManualPageNamesTheProgramsOwnOptionsAndFiles)
{
    std::ifstream in(std::filesystem::path(OVRIN_SOURCE_DIR) / "dist/linux/ovrin.1");
    const std::string page{std::istreambuf_iterator<char>(in), {}};
    ASSERT_FALSE(page.empty());
    std::set<std::string> programs, pages;
    for (const CommandMode& mode : ToolModes())
        for (std::string_view option : {mode.option, mode.alias, mode.Switch()})
            if (!option.empty()) programs.emplace(option);
    const std::regex option(R"(\\-(\\-)?[a-z][a-z-]*)");
    for (auto it = std::sregex_iterator(page.begin(), page.end(), option); it != std::sregex_iterator(); ++it) {
        // Each dash escaped; only the window's switches and other programs' options take a single one.
        const std::string text = std::regex_replace(it->str(), std::regex(R"(\\-)"), "-");
        if (text.starts_with("--") || text == "-h") pages.insert(text);
    }
    EXPECT_EQ(pages, programs);

    const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    const char* state = std::getenv("XDG_STATE_HOME");
    const std::string savedState = state ? state : "";
    setenv("XDG_STATE_HOME", "/state", 1);
    EXPECT_EQ(RecoveryFolder(), "/state/ovrin");
    EXPECT_NE(page.find("$XDG_STATE_HOME/ovrin/"), std::string::npos);
    unsetenv("XDG_STATE_HOME");
    EXPECT_EQ(RecoveryFolder(), home + "/.local/state/ovrin");
    EXPECT_NE(page.find("~/.local/state/ovrin/"), std::string::npos);
    if (state) setenv("XDG_STATE_HOME", savedState.c_str(), 1);
}
