// SPDX-License-Identifier: MIT
#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>

// The most recently used files, newest first, as the File menu shows them
// and the profile keeps them ("Recent File List", "File1".."File4").
class CRecentFileList final {
public:
    explicit CRecentFileList(int size) : m_nSize(size) {}

    void ReadList(QSettings& profile);
    void WriteList(QSettings& profile) const;

    // Puts the file first; a file already in the list moves up.
    void Add(const QString& path);
    void Remove(int index);

    const QStringList& Paths() const { return m_paths; }
    // "&1 <name>"... with the names abbreviated and '&' kept literal.
    QStringList MenuTexts() const;

private:
    int m_nSize;
    QStringList m_paths;
};

// Shortens a path for a menu to at most maxLength characters where it can:
// the root, "...", and as many of the last folders as fit before the file
// name. The file name itself is never cut.
QString AbbreviatePath(const QString& path, int maxLength = 30);
