// SPDX-License-Identifier: MIT
// What needs no window: the command line, the recent-file list as the
// profile keeps it, and the shortened paths of the File menu.
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "app/command_line.h"
#include "app/recent_file_list.h"

using Shell = CCommandLineInfo::Shell;

class StartUpTest final : public QObject {
    Q_OBJECT

private slots:
    void commandLine()
    {
        struct Case {
            QStringList arguments;
            Shell shell;
            QString file;
            QString printer;
        };
        const Case cases[] = {
            {{}, Shell::FileNew, "", ""},
            // A path that starts with '/' is a file, not an unknown switch.
            {{"/p.ovr"}, Shell::FileOpen, "/p.ovr", ""},
            {{"-"}, Shell::FileOpen, "-", ""},
            {{"a.ovr", "b.ovr"}, Shell::FileOpen, "a.ovr", ""},
            // Switches in any case, before or after the file.
            {{"a.ovr", "-P"}, Shell::FilePrint, "a.ovr", ""},
            {{"/pt", "a.ovr", "Laser", "drv", "port"}, Shell::FilePrintTo, "a.ovr", "Laser"},
            // Printing needs a file; without one the program starts empty.
            {{"/p"}, Shell::FileNew, "", ""},
            {{"/PT"}, Shell::FileNew, "", ""},
            {{"/dde"}, Shell::FileDDE, "", ""},
        };
        for (const Case& c : cases) {
            const CCommandLineInfo info = ParseCommandLine(c.arguments);
            const QByteArray name = c.arguments.join(' ').toUtf8();
            QVERIFY2(info.m_nShellCommand == c.shell, name.constData());
            QCOMPARE(info.m_strFileName, c.file);
            QCOMPARE(info.m_strPrinterName, c.printer);
        }
        const CCommandLineInfo printTo = ParseCommandLine({"/pt", "a.ovr", "Laser", "drv", "port"});
        QCOMPARE(printTo.m_strDriverName, QStringLiteral("drv"));
        QCOMPARE(printTo.m_strPortName, QStringLiteral("port"));
    }

    // Newest first, at most four, one entry for two spellings of a file;
    // what is written is read back, and entries beyond the list are removed
    // from the profile. The menu numbers the files, keeps an ampersand in a
    // name literal and shortens long paths.
    void recentFilesInTheProfile()
    {
        QTemporaryDir dir;
        QSettings profile(dir.filePath(QStringLiteral("profile.ini")), QSettings::IniFormat);
        CRecentFileList list(4);
        for (const char* name : {"/d/a.ovr", "/d/b.ovr", "/d/c.ovr", "/d/e.ovr", "/d/f.ovr"})
            list.Add(QString::fromLatin1(name));
        QCOMPARE(list.Paths(), (QStringList{"/d/f.ovr", "/d/e.ovr", "/d/c.ovr", "/d/b.ovr"}));
        list.Add(QStringLiteral("/d/x/../c.ovr"));
        QCOMPARE(list.Paths(), (QStringList{"/d/c.ovr", "/d/f.ovr", "/d/e.ovr", "/d/b.ovr"}));
        list.WriteList(profile);
        QCOMPARE(profile.value(QStringLiteral("Recent File List/File1")).toString(),
                 QStringLiteral("/d/c.ovr"));

        list.Remove(1);
        list.Remove(7);  // out of range: nothing
        list.WriteList(profile);
        QVERIFY(!profile.contains(QStringLiteral("Recent File List/File4")));
        CRecentFileList read(4);
        read.ReadList(profile);
        QCOMPARE(read.Paths(), (QStringList{"/d/c.ovr", "/d/e.ovr", "/d/b.ovr"}));

        read.Add(QStringLiteral("/home/user/documents/projects/2026/R&D notes.ovr"));
        QCOMPARE(read.MenuTexts().mid(0, 2),
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
