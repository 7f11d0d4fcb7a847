// SPDX-License-Identifier: MIT
#pragma once

#include <QAccessibleWidget>

class LongTextField;

// What a screen reader sees of a LongTextField: an editable text whose
// characters, selection and cursor it can read and set, as with the stock
// text fields.
class LongTextFieldAccessible final : public QAccessibleWidget,
                                      public QAccessibleTextInterface,
                                      public QAccessibleEditableTextInterface {
public:
    explicit LongTextFieldAccessible(LongTextField* field);

    // Makes Qt's accessibility hand out this interface for every field.
    static void InstallFactory();

    void* interface_cast(QAccessible::InterfaceType type) override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text t) const override;

    void selection(int index, int* start, int* end) const override;
    int selectionCount() const override;
    void addSelection(int start, int end) override;
    void removeSelection(int index) override;
    void setSelection(int index, int start, int end) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int start, int end) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int start, int end) override;
    QString attributes(int offset, int* start, int* end) const override;

    void deleteText(int start, int end) override;
    void insertText(int offset, const QString& text) override;
    void replaceText(int start, int end, const QString& text) override;

private:
    LongTextField* field() const;
};
