// SPDX-License-Identifier: MIT
#include "dialogs/hint_dlg.h"

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include "widget_test_support.h"

class HintDlgTest final : public QObject {
    Q_OBJECT
private slots:
    // Guards against the hint showing the wrong text (or Windows-1252 bytes
    // decoded as something else) and against Return and Esc being mixed up:
    // the callers redraw only on Accepted.
    void showsTextAndAnswers_data()
    {
        QTest::addColumn<QByteArray>("hint");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("expected");
        QTest::newRow("Return is OK") << QByteArray("last entry") << "last entry"
                                      << int(Qt::Key_Return) << int(QDialog::Accepted);
        QTest::newRow("Esc is not OK")
            << QByteArray("Ung\xFCltiges Dokument") << QString::fromUtf8("Ungültiges Dokument")
            << int(Qt::Key_Escape) << int(QDialog::Rejected);
    }
    void showsTextAndAnswers()
    {
        QFETCH(QByteArray, hint);
        QFETCH(QString, shown);
        QFETCH(int, key);
        QFETCH(int, expected);
        CHintDlg dlg;
        dlg.m_strHint = hint.toStdString();
        QString text;
        bool modal = false;
        int result = -1;
        test_support::AnswerModal([&] { result = dlg.exec(); },
                                  [&](QWidget* open) {
                                      QCOMPARE(open, &dlg);
                                      modal = dlg.windowModality() == Qt::ApplicationModal;
                                      text = dlg.findChild<QLabel*>("hintText")->text();
                                      QTest::keyClick(&dlg, Qt::Key(key));
                                  });
        QCOMPARE(result, expected);
        QVERIFY(modal);
        QCOMPARE(text, shown);
    }
};

QTEST_MAIN(HintDlgTest)
#include "hint_dlg_test.moc"
