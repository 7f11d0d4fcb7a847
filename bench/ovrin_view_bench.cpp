// SPDX-License-Identifier: MIT
// What a person feels, measured in the real program: the main window with
// its views and the real fixed-pitch screen font, painted offscreen.
//   ovrin-view-bench open FILE     open FILE in the window and paint it, then
//                                  resize the window twice and scroll it twice
//   ovrin-view-bench keylist FILE  press k in an open FILE: the key list; then
//                                  Delete, Undo and Next while it is shown
//   ovrin-view-bench find FILE [NEEDLE]  the Find dialog's search with
//                                  descriptions for NEEDLE (UTF-8; default one
//                                  that is nowhere), beside memchr over the bytes
//   ovrin-view-bench load FILE     open the table, beside reading the bytes
//   ovrin-view-bench add FILE      Add one entry into the open FILE
//   ovrin-view-bench add-recorded FILE   the same with the recovery record on
//   ovrin-view-bench edit FILE     press e on the first entry of the open FILE,
//                                  Tab into the description, Ctrl+End, type a
//                                  letter and Escape; then e and OK unchanged
// Each prints one line of figures in milliseconds of the process's CPU time:
// on a shared machine the wall clock measures the other programs too.
#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "gui/app/file_commands.h"
#include "gui/app/ovrin_app.h"
#include "core/text/text_form.h"
#include "core/search/find_dlg_state.h"
#include "core/document/command_ids.h"
#include "core/file/document_file.h"
#include "core/document/document_host.h"
#include "core/document/ovrin_doc.h"
#include "platform/recovery_files.h"
#include "gui/frame/main_frame.h"
#include "gui/view/ovrin_view.h"

#include "bench_add_host.h"

namespace {

// The process's CPU time, all its threads together.
struct Clock {
    using time_point = double;
    static double now()
    {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
    }
};

double MsSince(Clock::time_point start)
{
    return Clock::now() - start;
}

// Best of `runs` timings of action, in milliseconds.
double Best(int runs, const std::function<void()>& action)
{
    double best = 1e300;
    for (int r = 0; r < runs; ++r) {
        const auto start = Clock::now();
        action();
        best = std::min(best, MsSince(start));
    }
    return best;
}

// Counts the paints of every view, so a measurement ends when each shown
// view has painted once after the action.
class PaintCounter final : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

class Window final {
public:
    Window()
    {
        m_app.InitInstance(QStringList{});
        Frame().resize(1000, 700);
        Frame().show();
        if (!QTest::qWaitForWindowExposed(&Frame()))
            std::fprintf(stderr, "ovrin-view-bench: the window was not shown\n");
        for (COvrinView* v : Frame().Views())
            v->viewport()->installEventFilter(&m_counter);
        Settle();
    }
    ~Window() { m_app.Document().SetModifiedFlag(false); }

    CMainFrame& Frame() { return *m_app.MainFrame(); }
    COvrinApp& App() { return m_app; }

    // Handles what the action queued, then paints every shown view that has
    // not painted since.
    void Settle()
    {
        m_counter.paints = 0;
        QCoreApplication::processEvents();
        if (m_counter.paints == 0)
            for (COvrinView* v : Frame().Views())
                if (v->isVisible())
                    v->viewport()->repaint();
    }

private:
    COvrinApp m_app;
    PaintCounter m_counter;
};

int Open(const std::string& path)
{
    Window w;
    const auto start = Clock::now();
    if (!w.App().Files().OpenDocumentFile(QString::fromStdString(path)))
        return 2;
    w.Settle();
    const double open = MsSince(start);
    double resize = 0;
    for (int width : {900, 1000}) {
        const auto r = Clock::now();
        w.Frame().resize(width, 700);
        w.Settle();
        resize = std::max(resize, MsSince(r));
    }
    // Scroll the entry shown to its middle and to its end: a huge description
    // is drawn from there, not wrapped from its top at every step.
    QScrollBar* bar = w.Frame().ActiveView()->verticalScrollBar();
    double scroll = 0;
    for (int eighths : {4, 8}) {
        const auto s = Clock::now();
        bar->setValue(static_cast<int>(static_cast<long long>(bar->maximum()) * eighths / 8));
        w.Settle();
        scroll = std::max(scroll, MsSince(s));
    }
    std::printf("open and first paint %.1f ms, slowest of two resizes %.1f ms, slowest of two scrolls %.1f ms\n",
                open, resize, scroll);
    return 0;
}

int KeyList(const std::string& path)
{
    Window w;
    if (!w.App().Files().OpenDocumentFile(QString::fromStdString(path)))
        return 2;
    w.Settle();
    const auto start = Clock::now();
    QTest::keyClick(w.Frame().ActiveView(), 'k');
    w.Settle();
    const double ms = MsSince(start);
    if (!w.App().Document().ShowsKeyList())
        return 2;
    // Delete the first entry, take it back and step to the next one, with
    // the key list shown: the blocks of every entry after it move.
    const int commands[3] = {cmd::ID_ENTRY_DELETE, cmd::ID_ENTRY_UNDO, cmd::ID_ENTRY_NEXT};
    double changes[3] = {0, 0, 0};
    for (int c = 0; c < 3; ++c) {
        const auto one = Clock::now();
        w.Frame().ExecuteCommand(commands[c]);
        w.Settle();
        changes[c] = MsSince(one);
    }
    std::printf("key-list switch %.1f ms (%d entries), then Delete and paint %.2f ms, Undo and paint %.2f ms, "
                "Next and paint %.2f ms\n",
                ms, w.App().Document().Count(), changes[0], changes[1], changes[2]);
    return 0;
}

bool LoadPlain(COvrinDoc& doc, const std::string& path)
{
    return OpenDocumentFile(doc, path).ok;
}

int Find(const std::string& path, const std::string& needleUtf8)
{
    const std::optional<std::string> text = TextFromUtf8(needleUtf8);
    if (!text || text->empty()) {
        std::fprintf(stderr, "ovrin-view-bench: the needle must be UTF-8 text\n");
        return 2;
    }
    const std::string& needle = *text;
    BenchAddHost host;
    COvrinDoc doc(host);
    if (!LoadPlain(doc, path))
        return 2;
    std::string all;
    for (int i = 0; i < doc.Count(); ++i) {
        all += doc.KeyWords()[i];
        all += doc.Descriptions()[i];
    }
    CFindDlgState find;
    find.m_pDoc = &doc;
    find.m_strSearch = needle;
    find.m_bInDescriptions = true;
    const double search = Best(7, [&] {
        doc.SetCurrent(0);
        doc.SetFindPos(-1);
        find.OnFindNext();
    });
    const void* volatile sink = nullptr;
    const double scan = Best(7, [&] { sink = std::memchr(all.data(), 0x01, all.size()); });
    (void)sink;
    // The floor the table sets: a walk that reads one byte of every text.
    volatile std::size_t touched = 0;
    const double walk = Best(7, [&] {
        std::size_t t = 0;
        for (int i = 0; i < doc.Count(); ++i)
            t += doc.KeyWords()[i].size() + doc.Descriptions()[i].size() +
                 static_cast<unsigned char>(doc.KeyWords()[i][0]) + static_cast<unsigned char>(doc.Descriptions()[i][0]);
        touched = t;
    });
    std::printf("find %.2f ms, memchr over the same %zu bytes %.2f ms, ratio %.2f "
                "(a walk reading one byte of every text %.2f ms; hit in entry %d)\n",
                search, all.size(), scan, search / scan, walk, doc.Hit().entry);
    return 0;
}

int Load(const std::string& path)
{
    BenchAddHost host;
    const double load = Best(3, [&] {
        COvrinDoc doc(host);
        LoadPlain(doc, path);
    });
    std::size_t bytes = 0;
    const double read = Best(3, [&] {
        std::FILE* file = std::fopen(path.c_str(), "rb");
        if (!file)
            return;
        std::fseek(file, 0, SEEK_END);
        std::string all(static_cast<std::size_t>(std::ftell(file)), '\0');
        std::fseek(file, 0, SEEK_SET);
        bytes = std::fread(all.data(), 1, all.size(), file);
        std::fclose(file);
    });
    std::printf("open %.1f ms, read its %zu bytes %.1f ms, ratio %.2f\n", load, bytes, read, load / read);
    return 0;
}

int Add(const std::string& path, bool recorded)
{
    BenchAddHost host;
    COvrinDoc doc(host);
    if (!LoadPlain(doc, path))
        return 2;
    // The record goes where the window keeps it, beside the user's records
    // on the same disk, so that each sync costs what it costs there.
    const std::string folder = RecoveryFolder() + "-bench-" + std::to_string(QCoreApplication::applicationPid());
    CRecoveryRecorder recorder(doc, folder);
    if (recorded) {
        doc.SetPathName(path);
        host.recorder = &recorder;
        recorder.ChangesSettled();
    }
    constexpr int kAdds = 200;
    double worst = 0;
    const auto start = Clock::now();
    for (int i = 0; i < kAdds; ++i) {
        const auto one = Clock::now();
        doc.OnEntryAdd();
        worst = std::max(worst, MsSince(one));
    }
    std::printf("add %.3f ms on average, %.3f ms at most (%d entries)\n", MsSince(start) / kAdds, worst,
                doc.Count());
    recorder.Discard();
    QDir().rmdir(QString::fromStdString(folder));
    return 0;
}

// Another version of the file (one entry added there) merged with one change
// made here, against opening that version.
int Merge(const std::string& path)
{
    const std::string folder = RecoveryFolder() + "-bench-" + std::to_string(QCoreApplication::applicationPid());
    const std::string other = path + ".other";
    {
        BenchAddHost host;
        host.next = 1;
        COvrinDoc doc(host);
        if (!LoadPlain(doc, path))
            return 2;
        doc.OnEntryAdd();
        if (!SaveDocumentFile(doc, other).ok)
            return 2;
    }
    BenchAddHost host;
    COvrinDoc doc(host);
    CRecoveryRecorder recorder(doc, folder);
    host.recorder = &recorder;
    if (!LoadPlain(doc, path))
        return 2;
    doc.SetPathName(path);
    recorder.ChangesSettled();
    doc.OnEntryAdd();
    const std::string record = *recorder.Changes();
    const double open = Best(3, [&] {
        COvrinDoc version(host);
        LoadPlain(version, other);
    });
    MergeOutcome outcome, first;
    const double merge = Best(3, [&] {
        doc.KnownFileOnDisk().path = other;
        MergeOtherVersion(doc, record, outcome);
        if (first.steps == 0)
            first = outcome;
    });
    std::printf("merge %.1f ms, open of the other version %.1f ms, ratio %.2f (%d entries, %d came in the first time)\n", merge, open,
                merge / open, doc.Count(), first.cameIn);
    recorder.Discard();
    QDir().rmdir(QString::fromStdString(folder));
    std::remove(other.c_str());
    return 0;
}

// Waits (inside the modal loop) for the dialog a key opened, then paints it.
QWidget* OpenedDialog()
{
    QWidget* dialog = nullptr;
    while (!(dialog = QApplication::activeModalWidget()))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return dialog;
}

// Handles what a key queued and paints the dialog's fields.
void SettleDialog(QWidget* dialog)
{
    QCoreApplication::processEvents();
    for (auto* area : dialog->findChildren<QAbstractScrollArea*>())
        area->viewport()->repaint();
    dialog->repaint();
}

int Edit(const std::string& path)
{
    Window w;
    if (!w.App().Files().OpenDocumentFile(QString::fromStdString(path)))
        return 2;
    w.Settle();
    double open = 0, tab = 0, end = 0, type = 0, kept = 0, escape = 0, reopen = 0, ok = 0;
    // The view's key goes through the dialog's own modal loop: each step in
    // it is timed from a timer inside that loop.
    Clock::time_point start = 0;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = OpenedDialog();
        SettleDialog(dialog);
        open = MsSince(start);
        QWidget* keyWords = dialog->focusWidget();
        auto step = [&](double& figure, QWidget* target, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
            const auto s = Clock::now();
            QTest::keyClick(target, static_cast<Qt::Key>(key), mods);
            SettleDialog(dialog);
            figure = MsSince(s);
        };
        step(tab, keyWords, Qt::Key_Tab);
        QWidget* description = dialog->focusWidget();
        step(end, description, Qt::Key_End, Qt::ControlModifier);
        step(type, description, Qt::Key_X);
        // What was typed goes to the recovery record once typing pauses: the
        // longest the dialog then does not answer.
        const double until = Clock::now() + 3000;
        while (Clock::now() < until) {
            const auto s = Clock::now();
            QCoreApplication::processEvents();
            kept = std::max(kept, MsSince(s));
        }
        start = Clock::now();
        QTest::keyClick(description, Qt::Key_Escape);
    });
    start = Clock::now();
    QTest::keyClick(w.Frame().ActiveView(), 'e');
    w.Settle();
    escape = MsSince(start);
    QTimer::singleShot(0, [&] {
        QWidget* dialog = OpenedDialog();
        SettleDialog(dialog);
        reopen = MsSince(start);
        start = Clock::now();
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
    });
    start = Clock::now();
    QTest::keyClick(w.Frame().ActiveView(), 'e');
    w.Settle();
    ok = MsSince(start);
    std::printf("press e %.1f ms, Tab %.1f ms, Ctrl+End %.1f ms, type %.1f ms, typing kept %.1f ms, "
                "Escape %.1f ms, e again %.1f ms, OK unchanged %.1f ms\n",
                open, tab, end, type, kept, escape, reopen, ok);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (argc != 3 && !(argc == 4 && mode == "find")) {
        std::fprintf(stderr, "usage: ovrin-view-bench open|keylist|find|load|add|add-recorded|merge|edit FILE\n"
                             "       ovrin-view-bench find FILE NEEDLE\n");
        return 2;
    }
    const std::string path = argv[2];
    if (mode == "find")
        return Find(path, argc == 4 ? argv[3] : "xyzzy nowhere");
    if (mode == "load")
        return Load(path);
    if (mode == "add" || mode == "add-recorded")
        return Add(path, mode == "add-recorded");
    if (mode == "merge")
        return Merge(path);

    // A private profile, so measuring never touches the user's settings.
    QTemporaryDir profile;
    const std::pair<const char*, const char*> folders[] = {
        {"XDG_CONFIG_HOME", "config"}, {"XDG_DATA_HOME", "data"}, {"XDG_RUNTIME_DIR", "runtime"}};
    for (const auto& [variable, sub] : folders) {
        const QString dir = profile.path() + QLatin1Char('/') + QLatin1String(sub);
        QDir().mkpath(dir);
        qputenv(variable, dir.toLocal8Bit());
    }
    QFile::setPermissions(profile.path() + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (mode == "open")
        return Open(path);
    if (mode == "keylist")
        return KeyList(path);
    if (mode == "edit")
        return Edit(path);
    std::fprintf(stderr, "ovrin-view-bench: unknown mode %s\n", mode.c_str());
    return 2;
}
