// SPDX-License-Identifier: MIT
#pragma once

#include <functional>

#include <QAbstractScrollArea>
#include <QFont>
#include <QString>

#include "core/layout/key_list_layout.h"
#include "core/layout/page_layout.h"
#include "core/layout/view_drawing.h"
#include "core/layout/wrap_index.h"

class COvrinDoc;

// One pane of the main window: the current entry or the key list of the
// document, drawn afresh from the document at every paint. Commands chosen
// in its context menu go to the dispatcher (the frame's command router).
class COvrinView final : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit COvrinView(COvrinDoc& doc, QWidget* parent = nullptr);

    // Provisional scroll sizes until the first drawing sets the real ones.
    void OnInitialUpdate();
    // The scroll position is about to follow another pane that shares the
    // scroll bar: the next drawing keeps it instead of scrolling to a hit,
    // so that two panes that show a hit at different heights cannot pull
    // each other back and forth for ever.
    void FollowScroll() { m_bFollowing = true; }

    COvrinDoc& Document() const { return m_doc; }
    // A change of the document's table, as it happens: the layouts kept
    // between drawings mend or forget what they knew.
    void TableChanged(const TableChange& change);
    // The next paint scrolls to the document's find hit.
    void NewFindHit() { m_hitScroll.NewHit(); }
    // How many changes of the table this pane has heard, so that a text
    // made from the table can tell that it may be stale.
    unsigned TableChangesHeard() const { return m_nTableChangesHeard; }
    CPageLayout& Pages() { return m_pages; }
    const CKeyListLayout& KeyList() const { return m_keyList; }
    int LineHeight() const { return m_nLineHeight; }
    void setCommandDispatcher(std::function<void(int id)> dispatch) { m_dispatch = std::move(dispatch); }

signals:
    // The position text for the message pane of the status bar.
    void statusTextChanged(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ApplyScrollSizes(const ViewDrawing& drawing);
    void Paint(const ViewDrawing& drawing, const TextMetrics& metrics);

    COvrinDoc& m_doc;
    QFont m_font;
    CKeyListLayout m_keyList;
    CWrapIndex m_descriptionLines;  // of the description shown
    CPageLayout m_pages;
    CHitScrollGuard m_hitScroll;
    int m_nLineHeight = 0;
    unsigned m_nTableChangesHeard = 0;
    bool m_bFollowing = false;
    std::function<void(int id)> m_dispatch;
};
