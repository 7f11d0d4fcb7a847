// SPDX-License-Identifier: MIT
// The shipped `ovrin` command as a user runs it: a real process in a shell,
// on the real file system, with no display.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "fs_test_support.h"

using namespace fs_test;

namespace {

struct Result {
    int code = -1;
    std::string out, err;
};

std::string Quote(const std::string& text)
{
    std::string q = "'";
    for (char c : text) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

bool HaveCommand(const std::string& name)
{
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

class OvrinCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* binary = std::getenv("OVRIN_BINARY");
        if (binary == nullptr || *binary == '\0') GTEST_SKIP() << "OVRIN_BINARY is not set";
        m_binary = fs::absolute(binary).string();
        ASSERT_FALSE(m_dir.Path().empty());
    }

    std::string At(const std::string& name) const { return m_dir / name; }

    // Runs `ovrin ARGS` (already quoted for the shell) in the temporary
    // folder, with no display; `redirect` may add shell redirections.
    Result Ovrin(const std::string& args, const std::string& redirect = "> out 2> err",
              const std::string& before = "")
    {
        const std::string command = "cd " + Quote(m_dir.Path().string()) + " && " + before +
                                    "env -u DISPLAY -u WAYLAND_DISPLAY " + Quote(m_binary) + " " +
                                    args + " " + redirect;
        const int status = std::system(("sh -c " + Quote(command)).c_str());
        Result run;
        run.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        run.out = ReadBytes(At("out"));
        run.err = ReadBytes(At("err"));
        fs::remove(At("out"));
        fs::remove(At("err"));
        return run;
    }

    std::string m_binary;
    TempFolder m_dir;
};

// A text recutils can carry exactly: any byte but NUL, line breaks only as
// CR LF, no line ending in a backslash; sometimes blank at its edges.
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
    if (!text.empty() && text.back() == '\\') text.back() = 'y';
    if (rng() % 3 == 0) text = " \t" + text + "\t ";
    return text;
}

}  // namespace

// The modes need no display and no window library: run with DISPLAY unset
// and the dynamic loader reporting every library it opens.
TEST_F(OvrinCommand, HelpAndVersionNeedNoWindowLibraries)
{
    Result run = Ovrin("--version", "> out 2> err", "LD_DEBUG=libs LD_DEBUG_OUTPUT=" + Quote(At("ld")) + " ");
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out.rfind("Ovrin", 0), 0u) << run.out;
    std::string loaded;
    for (const std::string& name : m_dir.Names())
        if (name.rfind("ld.", 0) == 0) loaded += ReadBytes(At(name));
    EXPECT_NE(loaded.find("libc.so"), std::string::npos) << "the loader reported nothing";
    EXPECT_EQ(loaded.find("libQt"), std::string::npos);

    run = Ovrin("--help");
    EXPECT_EQ(run.code, 0);
    for (const char* mode : {"--list", "--find", "--export", "--import", "--version", "/pt"})
        EXPECT_NE(run.out.find(mode), std::string::npos) << mode;
    EXPECT_TRUE(run.err.empty());
}

// A mistyped option must never open a window or be taken for a file: one
// line naming it, then the usage, all on standard error, and exit 2.
TEST_F(OvrinCommand, UnknownOptionsAndStrayArgumentsAreRefused)
{
    for (const char* args : {"--lst notes.ovr", "notes.ovr -x", "a.ovr b.ovr", "a.ovr --list", "--list",
                             "--find", "--find '' a.ovr", "--export a.ovr a.ovr"}) {
        SCOPED_TRACE(args);
        const Result run = Ovrin(args);
        EXPECT_EQ(run.code, 2);
        EXPECT_TRUE(run.out.empty());
        EXPECT_EQ(run.err.rfind("ovrin: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find("\nusage: ovrin "), std::string::npos) << run.err;
    }
    EXPECT_NE(Ovrin("--lst x").err.find("unknown option \"--lst\"\n"), std::string::npos);
}

// Everything that is not a mode goes to the window program exactly as
// typed; a stand-in beside a copy of the program records what it got.
TEST_F(OvrinCommand, HandsWindowCommandLinesOverUnchanged)
{
    fs::copy_file(m_binary, At("ovrin"));
    WriteBytes(At("ovrin-window"), "#!/bin/sh\nfor a in \"$0\" \"$@\"; do printf '[%s]' \"$a\"; done\n");
    fs::permissions(At("ovrin-window"), fs::perms::owner_all);
    m_binary = At("ovrin");
    EXPECT_EQ(Ovrin("").out, "[" + At("ovrin-window") + "]");
    const Result run = Ovrin("/PT 'my notes.ovr' 'Printer 1' '' port");
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, "[" + At("ovrin-window") + "][/PT][my notes.ovr][Printer 1][][port]");

    fs::remove(At("ovrin-window"));
    const Result missing = Ovrin("notes.ovr");
    EXPECT_EQ(missing.code, 2);
    EXPECT_NE(missing.err.find("cannot start the window program"), std::string::npos) << missing.err;
}

// Export and import give back the document byte for byte, for documents of
// every byte value, blank edges, CR LF, empty and long texts (a long one
// takes the file's 32-bit length form), equal key words kept in their order.
TEST_F(OvrinCommand, ExportThenImportGivesTheSameDocument)
{
    std::mt19937 rng(20261207);
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        std::vector<Entry> entries;
        for (int i = 0; i < 40 * round; ++i) {
            const std::size_t longText = i == 3 ? 70000 : 0;
            entries.push_back({RandomText(rng, rng() % 12), RandomText(rng, longText + rng() % 300),
                               RandomText(rng, rng() % 10)});
            if (i % 7 == 0) entries.back().keyWords = "same";
            if (i % 11 == 0) entries.back().description.clear();
        }
        std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
            return CompareKeyWords(a.keyWords, b.keyWords) < 0;
        });
        SaveEntries(At("a.ovr"), entries);
        const Result exported = Ovrin("--export a.ovr", "> a.rec 2> err");
        ASSERT_EQ(exported.code, 0) << exported.err;
        const Result imported = Ovrin("--import a.rec b.ovr");
        ASSERT_EQ(imported.code, 0) << imported.err;
        EXPECT_TRUE(imported.out.empty() && imported.err.empty());
        EXPECT_TRUE(ReadBytes(At("a.ovr")) == ReadBytes(At("b.ovr")));
        fs::remove(At("b.ovr"));
    }
    // A set out of key-word order comes back sorted by byte value, equal
    // key words in the order of the file.
    WriteBytes(At("in.rec"), "KeyWords: b\nDescription: 1\n\nKeyWords: \xC3\xA4\n\nKeyWords: Z\n\n"
                             "KeyWords: b\nDescription: 2\n\nKeyWords: a\n");
    ASSERT_EQ(Ovrin("--import in.rec out.ovr").code, 0);
    std::vector<std::string> keys;
    for (const Entry& e : LoadEntries(At("out.ovr"))) keys.push_back(e.keyWords + e.description);
    EXPECT_EQ(keys, (std::vector<std::string>{"Z", "a", "b1", "b2", "\xE4"}));
}

// Bad input writes nothing and says where; an existing file is never
// replaced, not even by a complete import.
TEST_F(OvrinCommand, ImportRefusalsWriteNothing)
{
    WriteBytes(At("good.rec"), "KeyWords: k\n");
    WriteBytes(At("existing.ovr"), "precious");
    Result run = Ovrin("--import good.rec existing.ovr");
    EXPECT_EQ(run.code, 2);
    EXPECT_NE(run.err.find("already exists"), std::string::npos) << run.err;
    EXPECT_EQ(ReadBytes(At("existing.ovr")), "precious");
    fs::create_symlink("nowhere.ovr", At("dangling.ovr"));
    EXPECT_EQ(Ovrin("--import good.rec dangling.ovr").code, 2);
    EXPECT_FALSE(fs::exists(At("nowhere.ovr")));

    WriteBytes(At("bad.rec"), "KeyWords: a\n\nKeyWords: \xD0\x96\n");
    run = Ovrin("--import bad.rec new.ovr");
    EXPECT_EQ(run.code, 2);
    EXPECT_EQ(run.err, "ovrin: bad.rec: record 2 (line 3), field KeyWords (line 3): the character "
                       "\"\xD0\x96\" (U+0416) cannot be stored in an Ovrin document.\n");
    run = Ovrin("--import missing.rec new.ovr");
    EXPECT_EQ(run.code, 2);
    EXPECT_EQ(run.err, "ovrin: cannot read \"missing.rec\": No such file or directory\n");
    EXPECT_EQ(Ovrin("--import . new.ovr").code, 2);
    EXPECT_EQ(Ovrin("--import good.rec no/such/folder.ovr").code, 2);
    EXPECT_EQ(Ovrin("--import good.rec").code, 2);

    // A write that fails half-way (a file size limit) leaves neither the
    // file nor anything it was written through.
    std::string many;
    for (int i = 0; i < 2000; ++i) many += "KeyWords: entry " + std::to_string(i) + "\n\n";
    WriteBytes(At("many.rec"), many);
    run = Ovrin("--import many.rec big.ovr", "> out 2> err", "ulimit -f 8 && ");
    EXPECT_EQ(run.code, 2);
    EXPECT_NE(run.err.find("File too large"), std::string::npos) << run.err;
    fs::remove(At("many.rec"));

    fs::create_directory(At("locked"));
    fs::permissions(At("locked"), fs::perms::owner_read | fs::perms::owner_exec);
    if (::geteuid() != 0) {
        EXPECT_EQ(Ovrin("--import good.rec locked/new.ovr").code, 2);
    }
    EXPECT_TRUE(fs::is_empty(At("locked")));
    EXPECT_EQ(m_dir.Names(), (std::vector<std::string>{"bad.rec", "dangling.ovr", "existing.ovr", "good.rec", "locked"}));
}

// A failed write of the output is an error, never a silent exit 0: a full
// device, a file size limit, a closed standard output.
TEST_F(OvrinCommand, FailedWritesGiveExitTwo)
{
    std::vector<Entry> entries;
    for (int i = 0; i < 3000; ++i) entries.push_back({"key " + std::to_string(i), std::string(300, 'd'), "1.1.2000"});
    SaveEntries(At("big.ovr"), entries);
    struct Case {
        std::string args, redirect, before, reason;
    };
    const std::vector<Case> cases = {
        {"--export big.ovr", "> /dev/full 2> err", "", "No space left on device"},
        {"--list big.ovr", "> /dev/full 2> err", "", "No space left on device"},
        {"--find key big.ovr", "> /dev/full 2> err", "", "No space left on device"},
        {"--version", "> /dev/full 2> err", "", "No space left on device"},
        {"--export big.ovr", "> limited 2> err", "ulimit -f 8 && ", "File too large"},
        {"--list big.ovr", ">&- 2> err", "", "it is closed"},
        {"--help", ">&- 2> err", "", "it is closed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args + " " + c.redirect);
        const Result run = Ovrin(c.args, c.redirect, c.before);
        EXPECT_EQ(run.code, 2);
        EXPECT_EQ(run.err, "ovrin: cannot write to standard output: " + c.reason + "\n");
    }
    // Nothing to write is no failure, and --import needs no standard output.
    EXPECT_EQ(Ovrin("--find absent big.ovr", ">&- 2> err").code, 1);
    WriteBytes(At("one.rec"), "KeyWords: k\n");
    EXPECT_EQ(Ovrin("--import one.rec one.ovr", ">&- 2> err").code, 0);
}

// A line break inside key words (a file from elsewhere) keeps one line per
// entry in --list and --find, shown as the signs for CR and LF; --export
// names every entry recutils cannot give back exactly, whatever the reason,
// writes all of them, and exits 1.
TEST_F(OvrinCommand, OddTextsStayVisibleAndAreNamed)
{
    SaveEntries(At("breaks.ovr"), {{"one\r\ntwo", "", ""}, {"lone\rcr", "", ""}, {"lone\nlf", "", ""}, {"plain", "", ""}});
    const std::string cr = "\xE2\x90\x8D", lf = "\xE2\x90\x8A";
    Result run = Ovrin("--list breaks.ovr");
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out, "one" + cr + lf + "two\nlone" + cr + "cr\nlone" + lf + "lf\nplain\n");
    EXPECT_EQ(Ovrin("--find lone breaks.ovr").out, "2\tlone" + cr + "cr\n3\tlone" + lf + "lf\n");

    SaveEntries(At("odd.ovr"), {{"a", "fine\r\ntext", ""},
                                {"b", "ends in\\\r\nbackslash", ""},
                                {"c", "lone\nline feed", ""},
                                {"d", "lone\rcarriage return", ""},
                                {std::string("e\0", 2), "", ""},
                                {"f", "", "date\\"},
                                {"g", "trailing\r", ""}});
    run = Ovrin("--export odd.ovr");
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.err, "ovrin: 6 entries hold text that recutils cannot give back exactly (a line "
                       "ending in a backslash, a lone CR or LF, or a NUL byte): entries 2, 3, 4, 5, 6, 7\n");
    EXPECT_NE(run.out.find("Number: 7\n"), std::string::npos);
}

// Interchange with recutils' own tools: a set recins wrote, and one recfmt
// made from notes kept elsewhere, import as recsel reads them.
TEST_F(OvrinCommand, ImportsWhatRecutilsToolsWrite)
{
    if (!HaveCommand("recins") || !HaveCommand("recfmt") || !HaveCommand("recsel"))
        GTEST_SKIP() << "recutils is not installed (scripts/packages.txt lists it)";
    WriteBytes(At("ins.rec"), "%rec: Entry\n");
    WriteBytes(At("contacts.rec"), "Name: Ada\nEmail: ada@example.org\n\nName: Bea\nEmail: bea@example.org\n");
    const std::string tools =
        "cd " + Quote(m_dir.Path().string()) +
        " && recins -t Entry -f KeyWords -v '  Apfel \xC3\xA4' -f Description -v \"$(printf 'one\\n  two\\n\\nfour')\""
        " -f Date -v 1.2.2003 ins.rec"
        " && recins -t Entry -f KeyWords -v 'Baum' ins.rec"
        " && recsel contacts.rec | recfmt 'KeyWords: {{Name}}\nDescription: {{Email}}\nDate: 5.3.1998\n\n' > made.rec";
    ASSERT_EQ(std::system(("sh -c " + Quote(tools)).c_str()), 0);
    for (const char* name : {"ins", "made"}) {
        const Result run = Ovrin(std::string("--import ") + name + ".rec " + name + ".ovr");
        ASSERT_EQ(run.code, 0) << run.err;
    }
    const std::vector<Entry> inserted = LoadEntries(At("ins.ovr"));
    ASSERT_EQ(inserted.size(), 2u);
    EXPECT_EQ(inserted[0], (Entry{"  Apfel \xE4", "one\r\n  two\r\n\r\nfour", "1.2.2003"}));
    EXPECT_EQ(inserted[1].keyWords, "Baum");
    EXPECT_EQ(LoadEntries(At("made.ovr")), (std::vector<Entry>{{"Ada", "ada@example.org", "5.3.1998"},
                                                               {"Bea", "bea@example.org", "5.3.1998"}}));
}
