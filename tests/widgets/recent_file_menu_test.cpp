// SPDX-License-Identifier: MIT
// The File menu's recent files: the list keeps the newest four, the menu
// shows one item per file, each enabled, and with none the first item
// stands grayed as "Recent File" so the menu shows where they will appear.
#include <QAction>

#include "app/recent_file_list.h"
#include "app_fixture.h"
#include "doc/command_ids.h"
#include "res/command_actions.h"

class RecentFileMenuTest final : public QObject {
    Q_OBJECT

private slots:
    void itemsFollowTheList()
    {
        app_fixture::RunningApp app({});
        QVERIFY(app.Started());
        const auto shown = [&] {
            QStringList texts;
            for (int i = 0; i < kRecentFileCount; ++i)
                if (QAction* a = app.Frame().Actions().action(cmd::ID_FILE_MRU_FILE1 + i); a->isVisible())
                    texts << a->text();
            return texts;
        };
        const QStringList four{"&1 a", "&2 b", "&3 c", "&4 d"};
        for (qsizetype n = 0; n <= four.size(); ++n) {
            app.Frame().SetRecentFileTexts(four.mid(0, n));
            QCOMPARE(shown(), n == 0 ? QStringList{"Recent File"} : four.mid(0, n));
        }

        CRecentFileList& recent = app.App().RecentFiles();
        while (!recent.Paths().isEmpty())
            recent.Remove(0);
        const auto enabled = [&] {
            app.Frame().RefreshCommandStates();
            QList<bool> states;
            for (int i = 0; i < kRecentFileCount; ++i)
                states << app.Frame().Actions().action(cmd::ID_FILE_MRU_FILE1 + i)->isEnabled();
            return states;
        };
        QCOMPARE(enabled(), (QList<bool>{false, false, false, false}));
        for (const char* name : {"/d.ovr", "/c.ovr", "/b.ovr", "/a.ovr"})
            recent.Add(QString::fromLatin1(name));
        QCOMPARE(enabled(), (QList<bool>{true, true, true, true}));
    }
};

OVRIN_WIDGET_TEST_MAIN(RecentFileMenuTest)
#include "recent_file_menu_test.moc"
