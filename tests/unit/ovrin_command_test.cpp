// SPDX-License-Identifier: MIT
// The shipped `ovrin` command as a real process with no display; how it and the window program meet.
#include <gtest/gtest.h>

#include <climits>
#include <sstream>

#include <fcntl.h>

#include <csignal>

#include "core/recovery/recovery_record.h"
#include "platform/program_paths.h"
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

// Makes a stand-in program at `relative` in `dir`, runnable or not.
std::string Program(const TempFolder& dir, const std::string& relative, bool executable = true)
{
    const fs::path path = dir.Path() / relative;
    fs::create_directories(path.parent_path());
    WriteBytes(path.string(), "#!/bin/sh\n");
    fs::permissions(path, executable ? fs::perms::owner_all : fs::perms::owner_read);
    return path.string();
}

// Built, the programs lie side by side; installed, the window one is in libexec. One whose front end
// cannot run names itself, so the desktop entry still starts something that works.
TEST(ProgramPaths, EachFindsTheOtherBuiltAndInstalled)
{
    TempFolder dir;
    for (const auto& [frontName, windowName, runnable, installed] :
         {std::tuple{"build/ovrin", "build/ovrin-window", true, false},
          std::tuple{"usr/bin/ovrin", "usr/libexec/ovrin/ovrin-window", true, true},
          std::tuple{"elsewhere/ovrin", "elsewhere/ovrin-window", false, false}}) {
        SCOPED_TRACE(windowName);
        const std::string front = Program(dir, frontName, runnable);
        const std::string window = Program(dir, windowName);
        EXPECT_EQ(FrontEndPath(window), runnable ? front : window);
        EXPECT_EQ(IsInstalledWindowProgram(window), installed);
        if (runnable) {
            EXPECT_EQ(WindowProgramPath(front), window);
        }
    }
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

    // Runs `ovrin ARGS` (shell-quoted) in the temporary folder without display, plus `redirect`.
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
}  // namespace

// The modes need no display nor window library: DISPLAY unset, the loader reporting each library.
TEST_F(OvrinCommand, ModesNeedNoWindowLibraries)
{
    const Result run = Ovrin("--version", "> out 2> err", "LD_DEBUG=libs LD_DEBUG_OUTPUT=" + Quote(At("ld")) + " ");
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out.rfind("Ovrin", 0), 0u) << run.out;
    std::string loaded;
    for (const std::string& name : m_dir.Names())
        if (name.rfind("ld.", 0) == 0) loaded += ReadBytes(At(name));
    EXPECT_NE(loaded.find("libc.so"), std::string::npos) << "the loader reported nothing";
    EXPECT_EQ(loaded.find("libQt"), std::string::npos);
}

// A failed output write is an error, never exit 0: a full device, a file size limit, closed stdout.
TEST_F(OvrinCommand, FailedWritesGiveExitTwo)
{
    std::vector<Entry> entries;
    for (int i = 0; i < 3000; ++i) entries.push_back({"key " + std::to_string(i), std::string(300, 'd'), "1.1.2000"});
    ASSERT_TRUE(WriteEntries(At("big.ovr"), entries).ok);
    struct Case {
        std::string args, redirect, before, reason;
    };
    const std::vector<Case> cases = {
        {"--export big.ovr", "> /dev/full 2> err", "", "No space left on device"},
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
    // A half-way failed import leaves neither the file nor anything it was written through.
    std::string many;
    for (int i = 0; i < 2000; ++i) many += "KeyWords: entry " + std::to_string(i) + "\n\n";
    WriteBytes(At("many.rec"), many);
    const Result cut = Ovrin("--import many.rec cut.ovr", "> out 2> err", "ulimit -f 8 && ");
    EXPECT_EQ(cut.code, 2);
    EXPECT_NE(cut.err.find("File too large"), std::string::npos) << cut.err;
    fs::remove(At("many.rec"));
    EXPECT_EQ(m_dir.Names(), (std::vector<std::string>{"big.ovr", "limited"}));
    // Nothing to write is no failure, and --import needs no standard output.
    EXPECT_EQ(Ovrin("--find absent big.ovr", ">&- 2> err").code, 1);
    WriteBytes(At("one.rec"), "KeyWords: k\n");
    EXPECT_EQ(Ovrin("--import one.rec one.ovr", ">&- 2> err").code, 0);
}

// --import reads stdin and pipes; a device is refused unread, an endless stream at its first bad
// byte, a closed stdin as such. Nothing is written then, nor for a NEWFILE "-".
TEST_F(OvrinCommand, ImportReadsStandardInputAndPipesAndRefusesDevices)
{
    WriteBytes(At("in.rec"), "KeyWords: k\n");
    ASSERT_EQ(Ovrin("--import - a.ovr", "< in.rec > out 2> err").code, 0);
    ASSERT_EQ(Ovrin("--import fifo b.ovr", "> out 2> err", "mkfifo fifo && (cat in.rec > fifo &) && ").code, 0);
    EXPECT_EQ(LoadEntries(At("a.ovr")), LoadEntries(At("b.ovr")));
    EXPECT_EQ(LoadEntries(At("b.ovr")).at(0).keyWords, "k");
    for (const auto& [args, message] : std::vector<std::pair<std::string, std::string>>{
             {"--import /dev/zero x.ovr", "cannot read \"/dev/zero\": it is a device or a socket, not a file or a pipe"},
             {"--import - x.ovr < /dev/zero", "standard input: line 1: not a record set: it holds a NUL byte"},
             {"--import - x.ovr <&-", "cannot read \"standard input\": Bad file descriptor"},
             {"--import in.rec -", "NEWFILE must be a file, not standard output (./- names a file \"-\")"}}) {
        const Result run = Ovrin(args);
        EXPECT_EQ(run.code, 2) << args;
        EXPECT_EQ(run.err.substr(0, run.err.find('\n') + 1), "ovrin: " + message + "\n");
    }
    EXPECT_EQ(m_dir.Names(), (std::vector<std::string>{"a.ovr", "b.ovr", "fifo", "in.rec"}));
}

// "link/../x.ovr" lies beside the link's target as for the kernel, for the emptiness check and the write.
TEST_F(OvrinCommand, ImportWritesIntoTheFolderTheKernelResolves)
{
    WriteBytes(At("in.rec"), "KeyWords: k\n");
    fs::create_directories(At("d/e"));
    fs::create_directory_symlink("d/e", At("link"));
    ASSERT_EQ(Ovrin("--import in.rec link/../x.ovr").code, 0);
    EXPECT_TRUE(fs::exists(At("d/x.ovr")));
    EXPECT_FALSE(fs::exists(At("x.ovr")));
    EXPECT_EQ(Ovrin("--import in.rec link/../x.ovr").err,
              "ovrin: \"link/../x.ovr\" already exists; --import writes only a new file\n");
}

// With no display the window says so in one line and points to the modes that need none.
TEST_F(OvrinCommand, WindowWithoutDisplaySaysSoInOneLine)
{
    const Result run = Ovrin("in.ovr", "> out 2> err", "unset QT_QPA_PLATFORM && ");
    EXPECT_EQ(run.code, 2);
    EXPECT_EQ(run.err, "ovrin: no display found (DISPLAY and WAYLAND_DISPLAY are not set), so the window "
                       "cannot open; the command-line modes need none: ovrin --help\n");
}

// An import syncs the content before it takes the name (else a crash could leave it empty), seen by its system calls.
TEST_F(OvrinCommand, ImportSyncsTheNewFileBeforeNamingIt)
{
#if defined(__SANITIZE_ADDRESS__)  // GCC's sign of -fsanitize=address
    GTEST_SKIP() << "the leak checker cannot run under strace; the normal build watches the syncs";
#endif
    if (std::system("command -v strace > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "strace is missing: the syncs cannot be observed (scripts/packages.txt lists it)";
    ASSERT_TRUE(WriteEntries(At("s.ovr"), {{"synced", "content"}}).ok);
    ASSERT_EQ(Ovrin("--export s.ovr", "> a.rec 2> err").code, 0);
    const Result run = Ovrin("--import a.rec n.ovr", "> out 2> err",
                             "strace -f -y -o trace -e trace=fsync,fdatasync,rename,renameat,renameat2,linkat ");
    ASSERT_EQ(run.code, 0) << run.err;
    std::istringstream trace(ReadBytes(At("trace")));
    bool synced = false, named = false;
    for (std::string line; std::getline(trace, line);) {
        const bool aboutTemp = line.find(".n.ovr.ovrin-save-") != std::string::npos;
        if (aboutTemp && (line.find("fsync(") != std::string::npos || line.find("fdatasync(") != std::string::npos) &&
            line.find(") = 0") != std::string::npos)
            synced = !named;
        if (aboutTemp && line.find("rename") != std::string::npos && line.find("\"n.ovr\"") != std::string::npos)
            named = true;
    }
    EXPECT_TRUE(named) << ReadBytes(At("trace"));
    EXPECT_TRUE(synced) << "no sync of the temporary file before its rename:\n" << ReadBytes(At("trace"));
}

// Paths deeper than PATH_MAX: --import writes, --list reads from there; opening and saving by the whole path work.
TEST_F(OvrinCommand, WhatItWritesDeeperThanPathMaxItReads)
{
    const std::string part(200, 'd');
    std::string deep = At(""), cds;
    int folder = ::open(m_dir.Path().c_str(), O_PATH | O_DIRECTORY);
    for (int level = 0; level < 24; ++level) {
        ASSERT_EQ(::mkdirat(folder, part.c_str(), 0700), 0);
        const int inner = ::openat(folder, part.c_str(), O_PATH | O_DIRECTORY);
        ::close(folder);
        folder = inner;
        deep += part + "/";
        cds += "cd -P " + part + " && ";
    }
    ::close(folder);
    ASSERT_GT(deep.size(), static_cast<std::size_t>(PATH_MAX));
    ASSERT_TRUE(WriteEntries(At("s.ovr"), {{"deep", "down"}}).ok);
    ASSERT_EQ(Ovrin("--export s.ovr", "> a.rec 2> err").code, 0);
    const std::string output = "> " + Quote(At("out")) + " 2> " + Quote(At("err"));
    const Result imported = Ovrin("--import " + Quote(At("a.rec")) + " n.ovr", output, cds);
    EXPECT_EQ(imported.code, 0) << imported.err;
    const Result listed = Ovrin("--list n.ovr", output, cds);
    EXPECT_EQ(listed.code, 0) << listed.err;
    EXPECT_EQ(listed.out, "deep\n");

    FakeHost host;
    COvrinDoc doc(host);
    const FileResult opened = OpenDocumentFile(doc, deep + "n.ovr");
    const auto tail = [](const std::string& m) { return m.substr(m.size() > 80 ? m.size() - 80 : 0); };
    EXPECT_TRUE(opened.ok) << tail(opened.message);
    FillTable(doc, {"deeper", "still"});
    const FileResult saved = SaveDocumentFile(doc, deep + "n.ovr");
    EXPECT_TRUE(saved.ok) << tail(saved.message);
    EXPECT_EQ(Ovrin("--list n.ovr", output, cds).out, "deeper\nstill\n");
    // Too deep for the removal of the temporary folder.
    std::system(("rm -rf " + Quote(At(part))).c_str());
}

// No spare threads (process or stack limit): export converts on its own thread alike; root (unbound) runs it as nobody.
TEST_F(OvrinCommand, ExportWithoutThreadsToSpare)
{
#if defined(__SANITIZE_ADDRESS__)  // GCC's sign of -fsanitize=address
    GTEST_SKIP() << "the sanitizers need threads and address space beyond these limits; the normal build runs it";
#endif
    std::vector<Entry> entries;
    for (int i = 0; i < 3000; ++i) entries.push_back({"key " + std::to_string(i), std::string(300, 'd'), "1.1.2000"});
    ASSERT_TRUE(WriteEntries(At("big.ovr"), entries).ok);
    fs::permissions(m_dir.Path(), fs::perms::all);
    fs::permissions(At("big.ovr"), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const Result whole = Ovrin("--export big.ovr");
    ASSERT_EQ(whole.code, 0) << whole.err;
    const std::string asUser = ::getuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    for (const std::string& limit : {asUser + "prlimit --nproc=1 ", std::string("prlimit --as=60000000 ")}) {
        SCOPED_TRACE(limit);
        const Result run = Ovrin("--export big.ovr", "> out 2> err", limit);
        EXPECT_EQ(run.code, 0) << run.err;
        EXPECT_TRUE(run.out == whole.out) << "the output differs from the export on threads";
    }
}

// Started directly, the window program ignores SIGXFSZ: writes past the limit fail and are reported, the edit lives.
TEST_F(OvrinCommand, WindowIgnoresTheFileSizeSignal)
{
    const std::string window = (fs::path(m_binary).parent_path() / "ovrin-window").string();
    ASSERT_TRUE(fs::exists(window));
    const std::string script =
        "XDG_STATE_HOME=" + Quote(At("state")) + " XDG_CONFIG_HOME=" + Quote(At("config")) +
        " QT_QPA_PLATFORM=offscreen " + Quote(window) + " >/dev/null 2>&1 & pid=$!; "
        "for i in $(seq 100); do "
        "  mask=$(sed -n \"s/^SigIgn:\\t//p\" /proc/$pid/status); "
        "  [ $(( 0x$mask >> 24 & 1 )) = 1 ] && break; sleep 0.1; "
        "done; echo $mask > out; kill $pid; wait $pid";
    const std::string mask = Ovrin("--version", "> /dev/null 2> err", "(" + script + ") ; ").out;
    ASSERT_FALSE(mask.empty());
    EXPECT_EQ(std::stoull(mask, nullptr, 16) >> (SIGXFSZ - 1) & 1, 1u) << mask;
}

// Gigabyte record files in the state folder are judged by start and size, never read whole: one whose
// first change cannot fit is removed, one beyond the memory allowed left with a message (else --as=2G kills).
TEST_F(OvrinCommand, WindowNeverReadsAHugeRecordWhole)
{
#if defined(__SANITIZE_ADDRESS__)  // GCC's sign of -fsanitize=address
    GTEST_SKIP() << "the sanitizers reserve more address space than the limit this test sets; the normal build runs it";
#endif
    const std::string window = (fs::path(m_binary).parent_path() / "ovrin-window").string();
    const std::string folder = At("state/ovrin");
    fs::create_directories(folder);
    fs::permissions(folder, fs::perms::owner_all);
    const std::uint64_t huge = std::uint64_t{3} << 30;
    const std::string start = EncodeRecordStart({});
    std::string frameHead(12, '\0');  // a change of all but the start's bytes, then its checksum
    for (int i = 0; i < 8; ++i) frameHead[i] = static_cast<char>((huge - start.size() - 12) >> (8 * i));
    const std::vector<std::pair<std::string, bool>> records = {{start, false}, {start + frameHead, true}};
    for (const auto& [bytes, kept] : records) {
        SCOPED_TRACE(kept ? "larger than memory" : "no change fits");
        const std::string record = folder + "/record-1-1";
        WriteBytes(record, bytes);
        fs::resize_file(record, huge);
        const std::string script =
            "XDG_STATE_HOME=" + Quote(At("state")) + " XDG_CONFIG_HOME=" + Quote(At("config")) +
            " QT_QPA_PLATFORM=offscreen prlimit --as=2000000000 " + Quote(window) + " >/dev/null 2>&1 & pid=$!; "
            "sleep 4; sed -n 's/^VmHWM:[^0-9]*//p' /proc/$pid/status > out; kill $pid; wait $pid";
        const std::string peak = Ovrin("--version", "> /dev/null 2> err", "(" + script + ") ; ").out;
        ASSERT_FALSE(peak.empty()) << "the window ended";
        EXPECT_LT(std::stoull(peak), 500u * 1024) << peak << " kB";
        EXPECT_EQ(fs::exists(record), kept);
        fs::remove(record);
    }
}
