// SPDX-License-Identifier: MIT
// The window's changes replayed onto another version of the file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/recovery/version_merge.h"

namespace {

// An entry written "key words:description:date", the date "1" when left out.
struct Texts {
    std::string keyWords, description, date = "1";
    explicit Texts(const std::string& s)
    {
        const std::size_t a = s.find(':'), b = s.find(':', a + 1);
        keyWords = s.substr(0, a);
        description = s.substr(a + 1, b == std::string::npos ? b : b - a - 1);
        if (b != std::string::npos)
            date = s.substr(b + 1);
    }
    EntryTexts View() const { return {keyWords, description, date}; }
};

struct Case {
    const char* what;
    std::vector<const char*> other;
    // "+e" adds e (Add, Undo), "-e" deletes e, "e>f" edits e into f.
    std::vector<const char*> steps;
    std::vector<const char*> merged;
    int keptTwice = 0;
    int keptChanged = 0;
};

const Case kCases[] = {
    {"both sides add", {"a:x", "c:z"}, {"+b:y"}, {"a:x", "b:y", "c:z"}},
    {"an edit of an entry the other version holds unchanged", {"a:x", "b:y"}, {"a:x>c:x"}, {"b:y", "c:x"}},
    {"both sides change one entry: both kept, in key order", {"a:theirs", "b:y"}, {"a:base>a:mine"},
     {"a:theirs", "a:mine", "b:y"}, 1},
    {"one deletes what the other changed", {"a:theirs"}, {"-a:base"}, {"a:theirs"}, 0, 1},
    {"a changed date is a change", {"a:x:2"}, {"-a:x:1"}, {"a:x:2"}, 0, 1},
    {"both delete one entry", {"b:y"}, {"-a:x"}, {"b:y"}, 0, 1},
    {"a deletion of an entry held unchanged", {"a:x", "b:y"}, {"-a:x"}, {"b:y"}},
    {"an entry both sides added is there once", {"a:x"}, {"+a:x"}, {"a:x"}},
    {"undo of a delete the other version still holds", {"a:x"}, {"-a:x", "+a:x"}, {"a:x"}},
    {"undo of a delete the other version deleted too", {}, {"-a:x", "+a:x"}, {"a:x"}, 0, 1},
    {"an entry added and deleted here", {"b:y"}, {"+a:x", "-a:x"}, {"b:y"}},
    {"a deletion takes one of two equal entries", {"a:x", "a:x"}, {"-a:x"}, {"a:x"}},
    {"an entry edited twice", {"a:x"}, {"a:x>a:y", "a:y>a:z"}, {"a:z"}},
    {"added entries go behind equal key words", {"a:1", "a:2", "b:y"}, {"+a:0"}, {"a:1", "a:2", "a:0", "b:y"}},
    {"into an empty version", {}, {"+b:y", "+a:x"}, {"a:x", "b:y"}},
};

TEST(VersionMerge, ReplaysTheWindowsChangesOntoTheOtherVersion)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        EntryTable version;
        for (const char* e : c.other) {
            const Texts t(e);
            version.keyWords.push_back(t.keyWords);
            version.descriptions.push_back(t.description);
            version.dates.push_back(t.date);
        }
        std::vector<Texts> held;  // the texts the steps point into
        held.reserve(2 * c.steps.size());
        std::vector<ContentStep> steps;
        for (const std::string step : c.steps) {
            ContentStep s;
            const std::size_t arrow = step.find('>');
            if (arrow != std::string::npos) {
                s.gone = EntryDigest(held.emplace_back(step.substr(0, arrow)).View());
                s.came = held.emplace_back(step.substr(arrow + 1)).View();
            } else if (step[0] == '-') {
                s.gone = EntryDigest(held.emplace_back(step.substr(1)).View());
            } else {
                s.came = held.emplace_back(step.substr(1)).View();
            }
            steps.push_back(s);
        }
        const MergeOutcome outcome = ReplayOnto(version, steps);
        std::vector<std::string> got, want;
        for (std::size_t i = 0; i < version.keyWords.size(); ++i)
            got.push_back(std::string(version.keyWords[i]) + ":" + std::string(version.descriptions[i]) + ":" +
                          std::string(version.dates[i]));
        for (const char* e : c.merged) {
            const Texts t(e);
            want.push_back(t.keyWords + ":" + t.description + ":" + t.date);
        }
        EXPECT_EQ(got, want);
        EXPECT_EQ(outcome.keptTwice, c.keptTwice);
        EXPECT_EQ(outcome.keptChanged, c.keptChanged);
    }
}

}  // namespace
