// SPDX-License-Identifier: MIT
// A file picked in a file dialog is the file with the name the person saw,
// also when that name is not UTF-8 and the dialog shows it with U+FFFD.
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

#include "gui/app/path_text.h"
#include "widget_test_support.h"

class PickedPathTest final : public QObject {
    Q_OBJECT
private slots:
    void pickIsMatchedWithTheRealNames()
    {
        QTemporaryDir dir;
        const std::string folder = dir.path().toStdString() + "/";
        const auto make = [&](const char* name) {
            const int fd = ::open((folder + name).c_str(), O_CREAT | O_WRONLY, 0644);
            QVERIFY(fd >= 0);
            ::close(fd);
        };
        const QString seen = dir.path() + QStringLiteral("/x\uFFFD.ovr");
        QCOMPARE(PickedPath(seen), seen);  // a new name, saved as typed
        make("x\xff.ovr");
        QCOMPARE(EncodePath(PickedPath(seen)), folder + "x\xff.ovr");
        make("x\xef\xbf\xbd.ovr");  // the same look, in UTF-8
        QVERIFY(PickedPath(seen).isEmpty());
        const QString plain = dir.path() + QStringLiteral("/plain.ovr");
        QCOMPARE(PickedPath(plain), plain);
    }
};

OVRIN_WIDGET_TEST_MAIN(PickedPathTest)
#include "picked_path_test.moc"
