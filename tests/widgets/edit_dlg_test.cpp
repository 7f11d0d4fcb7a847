// SPDX-License-Identifier: MIT
#include "dialogs/edit_dlg.h"
#include "dialogs/long_text_field.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <functional>

#include "widget_test_support.h"

namespace {

int RunWith(CEditDlg& dlg, std::function<void(CEditDlg&)> drive)
{
    int result = -1;
    test_support::AnswerModal([&] { result = dlg.exec(); },
                              [&](QWidget* open) {
                                  QCOMPARE(open, &dlg);
                                  drive(dlg);
                              });
    return result;
}

LongTextField* KeyWords(CEditDlg& d) { return d.findChild<LongTextField*>("keyWords"); }
LongTextField* Description(CEditDlg& d) { return d.findChild<LongTextField*>("description"); }

} // namespace

class EditDlgTest final : public QObject {
    Q_OBJECT
private slots:
    // Confirming keeps every byte (Windows-1252, lone CR and LF, key words
    // past 32767 characters) unless a field was edited, when its line
    // breaks become CR LF. The dialog opens with the key words selected, Tab
    // selects the field it enters, and Return in the key words is OK.
    void confirmingKeepsEveryByte()
    {
        CEditDlg dlg;
        const std::string keys = "Caf\xE9 \x80 5\xA0" "a" + std::string(40000, 'k') + "\x80" "end";
        const std::string description = "line \xE0\xFC\r\nsecond \x80\r\n\r\nlast\nbare a\rb\nc\r\nd\r";
        dlg.m_strKeyWords = keys;
        dlg.m_strDescription = description;
        bool focusedAndSelected = false;
        bool tabStaysInFields = false;
        int result = RunWith(dlg, [&](CEditDlg& d) {
            LongTextField* keyWords = KeyWords(d);
            focusedAndSelected = d.focusWidget() == keyWords && keyWords->selectedText() == keyWords->text();
            QTest::keyClick(keyWords, Qt::Key_Tab);
            const bool inDescription = d.focusWidget() == Description(d) &&
                                       Description(d)->selectedText() == Description(d)->text();
            Description(d)->setCursorPosition(0);
            QTest::keyClicks(Description(d), "x");
            QTest::keyClick(Description(d), Qt::Key_Backspace);
            QTest::keyClick(Description(d), Qt::Key_Tab);
            tabStaysInFields = inDescription && d.focusWidget() == keyWords;
            QTest::keyClick(keyWords, Qt::Key_Return);
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QVERIFY(focusedAndSelected);
        QVERIFY(tabStaysInFields);
        QVERIFY(dlg.m_strKeyWords == keys);
        QCOMPARE(dlg.m_strDescription, description);

        result = RunWith(dlg, [](CEditDlg& d) {
            LongTextField* desc = Description(d);
            desc->setCursorPosition(desc->text().size());
            desc->insert(QStringLiteral("e"));
            KeyWords(d)->setCursorPosition(KeyWords(d)->text().size());
            KeyWords(d)->insert(QStringLiteral("s"));
            d.findChild<QPushButton*>("okButton")->click();
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QVERIFY(dlg.m_strKeyWords == keys + "s");
        QCOMPARE(dlg.m_strDescription,
                 std::string("line \xE0\xFC\r\nsecond \x80\r\n\r\nlast\r\nbare a\r\nb\r\nc\r\nd\r\ne"));
    }

    // Return in the description is a new line, not OK.
    void returnInDescriptionAddsLineAndEscCancels()
    {
        CEditDlg dlg;
        dlg.m_strKeyWords = "k";
        dlg.m_strDescription = "one";
        const int result = RunWith(dlg, [&](CEditDlg& d) {
            LongTextField* desc = Description(d);
            desc->setFocus();
            desc->setCursorPosition(desc->text().size());
            QTest::keyClick(desc, Qt::Key_Return);
            desc->insert(QString::fromUtf8("\u00E9\u20AC"));
            d.findChild<QPushButton*>("okButton")->click();
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(dlg.m_strDescription, std::string("one\r\n\xE9\x80"));
    }

    // A character Windows-1252 cannot hold is named by OK's warning, and
    // the dialog stays open with the entry unchanged.
    void unstorableCharacterKeepsDialogOpen_data()
    {
        QTest::addColumn<bool>("inKeyWords");
        QTest::addColumn<QString>("bad");
        QTest::addColumn<QString>("code");
        QTest::newRow("CJK in key words") << true << QString::fromUtf8("\u4E2D") << "U+4E2D";
        QTest::newRow("emoji in description") << false << QString::fromUtf8("\U0001F600") << "U+1F600";
    }
    void unstorableCharacterKeepsDialogOpen()
    {
        QFETCH(bool, inKeyWords);
        QFETCH(QString, bad);
        QFETCH(QString, code);
        CEditDlg dlg;
        dlg.m_strKeyWords = "keys";
        dlg.m_strDescription = "text";
        QString warning;
        const int result = RunWith(dlg, [&](CEditDlg& d) {
            LongTextField* field = inKeyWords ? KeyWords(d) : Description(d);
            field->selectAll();
            field->insert("a" + bad + "b");
            test_support::AnswerModal([&] { d.findChild<QPushButton*>("okButton")->click(); },
                                      [&](QWidget* open) {
                                          auto* box = qobject_cast<QMessageBox*>(open);
                                          QVERIFY(box);
                                          warning = box->text();
                                          box->accept();
                                      });
            d.reject();
        });
        QCOMPARE(result, int(QDialog::Rejected));
        QCOMPARE(warning, "The character \"" + bad + "\" (" + code
                              + ") cannot be stored in an Ovrin document.");
        QCOMPARE(dlg.m_strKeyWords, std::string("keys"));
        QCOMPARE(dlg.m_strDescription, std::string("text"));
    }
};

OVRIN_WIDGET_TEST_MAIN(EditDlgTest)
#include "edit_dlg_test.moc"
