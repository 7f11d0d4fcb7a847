// SPDX-License-Identifier: MIT
// The dialogs: information boxes and the hint, the Edit dialog, and its long text fields.
#include <functional>
#include <memory>

#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include "core/text/text_form.h"
#include "gui/dialogs/edit_dlg.h"
#include "gui/dialogs/hint_dlg.h"
#include "gui/dialogs/info_dialogs.h"
#include "gui/dialogs/long_text_field.h"
#include "gui/dialogs/text_qt.h"
#include "widget_test_support.h"

namespace {
// The field's own index of lines against a fresh split of its text.
bool LinesAgree(const LongTextField& field)
{
    const QStringList lines = field.text().split(QLatin1Char('\n'));
    if (field.lineCount() != lines.size())
        return false;
    qsizetype start = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (field.lineStart(i) != start || field.lineLength(i) != lines[i].size())
            return false;
        start += lines[i].size() + 1;
    }
    return true;
}

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
// The description the document holds after OK: the changed one, or its own.
std::string DescriptionAfter(const CEditDlg& d) { return d.m_changedDescription.value_or(std::string(d.m_strDescription)); }
}  // namespace

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
    // Info dialogs and hint: application modal, texts fit unoverlapped, Return accepts, hint decodes Windows-1252.
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
            hint->m_strHint = "Ungültiges Dokument";
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

    // OK keeps every byte (Windows-1252, lone CR and LF, key words past 32767 characters) unless a field
    // was edited (breaks become CR LF); key words open selected, Tab selects, Return in key words is OK.
    void confirmingKeepsEveryByte()
    {
        CEditDlg dlg;
        const std::string keys = "Café € 5\u00A0" "a" + std::string(40000, 'k') + "€" "end";
        const std::string description = "line àü\r\nsecond €\r\n\r\nlast\nbare a\rb\nc\r\nd\r";
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
        QVERIFY(!dlg.m_changedDescription);
        QCOMPARE(DescriptionAfter(dlg), description);

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
        QCOMPARE(DescriptionAfter(dlg),
                 std::string("line àü\r\nsecond €\r\n\r\nlast\r\nbare a\r\nb\r\nc\r\nd\r\ne"));
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
        QCOMPARE(DescriptionAfter(dlg), std::string("one\r\né€"));
    }

    // Typed text of any script comes back wide (breaks as CR LF); an unchanged field gives back its stored
    // bytes in their form, a UTF-16 text that Windows-1252 could hold included.
    void anyTextRoundTrips_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray fileUtf16 = QByteArray::fromStdString(TextFromUtf16(u"caf\u00E9"));
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
        const std::string text = stored.toStdString();
        dlg.m_strKeyWords = text;
        dlg.m_strDescription = text;
        const int result = RunWith(dlg, [&](CEditDlg& d) {
            for (LongTextField* field : {KeyWords(d), Description(d)}) {
                field->setCursorPosition(field->text().size());
                field->insert(typed);
            }
            d.findChild<QPushButton*>("okButton")->click();
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(QByteArray::fromStdString(DescriptionAfter(dlg)), expected);
        // The one-line field takes a typed line break as a blank.
        QCOMPARE(QByteArray::fromStdString(dlg.m_strKeyWords),
                 typed.isEmpty() ? expected : QByteArray::fromStdString(TextFromUtf16(u"a\u4E2D\U0001F600e\u0301 \u03C3")));
    }

    // Edits adding, joining and removing lines keep the line index right; Undo takes each back.
    void editsKeepTheLinesAndUndoTakesThemBack()
    {
        LongTextField field(LongTextField::Lines::Many);
        const QString original = QStringLiteral("one\ntwo\n\nfour");
        field.setText(original);
        const struct {
            qsizetype from, to;
            const char* text;
        } edits[] = {{0, 0, "a\nb"}, {5, 9, ""}, {3, 3, "\n\n"}, {0, 99, "x\ny"}, {3, 3, "z\n"}, {0, 0, ""}};
        QStringList before;
        for (const auto& e : edits) {
            before << field.text();
            field.replace(e.from, e.to, QString::fromLatin1(e.text));
            QVERIFY2(LinesAgree(field), qPrintable(field.text()));
        }
        QCOMPARE(field.text(), QStringLiteral("x\nyz\n"));
        for (qsizetype i = before.size() - 1; i >= 0; --i) {
            QTest::keyClick(&field, Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(field.text(), before[i]);
            QVERIFY(LinesAgree(field));
        }
        QTest::keyClick(&field, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(field.text(), QStringLiteral("a\nbone\ntwo\n\nfour"));
    }

    // Among millions of characters Ctrl+End reaches the end, Up/Down keep the column; a one-line field
    // keeps a break as a character; Shift+Insert pastes what Ctrl+C copied.
    void keysLandWhereTyped()
    {
        LongTextField field(LongTextField::Lines::Many);
        field.resize(300, 200);
        field.show();
        const QString huge = QString(5'000'000, QLatin1Char('a')) + QStringLiteral("\nab\n") +
                             QStringLiteral("x\n").repeated(1'000'000) + QStringLiteral("end");
        field.setText(huge);
        QTest::keyClick(&field, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(&field, "!");
        QVERIFY(field.text().endsWith(QStringLiteral("x\nend!")));
        QCOMPARE(field.verticalScrollBar()->value(), field.verticalScrollBar()->maximum());

        field.setCursorPosition(4'999'999);  // column 4 999 999 of the first line
        QTest::keyClick(&field, Qt::Key_Down);
        QCOMPARE(field.cursorPosition(), 5'000'003);  // the end of "ab"
        QTest::keyClick(&field, Qt::Key_Up);
        QCOMPARE(field.cursorPosition(), 4'999'999);

        LongTextField line(LongTextField::Lines::One);
        line.setText(QStringLiteral("pq"));
        line.selectAll();
        QTest::keyClick(&line, Qt::Key_C, Qt::ControlModifier);
        QTest::keyClick(&line, Qt::Key_End);
        QTest::keyClick(&line, Qt::Key_Insert, Qt::ShiftModifier);
        QCOMPARE(line.text(), QStringLiteral("pqpq"));
        line.setText(QStringLiteral("a\nb"));
        QTest::keyClick(&line, Qt::Key_End);
        line.insert(QStringLiteral("c\r\nd"));
        QCOMPARE(line.text(), QStringLiteral("a\nbc d"));
        QCOMPARE(line.lineCount(), 1);
    }

    // Arrows and Backspace move by whole characters (surrogate pair, letter+mark); CJK takes more than a
    // column. Alone, and amid lines long enough for the text to be looked at in blocks.
    void otherScriptsMoveByWholeCharacters()
    {
        const QString none;
        for (const auto& [lead, tail] : {std::pair{none, none}, {QString(100, u'x') + u'\n', u'\n' + QString(40, u'y')}}) {
            const qsizetype at = lead.size();
            LongTextField field(LongTextField::Lines::Many);
            field.resize(300, 200);
            field.show();
            field.setText(lead + QString::fromUtf8("ab\na\U0001F600e\u0301\u4E2Db") + tail);
            field.setCursorPosition(at + 3);
            QList<qsizetype> stops;
            for (int i = 0; i < 5; ++i) {
                QTest::keyClick(&field, Qt::Key_Right);
                stops << field.cursorPosition() - at;
            }
            QCOMPARE(stops, (QList<qsizetype>{4, 6, 8, 9, 10}));
            QVERIFY(field.cellRect(at + 9).left() - field.cellRect(at + 8).left() >
                    field.cellRect(1).left() - field.cellRect(0).left());
            field.setCursorPosition(at + 6);
            QTest::keyClick(&field, Qt::Key_Backspace);
            QCOMPARE(field.text(), lead + QString::fromUtf8("ab\nae\u0301\u4E2Db") + tail);
        }
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
