// SPDX-License-Identifier: MIT
// Opening a damaged file through the window: after the message, the window
// names the empty untitled document it now holds, not the file before it.
#include <QFile>

#include "app/file_commands.h"
#include "app_fixture.h"

class DamagedFileOpenTest final : public QObject {
    Q_OBJECT

private slots:
    void windowShowsTheUntitledDocument()
    {
        app_fixture::RunningApp app({{"alpha", "a"}, {"beta", "b"}});
        QVERIFY(app.Started());
        QCOMPARE(app.Frame().windowTitle(), QStringLiteral("notes.ovr - Ovrin"));
        QFile damaged(app.TempPath("damaged.ovr"));
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write(QByteArray("\x00\x00\x0B\x01\x08" "010b0000" "\x05\x00\x00\x00" "\x03" "ab", 19));
        damaged.close();
        const QString said = test_support::AnswerModal(
            [&] { app.App().Files().OpenDocumentFile(damaged.fileName()); }, test_support::CloseDialog);
        QVERIFY(!said.isEmpty());
        QCOMPARE(app.Doc().m_nCount, 0);
        QCOMPARE(app.Frame().windowTitle(), QStringLiteral("Untitled - Ovrin"));
    }
};

OVRIN_WIDGET_TEST_MAIN(DamagedFileOpenTest)
#include "damaged_file_open_test.moc"
