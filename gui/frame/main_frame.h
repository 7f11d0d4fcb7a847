// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <functional>
#include <optional>

#include <QElapsedTimer>
#include <QStringList>
#include <QUrl>

#include "gui/frame/command_router.h"
#include "gui/frame/lock_indicators.h"
#include "gui/frame/persistent_frame.h"

class CCommandActions;
class COvrinDoc;
class COvrinView;
struct TableChange;
class CViewSplitter;
class QAbstractScrollArea;
class QLabel;
class QMenu;
class QToolBar;

// The program's one top-level window: menu bar, dockable tool bar, status
// bar with the message pane and the lock indicators, and a 2 x 2 splitter of
// views of the document as its client area. It owns the command chain:
// active view, document, frame, then whatever the application adds.
class CMainFrame final : public CPersistentFrame {
    Q_OBJECT
public:
    // The ids the status-bar panes and bars are known by.
    static constexpr int kToolBarId = 59392;
    static constexpr int kStatusBarId = 59393;

    explicit CMainFrame(COvrinDoc& doc, QWidget* parent = nullptr);
    ~CMainFrame() override;

    CCommandRouter& Router() { return m_router; }
    CCommandActions& Actions() { return *m_pActions; }
    CViewSplitter& Splitter() { return *m_wndSplitter; }
    QToolBar* ToolBar() const { return m_wndToolBar; }
    COvrinView* ActiveView() const;
    std::vector<COvrinView*> Views() const;

    // Runs a command from any source through the execution guard and the
    // chain, then brings every item's state up to date.
    void ExecuteCommand(int id);
    // Asks every command's rule and applies it to menu items and buttons.
    void RefreshCommandStates();
    // The document changed: every pane redraws, every state is asked again.
    void UpdateAllViews();
    // Every pane starts over (File/New, File/Open).
    void InitialUpdateAllViews();
    // Every view scrolls to the new find hit once, at its next paint.
    void FindHitChanged();
    // The document's table changed: every pane hears what changed.
    void TableChanged(const TableChange& change);

    // "<title> - Ovrin".
    void SetDocumentTitle(const QString& title);
    // Texts of the recent-file items in menu order (at most four); an empty
    // list leaves the grayed placeholder.
    void SetRecentFileTexts(const QStringList& texts);

    // Shows a note in the message pane, such as what a merge brought. It
    // stands against the views' position text until the next command, or
    // for fifteen seconds.
    void ShowNote(const QString& text);

    // Text of the message pane and of the indicator panes (for tests).
    QString MessageText() const;
    QString IndicatorText(int pane) const;  // 0 caps, 1 num, 2 scroll

    // Asked before the window closes; false keeps it open.
    void SetCloseQuery(std::function<bool()> query) { m_closeQuery = std::move(query); }
    // Runs before every command: another program's version of the file is
    // noticed at the next command at the latest.
    void SetBeforeCommand(std::function<void()> before) { m_beforeCommand = std::move(before); }
    // Handles the view's print commands for the given view.
    void SetPrintHandler(std::function<void(int id, COvrinView& view)> handler)
    {
        m_printHandler = std::move(handler);
    }

    // Reads the keyboard's lock state into the indicator panes.
    void UpdateLockIndicators();
    // Where the lock state comes from (the keyboard unless replaced, as a
    // test without a keyboard does).
    void SetLockStateReader(std::function<std::optional<LockState>()> reader)
    {
        m_readLockState = std::move(reader);
    }

signals:
    // A file was dropped on the window; sent after the drop has ended.
    void fileDropped(const QUrl& file);

protected:
    bool QueryClose() override;
    bool event(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateBars();
    void AddTargets();
    void InsertRecentFileItems();
    QAbstractScrollArea* CreatePane(QWidget* parent);
    void OnMenuAboutToShow(QMenu* menu);
    void ShowMessage(const QString& text);
    void ShowPosition(const QString& text);

    COvrinDoc& m_doc;
    CCommandRouter m_router;
    CCommandActions* m_pActions = nullptr;
    CViewSplitter* m_wndSplitter = nullptr;
    QToolBar* m_wndToolBar = nullptr;
    std::array<QLabel*, 3> m_indicators{};
    std::function<bool()> m_closeQuery;
    std::function<void()> m_beforeCommand;
    std::function<void(int, COvrinView&)> m_printHandler;
    std::function<std::optional<LockState>()> m_readLockState = ReadLockState;
    bool m_bLockUpdatePending = false;
    QElapsedTimer m_noteShown;  // invalid while no note stands
};
