// SPDX-License-Identifier: MIT
// What needs no window: the command line, the recent-file list as the
// profile keeps it, and the shortened paths of the File menu.
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "app/command_line.h"
#include "app/recent_file_list.h"

using Shell = CCommandLineInfo::Shell;
Q_DECLARE_METATYPE(Shell)

class StartUpTest final : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Shell>("shell");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("printer");
        QTest::newRow("nothing") << QStringList{} << Shell::FileNew << "" << "";
        QTest::newRow("a file") << QStringList{"a.ovr"} << Shell::FileOpen << "a.ovr" << "";
        // A path that starts with '/' is a file, not an unknown switch.
        QTest::newRow("absolute path") << QStringList{"/p.ovr"} << Shell::FileOpen << "/p.ovr"
                                       << "";
        QTest::newRow("print") << QStringList{"/p", "a.ovr"} << Shell::FilePrint << "a.ovr" << "";
        QTest::newRow("print, any case, after the file")
            << QStringList{"a.ovr", "-P"} << Shell::FilePrint << "a.ovr" << "";
        QTest::newRow("print to") << QStringList{"/pt", "a.ovr", "Laser", "drv", "port"}
                                  << Shell::FilePrintTo << "a.ovr" << "Laser";
        // Printing needs a file; without one the program starts empty.
        QTest::newRow("print without file") << QStringList{"/p"} << Shell::FileNew << "" << "";
        QTest::newRow("print to without file")
            << QStringList{"/PT"} << Shell::FileNew << "" << "";
        QTest::newRow("wait for requests") << QStringList{"/dde"} << Shell::FileDDE << "" << "";
        QTest::newRow("lone dash is a file") << QStringList{"-"} << Shell::FileOpen << "-" << "";
        QTest::newRow("the first file counts")
            << QStringList{"a.ovr", "b.ovr"} << Shell::FileOpen << "a.ovr" << "";
    }
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(Shell, shell);
        QFETCH(QString, file);
        QFETCH(QString, printer);
        const CCommandLineInfo info = ParseCommandLine(arguments);
        QCOMPARE(info.m_nShellCommand, shell);
        QCOMPARE(info.m_strFileName, file);
        QCOMPARE(info.m_strPrinterName, printer);
        if (shell == Shell::FilePrintTo) {
            QCOMPARE(info.m_strDriverName, QStringLiteral("drv"));
            QCOMPARE(info.m_strPortName, QStringLiteral("port"));
        }
    }

    // Newest first, at most four, one entry for two spellings of a file;
    // what is written is read back, and entries beyond the list are removed
    // from the profile.
    void recentFilesInTheProfile()
    {
        QSettings profile(m_dir.filePath(QStringLiteral("profile.ini")), QSettings::IniFormat);
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
    }

    // The menu numbers the files, keeps an ampersand in a name literal and
    // shortens long paths.
    void recentFileMenuTexts()
    {
        CRecentFileList list(4);
        list.Add(QStringLiteral("/home/user/documents/projects/2026/R&D notes.ovr"));
        list.Add(QStringLiteral("/a.ovr"));
        QCOMPARE(list.MenuTexts(),
                 (QStringList{"&1 /a.ovr", "&2 /.../2026/R&&D notes.ovr"}));
    }

    void pathShortening_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("shown");
        QTest::newRow("fits") << "/home/a/notes.ovr" << "/home/a/notes.ovr";
        QTest::newRow("exactly 30") << "/abcdefghijklmnopqrstuvw/x.ovr"
                                    << "/abcdefghijklmnopqrstuvw/x.ovr";
        QTest::newRow("last folders that fit")
            << "/home/someone/documents/work/lists/keys.ovr" << "/.../work/lists/keys.ovr";
        QTest::newRow("only the name fits")
            << "/home/someone/a-rather-long-file-name-here.ovr"
            << "a-rather-long-file-name-here.ovr";
        QTest::newRow("no folder at all")
            << "a-name-without-any-folder-that-is-long.ovr"
            << "a-name-without-any-folder-that-is-long.ovr";
        QTest::newRow("one long folder")
            << "/an-extremely-long-folder-name/k.ovr" << "/.../k.ovr";
    }
    void pathShortening()
    {
        QFETCH(QString, path);
        QFETCH(QString, shown);
        QCOMPARE(AbbreviatePath(path), shown);
        QVERIFY(shown.size() <= 30 || shown == path.mid(path.lastIndexOf('/') + 1));
    }
};

QTEST_GUILESS_MAIN(StartUpTest)
#include "start_up_test.moc"
