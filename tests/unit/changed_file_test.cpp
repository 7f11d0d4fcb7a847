// SPDX-License-Identifier: MIT
// Another program changes the document's file after it was read: Save and
// "Save immediate" ask before writing over its version, and never when only
// the file's times changed.
#include <gtest/gtest.h>

#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>

#include "fs_test_support.h"

namespace {

using namespace fs_test;

const timespec kOtherTimes[2] = {{1000000000, 0}, {1000000000, 0}};

// `theirs` is a document as long as the file, with other bytes.
const struct OtherProgram {
    const char* does;
    void (*act)(const std::string& path, const std::string& theirs);
    bool asks, removes;
} kOthers[] = {
    {"touches it", [](auto& p, auto&) { ASSERT_EQ(::utimensat(AT_FDCWD, p.c_str(), kOtherTimes, 0), 0); }, false, false},
    {"copies over it", [](auto& p, auto& t) { WriteBytes(p, ReadBytes(t)); }, true, false},
    {"renames a new version over it", [](auto& p, auto& t) { ASSERT_EQ(std::rename(t.c_str(), p.c_str()), 0); }, true, false},
    {"deletes it", [](auto& p, auto&) { ASSERT_EQ(::unlink(p.c_str()), 0); }, true, true},
};

// Guards Save and "Save immediate" against writing over another program's
// version, or creating a removed file again, without a word: Save asks
// every time, an immediate save once for each other version; keeping it
// writes nothing and leaves the document modified. Guards too against an
// alarm for a file merely touched, or for the file a save just wrote.
TEST(ChangedFile, WritingOverAnotherVersionIsAsked)
{
    TempFolder dir;
    const std::string path = dir / "notes.ovr", theirs = dir / "theirs.ovr";
    for (const OtherProgram& other : kOthers) {
        for (const bool immediate : {false, true}) {
            SCOPED_TRACE(std::string(other.does) + (immediate ? ", immediate save" : ", Save"));
            ASSERT_TRUE(WriteEntries(path, {{"alpha", "about alpha"}}).ok);
            ASSERT_TRUE(WriteEntries(theirs, {{"omega", "about omega"}}).ok);
            FakeHost host;
            COvrinDoc doc(host);
            ASSERT_TRUE(OpenDocumentFile(doc, path).ok);
            doc.m_bSaveImmediate = immediate;
            const auto add = [&] {
                host.editAnswers.push_back({true, "mine", "mine"});
                doc.OnEntryAdd();
            };
            ::usleep(20000);  // file times come in ticks of milliseconds
            const std::string before = other.removes ? std::string() : ReadBytes(theirs);
            other.act(path, theirs);
            add();
            add();
            if (!other.asks) {
                EXPECT_TRUE(SaveDocumentFile(doc, path).ok);
                EXPECT_TRUE(host.changedFilesAsked.empty());
                continue;
            }
            if (!immediate) {
                host.changedFileAnswers = {ChangedFileAnswer::Keep, ChangedFileAnswer::SaveAs};
                EXPECT_EQ(SaveDocumentFile(doc, path).error, FileResult::Error::Cancelled);
                EXPECT_EQ(SaveDocumentFile(doc, path).error, FileResult::Error::NameWanted);
            }
            const std::string asked = other.removes ? path + " removed" : path;
            EXPECT_EQ(host.changedFilesAsked, std::vector<std::string>(immediate ? 1 : 2, asked));
            EXPECT_EQ(ReadBytes(path), before);
            EXPECT_TRUE(doc.IsModified());
            // As if the other program had written yet another version.
            doc.m_knownFile.keptOther.reset();
            host.changedFileAnswers = {ChangedFileAnswer::Overwrite};
            if (immediate)
                add();
            else
                EXPECT_TRUE(SaveDocumentFile(doc, path).ok);
            EXPECT_FALSE(doc.IsModified());
            EXPECT_EQ(LoadEntries(path).size(), immediate ? 4u : 3u);
        }
    }
}

}  // namespace
