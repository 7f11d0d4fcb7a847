// SPDX-License-Identifier: MIT
#pragma once

// The real application, started offscreen on a document as "ovrin notes.ovr", private folders (widget_test_support.h).

#include <memory>
#include <string>
#include <vector>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <QImage>
#include <QPointer>
#include <QScrollBar>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include "../common/test_documents.h"
#include "gui/app/ovrin_app.h"
#include "cli/cli_host.h"
#include "core/file/document_file.h"
#include "core/document/ovrin_doc.h"
#include "gui/frame/main_frame.h"
#include "gui/frame/view_splitter.h"
#include "gui/view/ovrin_view.h"
#include "widget_test_support.h"

namespace app_fixture {
using ::Entry;

// Handles everything pending, blocking in between as the real event loop does (so idle work runs).
inline void Settle(int ms = 50)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The program, started on a fresh document file in a temporary folder.
class RunningApp final {
public:
    explicit RunningApp(const std::vector<Entry>& entries, const char* fileName = "notes.ovr")
    {
        m_path = m_dir.filePath(QString::fromLatin1(fileName));
        if (!m_dir.isValid() || !WriteEntries(m_path.toStdString(), entries).ok)
            return;
        m_app = std::make_unique<COvrinApp>();
        if (!m_app->InitInstance({m_path}) || !m_app->MainFrame() ||
            !QTest::qWaitForWindowExposed(m_app->MainFrame())) {
            m_app.reset();
            return;
        }
        m_app->MainFrame()->activateWindow();
    }
    ~RunningApp()
    {
        if (m_app)
            m_app->Document().SetModifiedFlag(false);  // no question at the end
    }
    RunningApp(const RunningApp&) = delete;
    RunningApp& operator=(const RunningApp&) = delete;

    bool Started() const { return m_app != nullptr; }
    COvrinApp& App() { return *m_app; }
    CMainFrame& Frame() { return *m_app->MainFrame(); }
    COvrinDoc& Doc() { return m_app->Document(); }
    CViewSplitter& Splitter() { return Frame().Splitter(); }
    COvrinView* Pane(int row, int column)
    {
        return qobject_cast<COvrinView*>(Splitter().pane(row, column));
    }
    const QString& Path() const { return m_path; }
    QString TempPath(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    // Gives the main window this size (client area) and lets it lay out.
    void Resize(int width, int height)
    {
        Frame().resize(width, height);
        Settle();
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
    std::unique_ptr<COvrinApp> m_app;
};

// Watches paints of any widget, timers of any object and panes' scroll changes (checked at each paint) during events.
class ActivityProbe final : public QObject {
public:
    explicit ActivityProbe(CViewSplitter& splitter) : m_splitter(&splitter)
    {
        qApp->installEventFilter(this);
    }
    ~ActivityProbe() override { qApp->removeEventFilter(this); }

    // Processes events for ms; true when nothing was painted, no timer fired and no pane scrolled.
    bool IdleFor(int ms)
    {
        // The probe's own ending timer and the test's watchdog are not counted.
        QEventLoop loop;
        QTimer end;
        end.setSingleShot(true);
        QObject::connect(&end, &QTimer::timeout, &loop, &QEventLoop::quit);
        m_pOwnTimer = &end;
        m_nPaints = m_nTimers = m_nScrolls = 0;
        m_lastPositions = Positions();
        end.start(ms);
        loop.exec();
        m_pOwnTimer = nullptr;
        return m_nPaints == 0 && m_nTimers == 0 && m_nScrolls == 0;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Timer) {
            if (watched != m_pOwnTimer && watched->objectName() != QLatin1String(test_support::kModalWatchdogName))
                ++m_nTimers;
        } else if (event->type() == QEvent::Paint) {
            ++m_nPaints;
            const std::vector<int> now = Positions();
            if (now != m_lastPositions) {
                ++m_nScrolls;
                m_lastPositions = now;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::vector<int> Positions() const
    {
        std::vector<int> out;
        if (m_splitter)
            for (QAbstractScrollArea* p : m_splitter->panes())
                out.insert(out.end(), {p->horizontalScrollBar()->value(), p->verticalScrollBar()->value()});
        return out;
    }

    QPointer<CViewSplitter> m_splitter;
    QObject* m_pOwnTimer = nullptr;
    int m_nPaints = 0;
    int m_nTimers = 0;
    int m_nScrolls = 0;
    std::vector<int> m_lastPositions;
};

// Collects every warning Qt or the program logs while it lives.
class WarningTrap final {
public:
    WarningTrap() { s_previous = qInstallMessageHandler(&WarningTrap::Handle); }
    ~WarningTrap() { qInstallMessageHandler(s_previous); }
    WarningTrap(const WarningTrap&) = delete;
    WarningTrap& operator=(const WarningTrap&) = delete;

    const QStringList& Warnings() const { return Seen(); }

private:
    static QStringList& Seen()
    {
        static QStringList seen;
        return seen;
    }
    static void Handle(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        // The offscreen platform's own notes are no fault of the program.
        if ((type == QtWarningMsg || type == QtCriticalMsg) &&
            !text.startsWith(QLatin1String("This plugin does not support")))
            Seen() << text;
        if (s_previous)
            s_previous(type, context, text);
    }
    static inline QtMessageHandler s_previous = nullptr;
};

// Whether any pixel in the rectangle is dark: something was drawn there.
inline bool InkIn(const QImage& image, const QRect& rect)
{
    const QRect r = rect.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                return true;
    return false;
}

inline bool Dark(const QImage& image, int x, int y) { return qGray(image.pixel(x, y)) < 128; }
}  // namespace app_fixture
