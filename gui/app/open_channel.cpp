// SPDX-License-Identifier: MIT
#include "gui/app/open_channel.h"

#include <algorithm>
#include <cstdlib>

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QPointer>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>

#include "gui/app/open_request.h"
#include "platform/current_folder.h"
#include "platform/free_descriptors.h"
#include "platform/local_listener.h"
#include "platform/lock_file.h"
#include "platform/private_folder.h"
#include "platform/socket_peer.h"
#include "platform/user_id.h"

namespace {

// While the program cannot act (a modal question is up), taken files are
// looked at again this often.
constexpr int kRetryMs = 200;
// How often connections are checked for idleness while there are any.
constexpr int kSweepMs = 1000;
// Descriptors left free for the program (its recovery record, the file it
// opens next) and for the next connection.
constexpr long kSpareDescriptors = 4;
// With no descriptor left and no idle connection to close, new connections
// wait in the socket's queue; taking them is tried again this often (the
// program may close a file meanwhile).
constexpr int kResumeMs = 250;

QByteArray Line(const char* word) { return QByteArray(word) + '\n'; }

// Reads one line within the deadline; empty when none came (timeout, closed
// connection, or a line too long to be ours).
QByteArray ReadLine(QLocalSocket& socket, QDeadlineTimer deadline)
{
    while (!socket.canReadLine()) {
        if (socket.bytesAvailable() > qint64(open_request::kMaxLine))
            return {};
        const qint64 left = deadline.isForever() ? -1 : deadline.remainingTime();
        if (left == 0 || !socket.waitForReadyRead(int(left)))
            return {};
    }
    return socket.readLine(open_request::kMaxLine).chopped(1);
}

bool PeerIsUs(int fd) { return PeerUid(fd) == long(CurrentUserId()); }
bool PeerIsUs(const QLocalSocket& socket) { return PeerIsUs(int(socket.socketDescriptor())); }

}  // namespace

struct COpenChannel::Connection final {
    enum class Stage {
        Reading,  // waiting for the request line
        Offered,  // "ready" sent, waiting for "go"
    };
    QPointer<QLocalSocket> socket;
    std::string path;
    Stage stage = Stage::Reading;
    QElapsedTimer age;
};

COpenChannel::COpenChannel(const QString& folder, QObject* parent)
    : QObject(parent), m_folder(folder)
{
}

COpenChannel::~COpenChannel() { Close(); }

QString COpenChannel::DefaultFolder()
{
    std::string why;
    const std::string folder = ChooseChannelFolder(
        getenv("XDG_RUNTIME_DIR"), QFile::encodeName(QDir::tempPath()).toStdString(), CurrentUserId(), &why);
    if (folder.empty())
        QTextStream(stderr) << "Ovrin: no private folder for open requests ("
                            << QString::fromStdString(why) << "); every start opens its own window.\n";
    return QFile::decodeName(QByteArray::fromStdString(folder));
}

QString COpenChannel::SocketPath(const QString& folder)
{
    return QDir(folder).filePath(QStringLiteral("ovrin.socket"));
}

bool COpenChannel::Listen()
{
    if (IsListening())
        return true;
    if (m_folder.isEmpty() || !IsPrivateFolder(QFile::encodeName(m_folder).toStdString(), CurrentUserId()))
        return false;
    const QByteArray lockPath = QFile::encodeName(QDir(m_folder).filePath(QStringLiteral("ovrin.lock")));
    // Fails too when another program holds the channel; its socket stays as it is.
    const int fd = TakeLock(lockPath.toStdString());
    if (fd < 0)
        return false;
    m_lockFd = fd;
    // Holding the lock, whatever socket is there was left by a program
    // that has ended: replace it.
    const QString path = SocketPath(m_folder);
    QFile::remove(path);
    m_listenFd = ListenLocal(QFile::encodeName(path).toStdString());
    if (m_listenFd < 0) {
        ReleaseLock(m_lockFd);
        m_lockFd = -1;
        return false;
    }
    m_notifier = new QSocketNotifier(qintptr(m_listenFd), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &COpenChannel::OnNewConnection);
    m_sweep = new QTimer(this);
    m_sweep->setInterval(kSweepMs);
    connect(m_sweep, &QTimer::timeout, this, &COpenChannel::Sweep);
    m_retry = new QTimer(this);
    m_retry->setInterval(kRetryMs);
    connect(m_retry, &QTimer::timeout, this, &COpenChannel::OpenTaken);
    m_resume = new QTimer(this);
    m_resume->setSingleShot(true);
    m_resume->setInterval(kResumeMs);
    connect(m_resume, &QTimer::timeout, this, &COpenChannel::Resume);
    return true;
}

bool COpenChannel::IsListening() const { return m_listenFd >= 0; }

void COpenChannel::Close()
{
    while (!m_connections.empty())
        Drop(m_connections.front().get());
    if (m_retry)
        m_retry->stop();
    if (m_sweep)
        m_sweep->stop();
    if (m_resume)
        m_resume->stop();
    delete m_notifier;
    m_notifier = nullptr;
    if (m_listenFd >= 0) {
        CloseLocal(m_listenFd);
        m_listenFd = -1;
        // Removes the socket: ours, since we hold the lock.
        QFile::remove(SocketPath(m_folder));
    }
    if (m_lockFd >= 0) {
        ReleaseLock(m_lockFd);
        m_lockFd = -1;
    }
    m_taken.clear();
}

void COpenChannel::OnNewConnection()
{
    // One connection per call, as the socket has one waiting: with no
    // descriptor left, accepting fails whether one waits or not.
    int fd = -1;
    AcceptOutcome outcome;
    while ((outcome = AcceptLocal(m_listenFd, &fd)) == AcceptOutcome::OutOfDescriptors) {
        // The oldest connection that has not even sent its request makes
        // room; with none, the new one waits until a connection closes.
        if (!DropIdle()) {
            Pause();
            return;
        }
    }
    if (outcome != AcceptOutcome::Accepted)
        return;
    if (!PeerIsUs(fd)) {
        CloseLocal(fd);
        return;
    }
    auto* socket = new QLocalSocket(this);
    if (!socket->setSocketDescriptor(qintptr(fd))) {
        delete socket;
        CloseLocal(fd);
        return;
    }
    // Room is kept for the program and the next connection, as is the
    // cap. The oldest that has not even sent its request goes first; one
    // offered "ready" answers within moments, and goes only for the cap.
    while (!m_connections.empty() && (int(m_connections.size()) >= kMaxConnections ||
                                      FreeDescriptors() < kSpareDescriptors)) {
        if (DropIdle())
            continue;
        if (int(m_connections.size()) < kMaxConnections)
            break;
        Drop(m_connections.front().get());
    }
    m_connections.push_back(std::make_unique<Connection>());
    if (!m_sweep->isActive())
        m_sweep->start();
    Connection* connection = m_connections.back().get();
    connection->socket = socket;
    connection->age.start();
    connect(socket, &QLocalSocket::readyRead, this, [this, connection] { OnReadable(connection); });
    connect(socket, &QLocalSocket::disconnected, this, [this, connection] { Drop(connection); });
    if (socket->bytesAvailable() > 0)
        OnReadable(connection);
}

bool COpenChannel::DropIdle()
{
    const auto oldest = std::find_if(m_connections.begin(), m_connections.end(), [](const auto& c) {
        return c->stage == Connection::Stage::Reading;
    });
    if (oldest == m_connections.end())
        return false;
    Drop(oldest->get());
    return true;
}

void COpenChannel::Pause()
{
    m_notifier->setEnabled(false);
    m_resume->start();
}

void COpenChannel::Resume()
{
    m_resume->stop();
    if (m_notifier)
        m_notifier->setEnabled(true);
}

void COpenChannel::OnReadable(Connection* connection)
{
    QLocalSocket* socket = connection->socket;
    if (!socket)
        return;
    if (socket->canReadLine()) {
        const QByteArray line = socket->readLine(open_request::kMaxLine).chopped(1);
        if (connection->stage == Connection::Stage::Reading) {
            const std::optional<std::string> path = open_request::ParseRequest(line.toStdString());
            if (!path) {
                Drop(connection);
                return;
            }
            connection->path = *path;
            connection->stage = Connection::Stage::Offered;
            socket->write(Line(open_request::kReady));
            socket->flush();
            if (socket->canReadLine())
                OnReadable(connection);
            return;
        }
        if (line == open_request::kGo) {
            // Taken: the sender has ended or is about to.
            m_taken.push_back(std::move(connection->path));
            Drop(connection);
            OpenTaken();
            return;
        }
        Drop(connection);  // anything else is not our protocol
        return;
    }
    if (socket->bytesAvailable() > qint64(open_request::kMaxLine))
        Drop(connection);
}

void COpenChannel::Sweep()
{
    for (auto it = m_connections.begin(); it != m_connections.end();) {
        Connection* connection = (it++)->get();
        if (connection->age.hasExpired(kIdleTimeoutMs))
            Drop(connection);
    }
    if (m_connections.empty())
        m_sweep->stop();
}

void COpenChannel::OpenTaken()
{
    // A file opened may ask a question whose event loop brings more
    // requests: they wait for the loop below.
    if (m_opening)
        return;
    while (!m_taken.empty()) {
        if (m_ready && !m_ready()) {
            if (m_retry && !m_retry->isActive())
                m_retry->start();
            return;
        }
        const std::string path = std::move(m_taken.front());
        m_taken.pop_front();
        m_opening = true;
        if (m_handler)
            m_handler(path);
        m_opening = false;
    }
    if (m_retry)
        m_retry->stop();
}

void COpenChannel::Drop(Connection* connection)
{
    for (auto it = m_connections.begin(); it != m_connections.end(); ++it) {
        if (it->get() != connection)
            continue;
        if (QLocalSocket* socket = connection->socket) {
            socket->disconnect(this);
            socket->abort();
            socket->deleteLater();
        }
        m_connections.erase(it);
        // Its descriptor is free again for a connection kept waiting.
        if (m_notifier && !m_notifier->isEnabled())
            Resume();
        return;
    }
}

COpenChannel::HandOver COpenChannel::SendOpenRequest(const QString& folder, const std::string& path,
                                                     int timeoutMs)
{
    if (folder.isEmpty() || path.empty())
        return HandOver::NotTaken;
    std::string absolute = path;
    if (absolute.front() != '/') {
        const std::string cwd = CurrentFolder();
        if (cwd.empty())
            return HandOver::NotTaken;
        absolute = cwd + '/' + path;
    }
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(SocketPath(folder));
    if (!socket.waitForConnected(int(deadline.remainingTime())) || !PeerIsUs(socket))
        return HandOver::NotTaken;
    socket.write(QByteArray::fromStdString(open_request::FormatRequest(absolute)) + '\n');
    if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
        return HandOver::NotTaken;
    if (ReadLine(socket, deadline) != open_request::kReady)
        return HandOver::NotTaken;  // giving up: the connection closes unconfirmed
    socket.write(Line(open_request::kGo));
    if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
        return HandOver::NotTaken;
    return HandOver::Taken;
}

bool COpenChannel::IsAnswered(const QString& folder, int timeoutMs)
{
    if (folder.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(SocketPath(folder));
    return socket.waitForConnected(timeoutMs) && PeerIsUs(socket);
}
