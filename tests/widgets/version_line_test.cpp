// SPDX-License-Identifier: MIT
// `ovrin --version` and the About box tell the same version.
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
        const QString printed = QString::fromStdString(out.str()).chopped(1);
        CAboutDlg about;
        QStringList shown;
        for (const QLabel* label : about.findChildren<QLabel*>()) shown << label->text();
        QVERIFY2(shown.contains(printed), qPrintable(printed + " | " + shown.join(" | ")));
    }
};

QTEST_MAIN(VersionLineTest)
#include "version_line_test.moc"
