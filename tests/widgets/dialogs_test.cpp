// SPDX-License-Identifier: MIT
#include <memory>

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "gui/dialogs/hint_dlg.h"
#include "gui/dialogs/info_dialogs.h"
#include "widget_test_support.h"

class DialogsTest final : public QObject {
    Q_OBJECT
private slots:
    void fitsAndAnswers_data()
    {
        QTest::addColumn<int>("which");
        int which = 0;
        for (const char* name : {"About", "Manual", "Usage", "History", "Hint"})
            QTest::newRow(name) << which++;
    }
    // The information dialogs and the hint are application modal, every
    // text fits where it is drawn without overlap, Return accepts, and
    // the hint decodes its Windows-1252 bytes.
    void fitsAndAnswers()
    {
        QFETCH(int, which);
        const auto make = [which]() -> std::unique_ptr<QDialog> {
            switch (which) {
            case 0: return std::make_unique<CAboutDlg>();
            case 1: return std::make_unique<CManualDlg>();
            case 2: return std::make_unique<CUsageDlg>();
            case 3: return std::make_unique<CHistoryDlg>();
            }
            auto hint = std::make_unique<CHintDlg>();
            hint->m_strHint = "Ung\xFCltiges Dokument";
            return hint;
        };
        const std::unique_ptr<QDialog> dlg = make();
        QCOMPARE(dlg->windowModality(), Qt::ApplicationModal);
        if (which != 4)
            CheckLayout(*dlg);
        int result = -1;
        QString hint;
        test_support::AnswerModal([&] { result = dlg->exec(); }, [&](QWidget* open) {
            if (auto* text = open->findChild<QLabel*>("hintText"))
                hint = text->text();
            QTest::keyClick(open, Qt::Key_Return);
        });
        QCOMPARE(result, int(QDialog::Accepted));
        if (which == 4)
            QCOMPARE(hint, QString::fromUtf8("Ungültiges Dokument"));
    }

private:
    static void CheckLayout(const QDialog& dlg)
    {
        QList<QWidget*> parts{dlg.findChild<QPushButton*>("okButton")};
        for (QLabel* label : dlg.findChildren<QLabel*>()) {
            if (label->objectName() == "programIcon")
                continue;
            parts.append(label);
            const QSize hint = label->sizeHint();
            QVERIFY2(hint.width() <= label->width() && hint.height() <= label->height(),
                     qPrintable(label->text()));
        }
        for (qsizetype i = 0; i < parts.size(); ++i) {
            QVERIFY2(dlg.rect().contains(parts[i]->geometry()), qPrintable(parts[i]->objectName()));
            for (qsizetype j = i + 1; j < parts.size(); ++j)
                QVERIFY2(!parts[i]->geometry().intersects(parts[j]->geometry()),
                         qPrintable(QString("parts %1 and %2").arg(i).arg(j)));
        }
    }
};

OVRIN_WIDGET_TEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
