// SPDX-License-Identifier: MIT
// `ovrin --version` prints the version line the About box shows.
#include <QLabel>
#include <QTest>

#include <sstream>

#include "cli/cli_main.h"
#include "dialogs/info_dialogs.h"

class VersionLineTest final : public QObject {
    Q_OBJECT
private slots:
    void versionIsAboutsLine()
    {
        char program[] = "ovrin", version[] = "--version";
        char* argv[] = {program, version};
        std::ostringstream out, err;
        QCOMPARE(RunCommandLineTool(2, argv, out, err), std::optional<int>(0));
        const CAboutDlg about;
        QStringList shown;
        for (const QLabel* label : about.findChildren<QLabel*>()) shown << label->text() + "\n";
        QVERIFY2(shown.contains(QString::fromStdString(out.str())), qPrintable(shown.join("")));
    }
};

QTEST_MAIN(VersionLineTest)
#include "version_line_test.moc"
