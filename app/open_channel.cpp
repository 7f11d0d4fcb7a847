// SPDX-License-Identifier: MIT
#include "app/open_channel.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTextStream>
#include <QTimer>

#include "app/channel_folder.h"
#include "app/open_request.h"

namespace {

// While the program cannot act (a modal question is up), waiting requests
// are looked at again this often.
constexpr int kRetryMs = 200;

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

bool PeerIsUs(const QLocalSocket& socket)
{
    return PeerUid(int(socket.socketDescriptor())) == long(getuid());
}

}  // namespace

struct COpenChannel::Request final {
    enum class Stage {
        Reading,   // waiting for the request line
        Waiting,   // waiting until the program can act
        Offered,   // "ready" sent, waiting for "go"
        Serving,   // the handler runs
    };
    QPointer<QLocalSocket> socket;
    QString path;
    Stage stage = Stage::Reading;
    bool gone = false;  // the connection ended while the handler ran
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
        getenv("XDG_RUNTIME_DIR"), QFile::encodeName(QDir::tempPath()).toStdString(), getuid(), &why);
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
    if (m_folder.isEmpty() || !IsPrivateFolder(QFile::encodeName(m_folder).toStdString(), getuid()))
        return false;
    const QByteArray lockPath = QFile::encodeName(QDir(m_folder).filePath(QStringLiteral("ovrin.lock")));
    const int fd = open(lockPath.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        // Another program holds the channel; its socket stays as it is.
        close(fd);
        return false;
    }
    m_lockFd = fd;
    // Holding the lock, whatever socket is there was left by a program
    // that has ended: replace it.
    const QString path = SocketPath(m_folder);
    QLocalServer::removeServer(path);
    m_server = new QLocalServer(this);
    if (!m_server->listen(path)) {
        delete m_server;
        m_server = nullptr;
        close(m_lockFd);
        m_lockFd = -1;
        return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, &COpenChannel::OnNewConnection);
    m_retry = new QTimer(this);
    m_retry->setInterval(kRetryMs);
    connect(m_retry, &QTimer::timeout, this, &COpenChannel::OfferReady);
    return true;
}

bool COpenChannel::IsListening() const { return m_server && m_server->isListening(); }

void COpenChannel::Close()
{
    for (auto it = m_requests.begin(); it != m_requests.end();) {
        Request* request = it->get();
        if (QLocalSocket* socket = request->socket) {
            socket->disconnect(this);  // no Drop while we walk the list
            socket->abort();
            socket->deleteLater();
        }
        if (request->stage == Request::Stage::Serving) {
            request->gone = true;  // Serve finishes it
            ++it;
        } else {
            it = m_requests.erase(it);
        }
    }
    if (m_retry)
        m_retry->stop();
    if (m_server) {
        // Removes the socket: ours, since we hold the lock.
        m_server->close();
        delete m_server;
        m_server = nullptr;
    }
    if (m_lockFd >= 0) {
        close(m_lockFd);
        m_lockFd = -1;
    }
}

void COpenChannel::OnNewConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        if (!PeerIsUs(*socket)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        m_requests.push_back(std::make_unique<Request>());
        Request* request = m_requests.back().get();
        request->socket = socket;
        connect(socket, &QLocalSocket::readyRead, this, [this, request] { OnReadable(request); });
        connect(socket, &QLocalSocket::disconnected, this, [this, request] { Drop(request); });
        if (socket->bytesAvailable() > 0)
            OnReadable(request);
    }
}

void COpenChannel::OnReadable(Request* request)
{
    QLocalSocket* socket = request->socket;
    if (!socket)
        return;
    while (socket->canReadLine()) {
        const QByteArray line = socket->readLine(open_request::kMaxLine).chopped(1);
        if (request->stage == Request::Stage::Reading) {
            const std::optional<std::string> path = open_request::ParseRequest(line.toStdString());
            if (!path) {
                Drop(request);
                return;
            }
            request->path = QFile::decodeName(QByteArray::fromStdString(*path));
            request->stage = Request::Stage::Waiting;
            OfferReady();
            return;
        }
        if (request->stage == Request::Stage::Offered && line == open_request::kGo) {
            Serve(request);
            return;
        }
        Drop(request);  // anything else is not our protocol
        return;
    }
    if (socket->bytesAvailable() > qint64(open_request::kMaxLine))
        Drop(request);
}

void COpenChannel::OfferReady()
{
    bool waiting = false;
    for (const auto& request : m_requests) {
        if (request->stage != Request::Stage::Waiting || !request->socket)
            continue;
        if (m_ready && !m_ready()) {
            waiting = true;
            continue;
        }
        request->stage = Request::Stage::Offered;
        request->socket->write(Line(open_request::kReady));
        request->socket->flush();
    }
    if (waiting && m_retry && !m_retry->isActive())
        m_retry->start();
    else if (!waiting && m_retry)
        m_retry->stop();
}

void COpenChannel::Serve(Request* request)
{
    request->stage = Request::Stage::Serving;
    Outcome outcome = Outcome::Declined;
    // Things may have changed since "ready": ask once more.
    if (m_handler && (!m_ready || m_ready()))
        outcome = m_handler(request->path);
    if (!request->gone && request->socket) {
        const char* answer = outcome == Outcome::Opened   ? open_request::kOpened
                             : outcome == Outcome::Failed ? open_request::kFailed
                                                          : open_request::kDeclined;
        request->socket->write(Line(answer));
        request->socket->flush();
        request->socket->disconnectFromServer();
    }
    request->gone = true;
    request->stage = Request::Stage::Reading;  // no longer protected
    Drop(request);
}

void COpenChannel::Drop(Request* request)
{
    if (request->stage == Request::Stage::Serving) {
        request->gone = true;
        return;
    }
    for (auto it = m_requests.begin(); it != m_requests.end(); ++it) {
        if (it->get() != request)
            continue;
        if (QLocalSocket* socket = request->socket) {
            socket->disconnect(this);
            if (socket->state() != QLocalSocket::UnconnectedState)
                socket->disconnectFromServer();
            socket->deleteLater();
        }
        m_requests.erase(it);
        return;
    }
}

COpenChannel::HandOver COpenChannel::SendOpenRequest(const QString& folder, const QString& path,
                                                     int timeoutMs)
{
    if (folder.isEmpty())
        return HandOver::NotTaken;
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(SocketPath(folder));
    if (!socket.waitForConnected(int(deadline.remainingTime())) || !PeerIsUs(socket))
        return HandOver::NotTaken;
    const std::string request = open_request::FormatRequest(
        QFile::encodeName(QFileInfo(path).absoluteFilePath()).toStdString());
    socket.write(QByteArray::fromStdString(request) + '\n');
    if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
        return HandOver::NotTaken;
    if (ReadLine(socket, deadline) != open_request::kReady)
        return HandOver::NotTaken;  // giving up: the connection closes unconfirmed
    // From here the running program acts; its answer may wait on the user.
    socket.write(Line(open_request::kGo));
    if (!socket.waitForBytesWritten(-1) && socket.state() != QLocalSocket::ConnectedState)
        return HandOver::NotTaken;
    const QByteArray answer = ReadLine(socket, QDeadlineTimer(QDeadlineTimer::Forever));
    if (answer == open_request::kOpened)
        return HandOver::Opened;
    if (answer == open_request::kFailed)
        return HandOver::Failed;
    return HandOver::NotTaken;
}

bool COpenChannel::IsAnswered(const QString& folder, int timeoutMs)
{
    if (folder.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(SocketPath(folder));
    return socket.waitForConnected(timeoutMs) && PeerIsUs(socket);
}
