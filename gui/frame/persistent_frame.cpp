// SPDX-License-Identifier: MIT
#include "gui/frame/persistent_frame.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWindow>
#include <QWindowStateChangeEvent>

#include "gui/frame/bar_state.h"
#include "gui/frame/profile.h"

namespace {

const QString kSection = QStringLiteral("Window size");

QRect ToQRect(const PlacementRect& r) { return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1)); }
PlacementRect FromQRect(const QRect& r) { return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }

// The screens' available areas, the primary screen first.
std::vector<PlacementRect> AvailableAreas()
{
    std::vector<PlacementRect> areas;
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary)
        areas.push_back(FromQRect(primary->availableGeometry()));
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen != primary)
            areas.push_back(FromQRect(screen->availableGeometry()));
    return areas;
}

}  // namespace

CPersistentFrame::CPersistentFrame(QWidget* parent) : QMainWindow(parent)
{
    m_rectRestored = ToQRect(s_rectDefault);
}

CPersistentFrame::~CPersistentFrame()
{
    // A window that was shown and is destroyed without being closed (the
    // program ends some other way) still leaves its placement behind.
    if (!m_bFirstTime && !m_bSaved)
        SavePlacement();
}

PlacementRect CPersistentFrame::RestoredRect() const
{
    QRect r = m_rectRestored;
    // Not yet framed in its normal state: the rectangle asked for is the one
    // to keep.
    if (m_bPlacingFrame)
        return FromQRect(r);
    const Qt::WindowStates state = windowState();
    if (!m_bFirstTime && !(state & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)))
        r = frameGeometry();
    else if ((state & (Qt::WindowMaximized | Qt::WindowFullScreen)) && normalGeometry().isValid())
        // Qt's own record survives a resize seen before the state change;
        // it holds the inside of the window.
        r = normalGeometry().marginsAdded(windowHandle() ? windowHandle()->frameMargins() : QMargins());
    return FromQRect(r);
}

void CPersistentFrame::ActivateFrame(int nCmdShow)
{
    if (!m_bFirstTime) {
        switch (nCmdShow) {
        case 0: hide(); break;
        case static_cast<int>(ShowCommand::Maximized): showMaximized(); break;
        case static_cast<int>(ShowCommand::MinimizedNoActivate): showMinimized(); break;
        default: show(); raise(); activateWindow(); break;
        }
        return;
    }
    m_bFirstTime = false;
    RestorePlacement();
}

void CPersistentFrame::RestorePlacement()
{
    CProfile profile;
    const QString text = profile.value(kSection + QStringLiteral("/Rect"), QString()).toString();
    const PlacementRect rect = text.isEmpty() ? s_rectDefault : ParsePlacementRect(text);
    const int icon = profile.value(kSection + QStringLiteral("/icon"), 0).toInt();
    const int max = profile.value(kSection + QStringLiteral("/max"), 0).toInt();
    const ShowState state = ShowStateFromFlags(icon, max);

    // Bars first, so the window is placed with its final layout.
    LoadBarState(*this, profile, QString::fromLatin1(kProfileName));

    // The rectangle is the window's own, frame and title bar included, as
    // the user sees it. Before the window is shown, move() places the frame
    // but the size is the inside's; the frame's margins are known only once
    // the window manager has framed the window, so the size is put right on
    // the first exposure.
    PlacementRect placed = rect;
    if (m_bCascade) {
        // The window manager's title bar is not known before the window is
        // framed; the style's is the nearest measure of it.
        const int step = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
        placed = {rect.left + step, rect.top + step, rect.right + step, rect.bottom + step};
    }
    const QRect target = ToQRect(FitOnScreens(placed, AvailableAreas()));
    m_rectRestored = target;
    m_bPlacingFrame = true;
    resize(target.size());
    move(target.topLeft());
    create();
    windowHandle()->installEventFilter(this);

    switch (state.show) {
    case ShowCommand::MinimizedNoActivate:
        setAttribute(Qt::WA_ShowWithoutActivating);
        m_bRestoresToMaximized = state.flags == kRestoreToMaximized;
        setWindowState(m_bRestoresToMaximized ? (Qt::WindowMinimized | Qt::WindowMaximized)
                                              : Qt::WindowMinimized);
        show();
        setAttribute(Qt::WA_ShowWithoutActivating, false);
        break;
    case ShowCommand::Maximized:
        showMaximized();
        break;
    case ShowCommand::Normal:
        show();
        raise();
        activateWindow();
        break;
    }
}

void CPersistentFrame::SavePlacement()
{
    m_bSaved = true;
    const Qt::WindowStates state = windowState();
    const PlacementFlags flags = FlagsFromWindowState(state.testFlag(Qt::WindowMinimized),
                                                      state.testFlag(Qt::WindowMaximized),
                                                      m_bRestoresToMaximized);
    CProfile profile;
    profile.setValue(kSection + QStringLiteral("/Rect"), FormatPlacementRect(RestoredRect()));
    profile.setValue(kSection + QStringLiteral("/icon"), flags.icon);
    profile.setValue(kSection + QStringLiteral("/max"), flags.max);
    SaveBarState(*this, profile, QString::fromLatin1(kProfileName));
}

void CPersistentFrame::closeEvent(QCloseEvent* event)
{
    if (!QueryClose()) {
        event->ignore();
        return;
    }
    SavePlacement();
    event->accept();
}

void CPersistentFrame::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange) {
        const auto* change = static_cast<QWindowStateChangeEvent*>(event);
        const Qt::WindowStates now = windowState();
        if (now.testFlag(Qt::WindowMinimized))
            m_bRestoresToMaximized = now.testFlag(Qt::WindowMaximized) ||
                                     change->oldState().testFlag(Qt::WindowMaximized) ||
                                     (change->oldState().testFlag(Qt::WindowMinimized) &&
                                      m_bRestoresToMaximized);
        else
            m_bRestoresToMaximized = false;
        NoteRestoredGeometry();
    }
    QMainWindow::changeEvent(event);
}

void CPersistentFrame::moveEvent(QMoveEvent* event)
{
    NoteRestoredGeometry();
    QMainWindow::moveEvent(event);
}

void CPersistentFrame::resizeEvent(QResizeEvent* event)
{
    NoteRestoredGeometry();
    QMainWindow::resizeEvent(event);
}

bool CPersistentFrame::eventFilter(QObject* watched, QEvent* event)
{
    // A window that opens minimized or maximized gets its size put right
    // when it is first shown in its normal state.
    if (m_bPlacingFrame && watched == windowHandle() && event->type() == QEvent::Expose &&
        windowHandle()->isExposed() &&
        !(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))) {
        m_bPlacingFrame = false;
        watched->removeEventFilter(this);
        const QMargins margins = windowHandle()->frameMargins();
        if (!margins.isNull()) {
            resize(m_rectRestored.size().shrunkBy(margins));
            move(m_rectRestored.topLeft());
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void CPersistentFrame::NoteRestoredGeometry()
{
    // Only a window in its normal state shows its restored rectangle.
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
        return;
    if (m_bFirstTime || m_bPlacingFrame)
        return;
    m_rectRestored = frameGeometry();
}
