// SPDX-License-Identifier: MIT
#include "gui/app/recent_file_list.h"

#include <QDir>
#include <QFileInfo>

#include "gui/app/path_text.h"

namespace {

const QString kSection = QStringLiteral("Recent File List");

QString EntryName(int i) { return kSection + QStringLiteral("/File%1").arg(i + 1); }

// Two spellings of one file are one entry.
QString Canonical(const QString& path) { return AbsolutePath(path); }

}  // namespace

void CRecentFileList::ReadList(QSettings& profile)
{
    m_paths.clear();
    for (int i = 0; i < m_nSize; ++i) {
        const QVariant value = profile.value(EntryName(i));
        const QString path = value.typeId() == QMetaType::QByteArray
                                 ? DecodePath(value.toByteArray().toStdString())
                                 : value.toString();
        if (!path.isEmpty())
            m_paths.append(path);
    }
}

void CRecentFileList::WriteList(QSettings& profile) const
{
    for (int i = 0; i < m_nSize; ++i) {
        if (i >= m_paths.size()) {
            profile.remove(EntryName(i));
            continue;
        }
        // A name that is not valid UTF-8 is kept as its bytes; any other
        // stays readable text in the profile.
        const std::string bytes = EncodePath(m_paths[i]);
        if (QString::fromStdString(bytes) == m_paths[i])
            profile.setValue(EntryName(i), m_paths[i]);
        else
            profile.setValue(EntryName(i), QByteArray::fromStdString(bytes));
    }
}

void CRecentFileList::Add(const QString& path)
{
    const QString name = Canonical(path);
    m_paths.removeAll(name);
    m_paths.prepend(name);
    while (m_paths.size() > m_nSize)
        m_paths.removeLast();
}

void CRecentFileList::Remove(int index)
{
    if (index >= 0 && index < m_paths.size())
        m_paths.removeAt(index);
}

QStringList CRecentFileList::MenuTexts() const
{
    QStringList texts;
    for (int i = 0; i < m_paths.size(); ++i) {
        QString name = AbbreviatePath(ShownPath(QDir::toNativeSeparators(m_paths[i])));
        name.replace(QLatin1Char('&'), QStringLiteral("&&"));
        texts.append(QStringLiteral("&%1 %2").arg(i + 1).arg(name));
    }
    return texts;
}

QString AbbreviatePath(const QString& path, int maxLength)
{
    if (path.size() <= maxLength)
        return path;
    const QChar sep = QDir::separator();
    const qsizetype lastSep = path.lastIndexOf(sep);
    if (lastSep < 0)
        return path;
    const QString fileName = path.mid(lastSep + 1);
    // The root: "/" or a drive "C:\".
    const qsizetype rootEnd = path.indexOf(sep) + 1;
    const QString root = path.left(rootEnd);
    const QString ellipsis = QStringLiteral("...");
    if (root.size() + ellipsis.size() + 1 + fileName.size() > maxLength)
        return fileName;
    // Take whole folders from the end while they fit.
    QString tail = sep + fileName;
    qsizetype end = lastSep;
    while (end > rootEnd) {
        const qsizetype start = path.lastIndexOf(sep, end - 1);
        const QString candidate = path.mid(start, end - start) + tail;
        if (root.size() + ellipsis.size() + candidate.size() > maxLength)
            break;
        tail = candidate;
        end = start;
    }
    return root + ellipsis + tail;
}
