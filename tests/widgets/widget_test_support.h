// SPDX-License-Identifier: MIT
#pragma once

// Shared by the widget tests: a private profile, data and runtime folder for
// the whole test process, and a way to answer the modal dialogs a command
// opens.

#include <cstdlib>
#include <functional>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

namespace test_support {

// Points XDG_CONFIG_HOME, XDG_DATA_HOME and XDG_RUNTIME_DIR into a fresh
// temporary folder. Must run before the first QSettings is made, so the
// tests' main functions call it before QApplication.
inline QTemporaryDir& PrivateFolders()
{
    static QTemporaryDir dir;
    static const bool set = [] {
        const QByteArray root = dir.path().toLocal8Bit();
        for (const char* sub : {"config", "data", "runtime"})
            QDir(dir.path()).mkpath(QString::fromLatin1(sub));
        QFile::setPermissions(dir.path() + QStringLiteral("/runtime"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                  QFileDevice::ExeOwner);
        setenv("XDG_CONFIG_HOME", (root + "/config").constData(), 1);
        setenv("XDG_DATA_HOME", (root + "/data").constData(), 1);
        setenv("XDG_RUNTIME_DIR", (root + "/runtime").constData(), 1);
        return true;
    }();
    (void)set;
    return dir;
}

// Runs action; the first modal dialog it opens is handed to answer, which
// must close it. Returns the dialog's window title, or an empty string when
// no modal dialog came up.
inline QString AnswerModal(const std::function<void()>& action,
                           const std::function<void(QWidget*)>& answer)
{
    QString seen;
    bool done = false;
    std::function<void()> probe;
    probe = [&] {
        if (done)
            return;
        if (QWidget* modal = QApplication::activeModalWidget()) {
            done = true;
            seen = modal->windowTitle().isEmpty() ? QString::fromLatin1(modal->metaObject()->className())
                                                  : modal->windowTitle();
            answer(modal);
        }
    };
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, probe);
    timer.start();
    action();
    timer.stop();
    done = true;
    return seen;
}

}  // namespace test_support

// A main() that sets up the private folders before the application exists.
#define OVRIN_WIDGET_TEST_MAIN(TestClass)                         \
    int main(int argc, char** argv)                               \
    {                                                             \
        test_support::PrivateFolders();                           \
        QApplication app(argc, argv);                             \
        TestClass tc;                                             \
        return QTest::qExec(&tc, argc, argv);                     \
    }
