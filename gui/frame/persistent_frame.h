// SPDX-License-Identifier: MIT
#pragma once

#include <QMainWindow>
#include <QRect>

#include "gui/frame/placement.h"

class QSettings;

// A main window that remembers where and how it was shown. Closing it writes
// the restored rectangle, the minimized and maximized flags and the bar
// state to the profile; its first activation reads them back and places the
// window so, whatever show state the caller proposed.
//
// The rectangle is the window's own, frame and title bar included (left,
// top, right, bottom with right and bottom exclusive), brought onto the
// screens of the moment when it no longer fits them.
class CPersistentFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CPersistentFrame(QWidget* parent = nullptr);
    ~CPersistentFrame() override;

    // Shows and activates the frame. nCmdShow is a ShowCommand value (0
    // hides); the first call replaces it by the stored placement.
    void ActivateFrame(int nCmdShow = static_cast<int>(ShowCommand::Normal));

    // Opens the window one title-bar height down and right of its stored
    // place, so that it is not hidden exactly under another program's
    // window that was placed the same way. Asked before the first activation.
    void CascadeFromStoredPlace() { m_bCascade = true; }

    // Writes placement and bar state; called when the window closes.
    void SavePlacement();

    // The rectangle the window returns to when it is neither minimized nor
    // maximized.
    PlacementRect RestoredRect() const;

    // Where the window opens when the profile holds no rectangle.
    static constexpr PlacementRect s_rectDefault = kDefaultPlacement;
    // Profile name under which the bar state is stored.
    static constexpr const char* kProfileName = "Ovrin";

protected:
    // Whether the window may close now (the main frame asks about unsaved
    // changes here); a refused close saves nothing.
    virtual bool QueryClose() { return true; }

    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void RestorePlacement();
    void NoteRestoredGeometry();

    bool m_bFirstTime = true;
    bool m_bCascade = false;
    bool m_bSaved = false;
    // Placed, but not yet framed by the window manager.
    bool m_bPlacingFrame = false;
    bool m_bRestoresToMaximized = false;
    QRect m_rectRestored;
};
