// SPDX-License-Identifier: MIT
#pragma once

// Real-file-system helpers: an always-removed temporary folder, plain entries, a child-process run.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "../common/test_documents.h"
#include "core/file/document_file.h"
#include "core/file/entry_walk.h"
#include "core/document/ovrin_doc.h"
#include "fake_host.h"

namespace fs_test {
namespace fs = std::filesystem;
using ::Entry;

// A folder of its own in the temporary folder, removed whole (whatever its permissions) at test end.
class TempFolder final {
public:
    TempFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "ovrin-fs-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            m_path = pattern;
    }
    ~TempFolder()
    {
        if (m_path.empty())
            return;
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(m_path, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
            if (it->is_directory(ec) && !it->is_symlink(ec))
                ::chmod(it->path().c_str(), 0700);
        ::chmod(m_path.c_str(), 0700);
        fs::remove_all(m_path, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const fs::path& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return (m_path / name).string(); }

    // Names in the folder, hidden ones included, sorted.
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(m_path))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    fs::path m_path;
};

// The entries of the document file `path`, in file order.
inline std::vector<Entry> LoadEntries(const std::string& path)
{
    FakeHost host;
    COvrinDoc doc(host);
    const FileResult loaded = OpenDocumentFile(doc, path);
    EXPECT_TRUE(loaded.ok) << loaded.message;
    return EntriesOf(doc);
}

inline ino_t InodeOf(const std::string& path)
{
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_ino;
}

// The user "nobody", for tests that need a user without root rights.
struct Unprivileged {
    uid_t uid = 65534;
    gid_t gid = 65534;
};

inline Unprivileged Nobody()
{
    const passwd* pw = ::getpwnam("nobody");
    return pw ? Unprivileged{pw->pw_uid, pw->pw_gid} : Unprivileged{};
}

// Gives `path` to the user that RunInChild(..., true) runs as.
inline void GiveToChildUser(const std::string& path)
{
    if (::geteuid() == 0) {
        const Unprivileged who = Nobody();
        ASSERT_EQ(::chown(path.c_str(), who.uid, who.gid), 0) << path;
    }
}

// Runs `body` in a child, failing the test with its result if non-empty; `unprivileged`: root runs it as "nobody";
// `prepare` runs first in the child (a resource limit, a signal disposition).
inline void RunInChild(bool unprivileged, const std::function<std::string()>& body,
                       const std::function<void()>& prepare = {})
{
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::close(pipeFds[0]);
        std::string problem;
        if (unprivileged && ::geteuid() == 0) {
            const Unprivileged who = Nobody();
            if (::setgroups(0, nullptr) != 0 || ::setgid(who.gid) != 0 || ::setuid(who.uid) != 0)
                problem = "cannot become nobody";
        }
        if (problem.empty()) {
            if (prepare)
                prepare();
            problem = body();
        }
        if (!problem.empty() && ::write(pipeFds[1], problem.data(), problem.size()) < 0)
            problem.clear();
        ::_exit(problem.empty() ? 0 : 1);
    }
    ::close(pipeFds[1]);
    std::string said;
    char buf[512];
    ssize_t n;
    while ((n = ::read(pipeFds[0], buf, sizeof buf)) > 0)
        said.append(buf, static_cast<std::size_t>(n));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status)) << "the child was killed by signal " << WTERMSIG(status);
    EXPECT_EQ(said, "");
}
}  // namespace fs_test
