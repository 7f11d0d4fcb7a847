// SPDX-License-Identifier: MIT
// What needs no window: the recent-file list and the shortened paths of the
// File menu.
#include <QTest>

#include "gui/app/recent_file_list.h"

class StartUpTest final : public QObject {
    Q_OBJECT

private slots:
    // Newest first, at most four, one entry for two spellings of a file ("."
    // and doubled slashes; ".." is the kernel's, after a link it leads elsewhere);
    // removing beyond the list does nothing. The menu numbers the files,
    // keeps an ampersand in a name literal and shortens long paths.
    void recentFiles()
    {
        CRecentFileList list(4);
        for (const char* name : {"/d/a.ovr", "/d/b.ovr", "/d/c.ovr", "/d/e.ovr", "/d/f.ovr"})
            list.Add(QString::fromLatin1(name));
        QCOMPARE(list.Paths(), (QStringList{"/d/f.ovr", "/d/e.ovr", "/d/c.ovr", "/d/b.ovr"}));
        list.Add(QStringLiteral("/d/.//c.ovr"));
        list.Remove(1);
        list.Remove(7);
        QCOMPARE(list.Paths(), (QStringList{"/d/c.ovr", "/d/e.ovr", "/d/b.ovr"}));
        list.Add(QStringLiteral("/home/user/documents/projects/2026/R&D notes.ovr"));
        QCOMPARE(list.MenuTexts().mid(0, 2),
                 (QStringList{"&1 /.../2026/R&&D notes.ovr", "&2 /d/c.ovr"}));
    }

    // Paths longer than 30 characters keep the last folders that fit, else
    // the name alone.
    void pathShortening()
    {
        const std::pair<const char*, const char*> cases[] = {
            {"/abcdefghijklmnopqrstuvw/x.ovr", "/abcdefghijklmnopqrstuvw/x.ovr"},  // exactly 30
            {"/home/someone/documents/work/lists/keys.ovr", "/.../work/lists/keys.ovr"},
            {"/home/someone/a-rather-long-file-name-here.ovr", "a-rather-long-file-name-here.ovr"},
            {"a-name-without-any-folder-that-is-long.ovr", "a-name-without-any-folder-that-is-long.ovr"},
            {"/an-extremely-long-folder-name/k.ovr", "/.../k.ovr"},
        };
        for (const auto& [path, shown] : cases)
            QCOMPARE(AbbreviatePath(QString::fromLatin1(path)), QString::fromLatin1(shown));
    }
};

QTEST_GUILESS_MAIN(StartUpTest)
#include "start_up_test.moc"
