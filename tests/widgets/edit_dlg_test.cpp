// SPDX-License-Identifier: MIT
#include "dialogs/edit_dlg.h"
#include "dialogs/long_text_field.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

#include "widget_test_support.h"

namespace {

// Runs the dialog modally and lets `drive` act on it once it is open.
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
    // Guards against opening and confirming the dialog changing an entry:
    // the euro sign, accents, a no-break space, CR LF and lone CR and LF
    // come back byte-exact, and key words longer than the one-line field's
    // default limit of 32767 characters are not cut, whether or not they are
    // edited; a description typed in and taken back keeps its bytes too. The
    // dialog opens in the key words with all of them selected, Tab selects
    // all of the field it enters and stays within the two fields, and Return
    // in the key words is OK.
    // Once the description is edited, its line breaks are the program's CR LF.
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
            // Tab into a field selects all of it, so typing replaces it.
            const bool inDescription = d.focusWidget() == Description(d) &&
                                       Description(d)->selectedText() == Description(d)->text();
            // Typed and taken back, the description keeps its lone CR and LF.
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

    // Guards against Return in the description ending the dialog instead of
    // starting a new line, against typed text losing its line break, and
    // against Esc storing anything.
    void returnInDescriptionAddsLineAndEscCancels()
    {
        CEditDlg dlg;
        dlg.m_strKeyWords = "k";
        dlg.m_strDescription = "one";
        bool stillOpen = false;
        int result = RunWith(dlg, [&](CEditDlg& d) {
            LongTextField* desc = Description(d);
            desc->setFocus();
            desc->setCursorPosition(desc->text().size());
            QTest::keyClick(desc, Qt::Key_Return);
            QTest::keyClicks(desc, "zw");
            desc->insert(QString::fromUtf8("\u00E9\u20AC")); // as a paste would
            stillOpen = d.isVisible();
            d.findChild<QPushButton*>("okButton")->click();
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QVERIFY(stillOpen);
        QCOMPARE(dlg.m_strDescription, std::string("one\r\nzw\xE9\x80"));

        result = RunWith(dlg, [](CEditDlg& d) {
            KeyWords(d)->setText("changed");
            QTest::keyClick(KeyWords(d), Qt::Key_Escape);
        });
        QCOMPARE(result, int(QDialog::Rejected));
        QCOMPARE(dlg.m_strKeyWords, std::string("k"));
    }

    // Guards against a character Windows-1252 cannot hold being dropped or
    // replaced silently: OK must warn naming it, keep the dialog open and
    // leave both members as they were; this holds for either field and for
    // a character outside the BMP.
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
        bool openAfterWarning = false;
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
            openAfterWarning = d.isVisible() && qApp->activeModalWidget() == &d;
            d.reject();
        });
        QCOMPARE(result, int(QDialog::Rejected));
        QVERIFY(openAfterWarning);
        QCOMPARE(warning, "The character \"" + bad + "\" (" + code
                              + ") cannot be stored in an Ovrin document.");
        QCOMPARE(dlg.m_strKeyWords, std::string("keys"));
        QCOMPARE(dlg.m_strDescription, std::string("text"));
    }
};

OVRIN_WIDGET_TEST_MAIN(EditDlgTest)
#include "edit_dlg_test.moc"
