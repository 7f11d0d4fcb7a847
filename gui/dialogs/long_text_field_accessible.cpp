// SPDX-License-Identifier: MIT
#include "gui/dialogs/long_text_field_accessible.h"

#include "gui/dialogs/long_text_field.h"

#include <algorithm>
#include <climits>

namespace {

QAccessibleInterface* Factory(const QString&, QObject* object)
{
    if (auto* field = qobject_cast<LongTextField*>(object))
        return new LongTextFieldAccessible(field);
    return nullptr;
}

} // namespace

LongTextFieldAccessible::LongTextFieldAccessible(LongTextField* field)
    : QAccessibleWidget(field, QAccessible::EditableText)
{
}

void LongTextFieldAccessible::InstallFactory()
{
    static const bool installed = [] {
        QAccessible::installFactory(Factory);
        return true;
    }();
    (void)installed;
}

LongTextField* LongTextFieldAccessible::field() const
{
    return static_cast<LongTextField*>(widget());
}

void* LongTextFieldAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    if (type == QAccessible::EditableTextInterface)
        return static_cast<QAccessibleEditableTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessible::State LongTextFieldAccessible::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    s.editable = true;
    s.selectableText = true;
    s.multiLine = field()->lineCount() > 1 || field()->verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff;
    return s;
}

QString LongTextFieldAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value)
        return field()->text();
    return QAccessibleWidget::text(t);
}

// Offsets of the interface are int; a text beyond that is read up to there.
static int Clamped(qsizetype n)
{
    return static_cast<int>(std::min<qsizetype>(n, INT_MAX));
}

void LongTextFieldAccessible::selection(int index, int* start, int* end) const
{
    *start = *end = 0;
    if (index == 0 && selectionCount() == 1) {
        *start = Clamped(field()->selectionStart());
        *end = Clamped(field()->selectionEnd());
    }
}

int LongTextFieldAccessible::selectionCount() const
{
    return field()->selectionEnd() > field()->selectionStart() ? 1 : 0;
}

void LongTextFieldAccessible::addSelection(int start, int end)
{
    setSelection(0, start, end);
}

void LongTextFieldAccessible::removeSelection(int index)
{
    if (index == 0)
        field()->setCursorPosition(field()->cursorPosition());
}

void LongTextFieldAccessible::setSelection(int index, int start, int end)
{
    if (index != 0)
        return;
    field()->setCursorPosition(start);
    field()->setCursorPosition(end, true);
}

int LongTextFieldAccessible::cursorPosition() const
{
    return Clamped(field()->cursorPosition());
}

void LongTextFieldAccessible::setCursorPosition(int position)
{
    field()->setCursorPosition(position);
}

QString LongTextFieldAccessible::text(int start, int end) const
{
    return field()->text().mid(start, std::max(0, end - start));
}

int LongTextFieldAccessible::characterCount() const
{
    return Clamped(field()->text().size());
}

QRect LongTextFieldAccessible::characterRect(int offset) const
{
    const QRect cell = field()->cellRect(offset);
    return QRect(field()->viewport()->mapToGlobal(cell.topLeft()), cell.size());
}

int LongTextFieldAccessible::offsetAtPoint(const QPoint& point) const
{
    return Clamped(field()->positionAt(field()->viewport()->mapFromGlobal(point)));
}

// The field scrolls to show its cursor, so the cursor goes to the start.
void LongTextFieldAccessible::scrollToSubstring(int start, int)
{
    field()->setCursorPosition(start);
}

// The field has one font and colour throughout.
QString LongTextFieldAccessible::attributes(int, int* start, int* end) const
{
    *start = 0;
    *end = characterCount();
    return QString();
}

void LongTextFieldAccessible::deleteText(int start, int end)
{
    field()->replace(start, end, QString());
}

void LongTextFieldAccessible::insertText(int offset, const QString& text)
{
    field()->setCursorPosition(offset);
    field()->insert(text);
}

void LongTextFieldAccessible::replaceText(int start, int end, const QString& text)
{
    field()->setCursorPosition(start);
    field()->setCursorPosition(end, true);
    field()->insert(text);
}
