// SPDX-License-Identifier: MIT
#include "dialogs/info_dialogs.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "widget_test_support.h"

#include <memory>

class InfoDialogsTest final : public QObject {
    Q_OBJECT
private slots:
    void fitsAndCloses_data()
    {
        QTest::addColumn<int>("which");
        QTest::newRow("About") << 0;
        QTest::newRow("Manual") << 1;
        QTest::newRow("Usage") << 2;
        QTest::newRow("History") << 3;
    }
    // Guards against text cut off or drawn over other text when the system
    // font is wider than the one the layout was drawn for, and against a
    // dialog that Return or Esc cannot close.
    void fitsAndCloses()
    {
        QFETCH(int, which);
        const auto make = [which]() -> std::unique_ptr<QDialog> {
            switch (which) {
            case 0: return std::make_unique<CAboutDlg>();
            case 1: return std::make_unique<CManualDlg>();
            case 2: return std::make_unique<CUsageDlg>();
            default: return std::make_unique<CHistoryDlg>();
            }
        };
        const std::unique_ptr<QDialog> dlg = make();
        QCOMPARE(dlg->windowModality(), Qt::ApplicationModal);
        QList<QWidget*> parts{dlg->findChild<QPushButton*>("okButton")};
        for (QLabel* label : dlg->findChildren<QLabel*>()) {
            if (label->objectName() == "programIcon")
                continue;
            parts.append(label);
            const QSize hint = label->sizeHint();
            QVERIFY2(hint.width() <= label->width() && hint.height() <= label->height(),
                     qPrintable(label->text()));
        }
        QVERIFY(parts.size() > 1);
        for (qsizetype i = 0; i < parts.size(); ++i) {
            QVERIFY2(dlg->rect().contains(parts[i]->geometry()), qPrintable(parts[i]->objectName()));
            for (qsizetype j = i + 1; j < parts.size(); ++j)
                QVERIFY2(!parts[i]->geometry().intersects(parts[j]->geometry()),
                         qPrintable(QString("parts %1 and %2").arg(i).arg(j)));
        }

        for (const auto& [key, expected] : {std::pair{Qt::Key_Return, int(QDialog::Accepted)},
                                            std::pair{Qt::Key_Escape, int(QDialog::Rejected)}}) {
            const std::unique_ptr<QDialog> shown = make();
            int result = -1;
            test_support::AnswerModal([&] { result = shown->exec(); },
                                      [key](QWidget* open) { QTest::keyClick(open, key); });
            QCOMPARE(result, expected);
        }
    }
};

QTEST_MAIN(InfoDialogsTest)
#include "info_dialogs_test.moc"
