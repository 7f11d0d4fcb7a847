// SPDX-License-Identifier: MIT
#include "gui/dialogs/long_text_field.h"

#include "gui/dialogs/text_qt.h"
#include "core/text/text_form.h"

#include <QScrollBar>
#include <QTest>

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

} // namespace

class LongTextFieldTest final : public QObject {
    Q_OBJECT
private slots:
    // Edits that add, join and remove lines keep the index of lines right,
    // and Undo takes each back to the text before it.
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

    // Among millions of characters and lines Ctrl+End reaches the very end
    // and Up and Down keep the column; a one-line field keeps a line break
    // as a character of its one line; Shift+Insert pastes what Ctrl+C copied.
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

    // A stored text's lines, found while it is converted for the field, are
    // the ones the field finds in the converted text; CR LF, CR and LF each
    // break a line.
    void shownTextKnowsItsLines()
    {
        const struct {
            std::string text;
            const char* shown;
        } cases[] = {
            {"", ""},
            {"a\r\nbc\rd\ne\r\n", "a\nbc\nd\ne\n"},
            {"a\n\nb\r\r\nc", "a\n\nb\n\nc"},
            {"0123456789abcde\r\n0123456789abcdef\n\r\x80", "0123456789abcde\n0123456789abcdef\n\n\u20AC"},
            {"\x80xyzabcdefghij\r\n\r\n\rABCDEFGHIJKLMNO\n", "\u20ACxyzabcdefghij\n\n\nABCDEFGHIJKLMNO\n"},
            {*TextFromUtf8("\u0396\r\n\r\n\u4E2D\rz"), "\u0396\n\n\u4E2D\nz"},
        };
        for (const auto& c : cases) {
            const LongTextField::Shaped shaped = ToShownText(c.text, LongTextField::Lines::Many);
            QCOMPARE(shaped.text, QString::fromUtf8(c.shown));
            const LongTextField::Shaped looked = LongTextField::shape(shaped.text, LongTextField::Lines::Many);
            QCOMPARE(shaped.lineStarts, looked.lineStarts);
            QCOMPARE(shaped.longestLine, looked.longestLine);
            QCOMPARE(shaped.columnsOnly, looked.columnsOnly);
            const LongTextField::Shaped line = ToShownText(c.text, LongTextField::Lines::One);
            QCOMPARE(line.lineStarts.size(), std::size_t{1});
            QCOMPARE(line.longestLine, line.text.size());
        }
    }

    // A line with characters of other scripts: the arrows and Backspace move
    // by whole characters (a pair of surrogates, a letter with its mark),
    // and a CJK character takes more room than a column.
    void otherScriptsMoveByWholeCharacters()
    {
        LongTextField field(LongTextField::Lines::Many);
        field.resize(300, 200);
        field.show();
        field.setText(QString::fromUtf8("ab\na\U0001F600e\u0301\u4E2Db"));
        field.setCursorPosition(3);
        QList<qsizetype> stops;
        for (int i = 0; i < 5; ++i) {
            QTest::keyClick(&field, Qt::Key_Right);
            stops << field.cursorPosition();
        }
        QCOMPARE(stops, (QList<qsizetype>{4, 6, 8, 9, 10}));
        QVERIFY(field.cellRect(9).left() - field.cellRect(8).left() > field.cellRect(1).left() - field.cellRect(0).left());
        field.setCursorPosition(6);
        QTest::keyClick(&field, Qt::Key_Backspace);
        QCOMPARE(field.text(), QString::fromUtf8("ab\nae\u0301\u4E2Db"));
    }
};

OVRIN_WIDGET_TEST_MAIN(LongTextFieldTest)
#include "long_text_field_test.moc"
