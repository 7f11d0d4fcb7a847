// SPDX-License-Identifier: MIT
#pragma once

#include <QAccessible>
#include <QAccessibleInterface>
#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>
#include <QString>

#include "core/layout/shown_entry.h"

class COvrinDoc;
class COvrinView;
class CEntryAccessible;
class CKeyListAccessible;

// The view paints its text itself, so assistive technology learns what it
// shows from these interfaces: the view holds one child, the current entry
// as read-only text (or the welcome text of an empty document) or, in the
// key-list mode, the list of all entries' key words. Every text is read from
// the document when asked, the entry's whole text kept only until the view
// hears of a change of the table. What is shown, and where the find hit
// lies, the layout decides (core/layout/shown_entry.h), as for the drawing.

// The text of the description view: key words, date and description, one
// under the other, line breaks as "\n"; the welcome text without entries.
QString EntryText(const COvrinDoc& doc);

// Where the last find hit lies in EntryText: the hit's offset in the
// description, or 0 for a hit in the key words; -1 when the shown entry
// holds no hit.
int FindHitOffset(const COvrinDoc& doc);

// The view itself: a pane whose one child is what the current mode shows.
class CViewAccessible final : public QAccessibleWidget {
public:
    CViewAccessible(COvrinView* view, COvrinDoc& doc);
    ~CViewAccessible() override;

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;

    COvrinDoc& Document() const { return m_doc; }
    COvrinView* View() const;
    CEntryAccessible* Entry() const { return m_pEntry; }
    CKeyListAccessible* KeyList() const { return m_pKeyList; }
    // The child the current mode shows.
    QAccessibleInterface* Content() const;

private:
    COvrinDoc& m_doc;
    CEntryAccessible* m_pEntry = nullptr;
    CKeyListAccessible* m_pKeyList = nullptr;
    // Deleting by id is safe even when the cache went first (at exit).
    QAccessible::Id m_entryId = 0;
    QAccessible::Id m_keyListId = 0;
};

// Shared by the children of the view: they live as long as the view's
// interface and reach the view and the document through it.
class CViewPartAccessible : public QAccessibleInterface {
public:
    explicit CViewPartAccessible(CViewAccessible& view) : m_view(view) {}

    bool isValid() const override { return m_view.isValid(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_view.window(); }
    void setText(QAccessible::Text, const QString&) override {}

protected:
    CViewAccessible& m_view;
    COvrinDoc& Doc() const { return m_view.Document(); }
    bool ViewHasFocus() const;
    // The view's viewport in screen coordinates.
    QRect ViewportRect() const;
};

// The current entry (or the welcome text) as read-only multi-line text.
class CEntryAccessible final : public CViewPartAccessible, public QAccessibleTextInterface {
public:
    using CViewPartAccessible::CViewPartAccessible;

    // The whole text, renewed when the document or its current entry moved.
    const QString& Text() const;

    QAccessibleInterface* parent() const override { return &m_view; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override;
    QRect rect() const override { return ViewportRect(); }
    QAccessible::Role role() const override { return QAccessible::EditableText; }
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    // Read-only text with a reading position and no selection.
    void selection(int, int* startOffset, int* endOffset) const override { *startOffset = *endOffset = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override;
    void setCursorPosition(int position) override { m_nCursor = position; }
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override { return static_cast<int>(Text().size()); }
    QRect characterRect(int) const override { return QRect(); }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

private:
    struct Key {
        unsigned tableChanges = 0;
        int count = -1;
        int entry = -2;
        bool operator==(const Key&) const = default;
    };
    mutable Key m_key;
    mutable QString m_strText;
    int m_nCursor = 0;
};

// The key list: one item per entry, made only when something asks for it,
// so a table of 200 000 entries does not become 200 000 objects.
class CKeyListAccessible final : public CViewPartAccessible {
public:
    using CViewPartAccessible::CViewPartAccessible;
    ~CKeyListAccessible() override;

    // The interface of entry i, made on first use; null outside the table.
    QAccessibleInterface* Item(int i) const;
    // Forgets the items of entries the table no longer has.
    void DropItemsFrom(int count);
    // How many item interfaces exist now.
    qsizetype ItemsMade() const { return m_items.size(); }
    // The screen rectangle of entry i's block, empty until it was laid out.
    QRect ItemRect(int i) const;

    QAccessibleInterface* parent() const override { return &m_view; }
    QAccessibleInterface* child(int index) const override { return Item(index); }
    int childCount() const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;
    QString text(QAccessible::Text t) const override;
    QRect rect() const override { return ViewportRect(); }
    QAccessible::Role role() const override { return QAccessible::List; }
    QAccessible::State state() const override;

private:
    friend class CKeyItemAccessible;
    mutable QHash<int, QAccessible::Id> m_items;
};

// One entry of the key list: its key words.
class CKeyItemAccessible final : public QAccessibleInterface {
public:
    CKeyItemAccessible(CKeyListAccessible& list, int index) : m_list(list), m_nIndex(index) {}

    int Index() const { return m_nIndex; }

    bool isValid() const override;
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_list.window(); }
    QAccessibleInterface* parent() const override { return &m_list; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override { return m_list.ItemRect(m_nIndex); }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override;

private:
    CKeyListAccessible& m_list;
    const int m_nIndex;
};

// Makes the interfaces above for every COvrinView; installed once.
void InstallViewAccessibleFactory();
