// SPDX-License-Identifier: MIT
#include "dialogs/info_dialogs.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "widget_test_support.h"

#include <memory>

namespace {

std::unique_ptr<QDialog> Make(int which)
{
    switch (which) {
    case 0: return std::make_unique<CAboutDlg>();
    case 1: return std::make_unique<CManualDlg>();
    case 2: return std::make_unique<CUsageDlg>();
    default: return std::make_unique<CHistoryDlg>();
    }
}

} // namespace

class InfoDialogsTest final : public QObject {
    Q_OBJECT
private slots:
    void titleAndFit_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<QString>("title");
        QTest::newRow("About") << 0 << "About Ovrin";
        QTest::newRow("Manual") << 1 << "Help for Ovrin";
        QTest::newRow("Usage") << 2 << "Usage of Ovrin";
        QTest::newRow("History") << 3 << "History of Ovrin";
    }
    // Guards against text cut off or drawn over other text when the system
    // font is wider than the one the layout was drawn for.
    void titleAndFit()
    {
        QFETCH(int, which);
        QFETCH(QString, title);
        const std::unique_ptr<QDialog> dlg = Make(which);
        QCOMPARE(dlg->windowTitle(), title);
        QCOMPARE(dlg->windowModality(), Qt::ApplicationModal);
        QList<QLabel*> labels;
        QStringList texts;
        for (QLabel* label : dlg->findChildren<QLabel*>()) {
            if (label->objectName() == "programIcon")
                continue;
            labels.append(label);
            texts.append(label->text());
        }
        QVERIFY(!labels.isEmpty());

        const QRect inside = dlg->rect();
        QList<QWidget*> parts(labels.begin(), labels.end());
        parts.append(dlg->findChild<QPushButton*>("okButton"));
        for (QLabel* label : labels) {
            const QSize hint = label->sizeHint();
            QVERIFY2(hint.width() <= label->width() && hint.height() <= label->height(),
                     qPrintable(label->text()));
        }
        for (qsizetype i = 0; i < parts.size(); ++i) {
            QVERIFY2(inside.contains(parts[i]->geometry()), qPrintable(parts[i]->objectName()));
            for (qsizetype j = i + 1; j < parts.size(); ++j)
                QVERIFY2(!parts[i]->geometry().intersects(parts[j]->geometry()),
                         qPrintable(texts.value(i) + " / " + texts.value(j)));
        }
    }

    // Guards against a dialog that Return or Esc cannot close.
    void returnAndEscClose()
    {
        for (int which = 0; which < 4; ++which) {
            for (const auto& [key, expected] :
                 {std::pair{Qt::Key_Return, int(QDialog::Accepted)},
                  std::pair{Qt::Key_Escape, int(QDialog::Rejected)}}) {
                const std::unique_ptr<QDialog> dlg = Make(which);
                int result = -1;
                test_support::AnswerModal([&] { result = dlg->exec(); },
                                          [key](QWidget* open) { QTest::keyClick(open, key); });
                QCOMPARE(result, expected);
            }
        }
    }
};

QTEST_MAIN(InfoDialogsTest)
#include "info_dialogs_test.moc"
