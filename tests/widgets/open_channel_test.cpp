// SPDX-License-Identifier: MIT
// The open-request channel between a running program and later starts,
// over the real socket (the later start runs in a thread, as it blocks).
#include <algorithm>
#include <future>
#include <vector>
#include <memory>

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "../common/child_program.h"
#include "platform/private_folder.h"
#include "gui/app/open_channel.h"
#include "gui/app/open_request.h"

namespace {

using HandOver = COpenChannel::HandOver;

std::string Str(const QString& s) { return QFile::encodeName(s).toStdString(); }

QString MakePrivate(const QTemporaryDir& dir, const QString& name)
{
    const QString path = dir.filePath(name);
    QDir().mkpath(path);
    chmod(QFile::encodeName(path).constData(), 0700);
    return path;
}

std::future<HandOver> SendLater(const QString& folder, const QString& path, int timeoutMs)
{
    return std::async(std::launch::async, [=] {
        return COpenChannel::SendOpenRequest(folder, Str(path), timeoutMs);
    });
}

HandOver Await(std::future<HandOver>& answer)
{
    // The sender gives up within its own time; until then the loop serves it.
    QTest::qWaitFor([&] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
    return answer.get();
}

// A socket bound to path (as a crashed program leaves it) or connected to it;
// -1 when that fails.
int SocketAt(const QString& path, bool bind)
{
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    qstrncpy(addr.sun_path, QFile::encodeName(path).constData(), sizeof addr.sun_path);
    const auto* a = reinterpret_cast<sockaddr*>(&addr);
    if ((bind ? ::bind(fd, a, sizeof addr) : ::connect(fd, a, sizeof addr)) == 0)
        return fd;
    close(fd);
    return -1;
}

// Whether the other end has closed a connection (it sends nothing).
bool ClosedByPeer(int fd)
{
    char byte;
    return recv(fd, &byte, 1, MSG_DONTWAIT) == 0;
}

// The running program's end: it records every path it is asked to open.
struct Running {
    explicit Running(const QString& folder) : channel(folder)
    {
        channel.SetOpenHandler(
            [this](const std::string& path) { served << QFile::decodeName(path.c_str()); });
    }
    COpenChannel channel;
    QStringList served;
};

}  // namespace

class OpenChannelTest final : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    // The runtime folder when it is private; else a folder of our own in
    // the temporary folder, which must really be ours: made by someone else,
    // open to others or a link, it is refused rather than shared.
    void folderIsPrivateToTheUser()
    {
        const uid_t me = getuid();
        const QString runtime = MakePrivate(m_dir, QStringLiteral("runtime"));
        const QString temp = MakePrivate(m_dir, QStringLiteral("tmp"));
        const std::string own = Str(temp) + "/ovrin-" + std::to_string(me);

        QCOMPARE(ChooseChannelFolder(Str(runtime).c_str(), Str(temp), me), Str(runtime));
        QCOMPARE(ChooseChannelFolder(nullptr, Str(temp), me), own);
        QCOMPARE(ChooseChannelFolder("", Str(temp), me), own);  // found again: made private
        chmod(QFile::encodeName(runtime).constData(), 0755);
        QCOMPARE(ChooseChannelFolder(Str(runtime).c_str(), Str(temp), me), own);

        std::string why;
        chmod(own.c_str(), 0750);
        QCOMPARE(ChooseChannelFolder(nullptr, Str(temp), me, &why), std::string());
        QVERIFY(why.find("open to other users") != std::string::npos);
        chmod(own.c_str(), 0700);
        QCOMPARE(ChooseChannelFolder(nullptr, Str(temp), me + 1, &why), std::string());
        const std::string other = Str(temp) + "/ovrin-" + std::to_string(me + 1);
        QVERIFY(why.find("another user") != std::string::npos);
        rmdir(other.c_str());
        QVERIFY(symlink(Str(runtime).c_str(), other.c_str()) == 0 || errno == EEXIST);
        chmod(QFile::encodeName(runtime).constData(), 0700);
        QCOMPARE(ChooseChannelFolder(nullptr, Str(temp), me + 1, &why), std::string());
        QVERIFY(why.find("not a folder") != std::string::npos);
    }

    // Any name survives the line: blanks, line feeds, '%', UTF-8. What is
    // not a well-formed request of an absolute path is refused.
    void requestLines()
    {
        const std::string odd = "/a b/100%\n\xC3\x84.ovr";
        const std::string line = open_request::FormatRequest(odd);
        QVERIFY(line.find('\n') == std::string::npos);
        QCOMPARE(open_request::ParseRequest(line), std::optional<std::string>(odd));
        QCOMPARE(open_request::ParseRequest("open /x%2fy"), std::optional<std::string>("/x/y"));

        for (const char* bad : {"open relative.ovr", "open ", "open /a%2", "open /a%zz",
                                "open /a%00b", "Open /a", "open /a b", "go", ""})
            QVERIFY2(!open_request::ParseRequest(bad), bad);
        QVERIFY(!open_request::ParseRequest("open /" + std::string(open_request::kMaxLine, 'a')));
    }

    // A later start cannot take the channel nor remove its socket; a
    // relative name is opened from the sender's folder; a socket left by a
    // crash is replaced.
    void handOverIsAnsweredAndChannelKept()
    {
        const QString folder = MakePrivate(m_dir, QStringLiteral("answered"));
        const QString socketPath = COpenChannel::SocketPath(folder);
        auto running = std::make_unique<Running>(folder);
        QVERIFY(running->channel.Listen());
        {
            COpenChannel later(folder);
            QVERIFY(!later.Listen());
            QVERIFY(COpenChannel::IsAnswered(folder));
        }

        QDir::setCurrent(m_dir.path());
        auto answer = SendLater(folder, QStringLiteral("rel ative.ovr"), 5000);
        QCOMPARE(Await(answer), HandOver::Taken);
        QTRY_COMPARE(running->served, QStringList{m_dir.filePath(QStringLiteral("rel ative.ovr"))});

        running.reset();
        const int stale = SocketAt(socketPath, true);  // nobody listens, as after a crash
        QVERIFY(stale >= 0);
        close(stale);
        Running next(folder);
        QVERIFY(next.channel.Listen());
        answer = SendLater(folder, QStringLiteral("/a.ovr"), 5000);
        QCOMPARE(Await(answer), HandOver::Taken);
        QTRY_COMPARE(next.served.size(), 1);
    }

    // Connections that send nothing are kept up to the cap, the oldest
    // closed first beyond it, and every one once it has been idle too long;
    // the channel then still takes a hand-over.
    void idleAndSurplusConnectionsAreClosed()
    {
        const QString folder = MakePrivate(m_dir, QStringLiteral("idle"));
        Running running(folder);
        QVERIFY(running.channel.Listen());
        std::vector<int> silent;
        for (int i = 0; i < COpenChannel::kMaxConnections + 4; ++i) {
            silent.push_back(SocketAt(COpenChannel::SocketPath(folder), false));
            QVERIFY(silent.back() >= 0);
            QTest::qWait(20);  // accepted one by one, in this order
        }
        QTest::qWait(300);
        for (std::size_t i = 0; i < silent.size(); ++i)
            QCOMPARE(ClosedByPeer(silent[i]), i < 4);
        QTest::qWait(COpenChannel::kIdleTimeoutMs / 2);
        QVERIFY(!ClosedByPeer(silent.back()));
        QTRY_VERIFY_WITH_TIMEOUT(std::all_of(silent.begin(), silent.end(), ClosedByPeer),
                                 COpenChannel::kIdleTimeoutMs + 2000);
        for (const int fd : silent)
            close(fd);
        auto answer = SendLater(folder, QStringLiteral("/after.ovr"), 2000);
        QCOMPARE(Await(answer), HandOver::Taken);
    }

    // While a question is up a request is still taken at once, and the
    // file is opened when the question is answered. Once closed, a sender
    // finds nobody and opens its file itself.
    void busyProgramTakesRequests()
    {
        const QString folder = MakePrivate(m_dir, QStringLiteral("busy"));
        Running running(folder);
        QVERIFY(running.channel.Listen());
        qsizetype allowed = 0;
        running.channel.SetReadyCheck([&] { return running.served.size() < allowed; });

        for (const char* path : {"/first.ovr", "/second.ovr"}) {
            auto answer = SendLater(folder, QString::fromLatin1(path), 2000);
            QCOMPARE(Await(answer), HandOver::Taken);
        }
        QTest::qWait(300);
        QCOMPARE(running.served, QStringList());
        allowed = 1;
        QVERIFY(QTest::qWaitFor([&] { return running.served.size() == 1; }, 2000));
        QTest::qWait(500);
        QCOMPARE(running.served, QStringList{QStringLiteral("/first.ovr")});
        allowed = 2;
        QVERIFY(QTest::qWaitFor([&] { return running.served.size() == 2; }, 2000));

        allowed = 0;
        auto answer = SendLater(folder, QStringLiteral("/closing.ovr"), 2000);
        QCOMPARE(Await(answer), HandOver::Taken);
        running.channel.Close();
        QCOMPARE(COpenChannel::SendOpenRequest(folder, "/late.ovr", 1000), HandOver::NotTaken);
        QCOMPARE(running.served.size(), 2);
    }

    // With one descriptor left, a burst of connections that send nothing
    // neither stops the channel nor keeps a later start (the real `ovrin`)
    // out: an idle connection gives way to it.
    void handOverAtTheDescriptorLimit()
    {
        if (OvrinBinary().empty())
            QSKIP("OVRIN_BINARY is not set");
        const QString folder = MakePrivate(m_dir, QStringLiteral("limit"));
        Running running(folder);
        QVERIFY(running.channel.Listen());
        std::vector<int> silent;
        for (int i = 0; i < 40; ++i)
            silent.push_back(SocketAt(COpenChannel::SocketPath(folder), false));
        rlimit saved{};
        QVERIFY(getrlimit(RLIMIT_NOFILE, &saved) == 0);
        const int lowest = dup(0);  // every descriptor below it is in use
        close(lowest);
        rlimit low = saved;
        low.rlim_cur = rlim_t(lowest) + 1;
        QVERIFY(setrlimit(RLIMIT_NOFILE, &low) == 0);
        QTest::qWait(500);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("config"))));
        const QString file = m_dir.filePath(QStringLiteral("limit.ovr"));
        const pid_t later = StartChild({OvrinBinary(), Str(file)});
        const std::optional<int> status = ChildStatus(later, 5000, [] { QTest::qWait(20); });
        EndChild(later);
        setrlimit(RLIMIT_NOFILE, &saved);
        for (const int fd : silent)
            close(fd);
        QCOMPARE(status, std::optional<int>(0));
        QTRY_COMPARE(running.served, QStringList{file});

        // Short of descriptors, a connection is closed to make room only
        // when idle: a hand-over offered "ready" is still taken.
        const int offered = SocketAt(COpenChannel::SocketPath(folder), false);
        const std::string request = open_request::FormatRequest("/offered.ovr") + '\n';
        QVERIFY(write(offered, request.data(), request.size()) == ssize_t(request.size()));
        char answer[16];
        QVERIFY(QTest::qWaitFor([&] { return recv(offered, answer, sizeof answer, MSG_DONTWAIT) > 0; }));
        const int next = SocketAt(COpenChannel::SocketPath(folder), false);
        const int first = dup(0), second = dup(0);  // the two lowest free
        close(first);
        close(second);
        low.rlim_cur = rlim_t(second) + 1;  // one left once the next is taken
        QVERIFY(setrlimit(RLIMIT_NOFILE, &low) == 0);
        QTest::qWait(300);
        QVERIFY(send(offered, "go\n", 3, MSG_NOSIGNAL) == 3);
        QTRY_COMPARE(running.served.size(), 2);
        setrlimit(RLIMIT_NOFILE, &saved);
        close(next);
        close(offered);
    }
};

QTEST_GUILESS_MAIN(OpenChannelTest)
#include "open_channel_test.moc"
