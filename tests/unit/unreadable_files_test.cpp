// SPDX-License-Identifier: MIT
// Files that cannot be read as documents, each seen by the window (the open
// document) and by the command-line tools: what is refused, what the open
// document keeps, and that the tools print nothing before the refusal.
#include <gtest/gtest.h>

#include "fs_test_support.h"
#include "tool_run.h"

using namespace fs_test;

namespace {

// The window keeps its document for every refusal but a damaged file, which
// leaves an empty untitled one; an empty file is an empty document. The
// tools end with 2 and name the file. A damaged large file is damaged only
// at its very end, past all that the tools' buffers hold.
TEST(UnreadableFiles, WindowAndToolsRefuseAlike)
{
    TempFolder dir;
    std::vector<Entry> many;
    for (int i = 0; i < 30000; ++i) many.push_back({"entry " + std::to_string(i) + " with a key line of some length", "d"});
    ASSERT_TRUE(WriteEntries(dir / "large.ovr", many).ok);
    const std::string large = ReadBytes(dir / "large.ovr");
    // Read whole, the key words come out whole and in order, more of them
    // than the tools' write buffer holds.
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
        doc.m_strFilePath = "/mine.ovr";
        doc.SetModifiedFlag(true);
        const FileResult opened = OpenDocumentFile(doc, c.path);
        EXPECT_EQ(opened.error, c.window);
        EXPECT_NE(opened.message.find(c.says), std::string::npos) << opened.message;
        const bool kept = c.window != E::None && c.window != E::BadFormat;
        EXPECT_EQ(doc.m_nCount, kept ? 1 : 0);
        EXPECT_EQ(doc.GetPathName(), kept ? "/mine.ovr" : c.window == E::None ? c.path : "");
        EXPECT_EQ(doc.m_strFilePath, kept ? "/mine.ovr" : c.window == E::None ? c.path : "");
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
