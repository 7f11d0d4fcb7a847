// SPDX-License-Identifier: MIT
#pragma once

// Widget test helpers: a private profile, data and runtime folder per process; answering a command's modal dialogs.

#include <cstdlib>
#include <functional>

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

namespace test_support {
// Points XDG_{CONFIG,DATA,STATE}_HOME and XDG_RUNTIME_DIR into a fresh temp folder; call before QSettings/QApplication.
inline QTemporaryDir& PrivateFolders()
{
    static QTemporaryDir dir;
    static const bool set = [] {
        const QByteArray root = dir.path().toLocal8Bit();
        for (const char* sub : {"config", "data", "runtime", "state"})
            QDir(dir.path()).mkpath(QString::fromLatin1(sub));
        QFile::setPermissions(dir.path() + QStringLiteral("/runtime"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                  QFileDevice::ExeOwner);
        setenv("XDG_CONFIG_HOME", (root + "/config").constData(), 1);
        setenv("XDG_DATA_HOME", (root + "/data").constData(), 1);
        setenv("XDG_RUNTIME_DIR", (root + "/runtime").constData(), 1);
        setenv("XDG_STATE_HOME", (root + "/state").constData(), 1);
        return true;
    }();
    (void)set;
    return dir;
}

// Closes a dialog the way its Esc key would.
inline void CloseDialog(QWidget* w)
{
    if (auto* dialog = qobject_cast<QDialog*>(w))
        dialog->reject();
    else
        w->close();
}

// Runs action; answer must close its first new modal dialog (else closed here, test failed); returns its title or "".
inline QString AnswerModal(const std::function<void()>& action,
                           const std::function<void(QWidget*)>& answer)
{
    QString seen;
    bool done = false;
    // A dialog already up (the one whose button action presses) is not it.
    const QPointer<QWidget> before = QApplication::activeModalWidget();
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (done || !modal || modal == before)
            return;
        done = true;
        timer.stop();
        seen = modal->windowTitle().isEmpty() ? QString::fromLatin1(modal->metaObject()->className())
                                              : modal->windowTitle();
        const QPointer<QWidget> dialog(modal);
        answer(modal);
        if (dialog && dialog->isVisible()) {
            QTest::qFail(qPrintable(QStringLiteral("the dialog \"%1\" was left open").arg(seen)),
                         __FILE__, __LINE__);
            // It may have opened a question of its own that keeps it open.
            for (int i = 0; i < 10 && dialog && dialog->isVisible(); ++i) {
                if (QWidget* top = QApplication::activeModalWidget())
                    CloseDialog(top);
            }
        }
    });
    timer.start();
    action();
    timer.stop();
    done = true;
    return seen;
}

// Fails the test and closes a modal left unanswered this long; its timer is named for timer counts to skip.
inline constexpr char kModalWatchdogName[] = "test_support::ModalWatchdog";

inline void WatchForForgottenModals(int limitMs = 30000)
{
    auto* timer = new QTimer(qApp);
    timer->setObjectName(QLatin1String(kModalWatchdogName));
    QObject::connect(timer, &QTimer::timeout, [limitMs, seen = QPointer<QWidget>(), since = QElapsedTimer()]() mutable {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != seen) {
            seen = modal;
            since.start();
        } else if (modal && since.elapsed() > limitMs) {
            QTest::qFail(qPrintable(QStringLiteral("\"%1\" waited for an answer that never came")
                                        .arg(modal->windowTitle())),
                         __FILE__, __LINE__);
            CloseDialog(modal);
        }
    });
    timer->start(1000);
}
}  // namespace test_support

// A main() setting up the private folders before the application and watching for unanswered modals.
#define OVRIN_WIDGET_TEST_MAIN(TestClass)                         \
    int main(int argc, char** argv)                               \
    {                                                             \
        test_support::PrivateFolders();                           \
        QApplication app(argc, argv);                             \
        test_support::WatchForForgottenModals();                  \
        TestClass tc;                                             \
        return QTest::qExec(&tc, argc, argv);                     \
    }
