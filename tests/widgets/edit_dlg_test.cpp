// SPDX-License-Identifier: MIT
#include "gui/dialogs/edit_dlg.h"
#include "gui/dialogs/long_text_field.h"
#include "core/text/text_form.h"

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

    // Any text is taken: typed characters of any script come back in the
    // wide form (line breaks as CR LF), and a field left unchanged gives
    // back its stored bytes in whichever form it came, a text the file held
    // as UTF-16 that Windows-1252 could hold included.
    void anyTextRoundTrips_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray fileUtf16 = QByteArray::fromStdString(TextFromFileUtf16(u"caf\u00E9"));
        const QByteArray wide = QByteArray::fromStdString(TextFromUtf16(u"\u0141\u00F3d\u017A \u4E2D\U0001F600"));
        QTest::newRow("unchanged wide") << wide << QString() << wide;
        QTest::newRow("unchanged UTF-16 that fits") << fileUtf16 << QString() << fileUtf16;
        QTest::newRow("typed CJK, emoji, combining mark")
            << QByteArray("a") << QString::fromUtf8("\u4E2D\U0001F600e\u0301\n\u03C3")
            << QByteArray::fromStdString(TextFromUtf16(u"a\u4E2D\U0001F600e\u0301\r\n\u03C3"));
    }
    void anyTextRoundTrips()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QString, typed);
        QFETCH(QByteArray, expected);
        CEditDlg dlg;
        dlg.m_strKeyWords = dlg.m_strDescription = stored.toStdString();
        const int result = RunWith(dlg, [&](CEditDlg& d) {
            for (LongTextField* field : {KeyWords(d), Description(d)}) {
                field->setCursorPosition(field->text().size());
                field->insert(typed);
            }
            d.findChild<QPushButton*>("okButton")->click();
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(QByteArray::fromStdString(dlg.m_strDescription), expected);
        // The one-line field takes a typed line break as a blank.
        QCOMPARE(QByteArray::fromStdString(dlg.m_strKeyWords),
                 typed.isEmpty() ? expected : QByteArray::fromStdString(TextFromUtf16(u"a\u4E2D\U0001F600e\u0301 \u03C3")));
    }
};

OVRIN_WIDGET_TEST_MAIN(EditDlgTest)
#include "edit_dlg_test.moc"
