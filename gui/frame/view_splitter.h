// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <vector>

#include <QMetaObject>
#include <QPointer>
#include <QWidget>

class QAbstractScrollArea;
class QSplitter;

// The client area: up to 2 x 2 panes of views of the one document. It starts
// with one pane; a thin split box lies along the top and the left edge, and
// dragging it into the window creates a row or a column of new panes, while
// dragging a pane down to nothing removes its row or column. Panes of one row
// share their vertical scroll position and panes of one column the
// horizontal one; only the last column shows a vertical scroll bar and only
// the bottom row a horizontal one.
//
// Rows are an outer vertical QSplitter of horizontal row splitters; the row
// splitters always hold the same columns with the same widths.
class CViewSplitter final : public QWidget {
    Q_OBJECT
public:
    using PaneFactory = std::function<QAbstractScrollArea*(QWidget* parent)>;

    static constexpr int kMaxRows = 2;
    static constexpr int kMaxColumns = 2;
    static constexpr int kMinPaneSize = 10;

    CViewSplitter(PaneFactory factory, QWidget* parent = nullptr);

    int rowCount() const;
    int columnCount() const;
    // The panes row by row, left to right.
    std::vector<QAbstractScrollArea*> panes() const;
    QAbstractScrollArea* pane(int row, int column) const;

    // The pane that had the focus last (the first pane before any had it).
    QAbstractScrollArea* activePane() const;

    // View/Split: two rows and two columns, the bars in the middle.
    void SplitAll();
    // F6 and Shift+F6: the focus goes to the next or previous pane.
    void ActivateNextPane(bool previous);

    // The splitters, for tests that drag their handles.
    QSplitter* rowSplitter() const { return m_outer; }
    QSplitter* columnSplitter(int row) const;

signals:
    void paneCreated(QAbstractScrollArea* pane);
    // The pane's scroll position is about to follow another pane of its row
    // or column through the scroll bar they share.
    void scrollFollowed(QAbstractScrollArea* pane);

private:
    QSplitter* NewRow(const QSplitter* like);
    QAbstractScrollArea* NewPane(QWidget* parent);
    QWidget* NewBox();
    void OnRowsMoved();
    void OnColumnsMoved(QSplitter* row);
    void RemoveRow(int index);
    void RemoveColumn(int index);
    void AddColumnAt(int boxIndex, const QSplitter* dragged);
    void Rewire();
    std::vector<QSplitter*> Rows() const;
    void OnFocusChanged(QWidget* old, QWidget* now);

    PaneFactory m_factory;
    QSplitter* m_outer = nullptr;
    QPointer<QAbstractScrollArea> m_active;
    std::vector<QMetaObject::Connection> m_scrollLinks;
};
