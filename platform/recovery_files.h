// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>


// The folder of the recovery records: $XDG_STATE_HOME/ovrin, by default
// ~/.local/state/ovrin. Never beside the document, where a sync tool would
// copy records of unsaved changes to other machines.
std::string RecoveryFolder();


// One record file, open and locked by this program for as long as the
// object lives. The lock tells the living program's records from those of
// one that ended without removing its own, which are offered to the next.
class CRecordFile final {
public:
    ~CRecordFile();
    CRecordFile(const CRecordFile&) = delete;
    CRecordFile& operator=(const CRecordFile&) = delete;

    // A new record in `folder` holding `start`, written and synced before
    // its name appears, so no other program ever sees it incomplete.
    static std::unique_ptr<CRecordFile> Create(const std::string& folder, std::string_view start,
                                               std::string& error);
    // The records in `folder` that no living program holds, each now locked
    // by this one; records it holds itself are not among them.
    static std::vector<std::unique_ptr<CRecordFile>> TakeAbandoned(const std::string& folder);

    // Appends `bytes` and syncs them to the disk; on failure the file is cut
    // back to what it held before.
    bool Append(std::string_view bytes, std::string& error);
    // The whole record as it is on the disk.
    std::string Contents() const;
    // Its first `limit` bytes at most, and its size: enough to decide
    // whether it is a record worth reading whole.
    std::string Head(std::size_t limit) const;
    std::uint64_t Size() const;
    // Removes the record; the object then holds nothing.
    void Remove();
    const std::string& Path() const { return m_strPath; }

private:
    CRecordFile(int fd, std::string path) : m_fd(fd), m_strPath(std::move(path)) {}
    int m_fd = -1;
    std::string m_strPath;
};
