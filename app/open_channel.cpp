// SPDX-License-Identifier: MIT
#include "app/open_channel.h"

#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QUrl>

namespace {

// One request is one line: "open <absolute path, UTF-8, percent-encoded so
// that no byte of it ends the line>"; the answer is "ok".
constexpr char kOpenPrefix[] = "open ";
constexpr char kAnswer[] = "ok\n";
// A request is short; anything longer is not from us.
constexpr qint64 kMaxRequest = 64 * 1024;

}  // namespace

COpenChannel::COpenChannel(QObject* parent) : QObject(parent) {}

COpenChannel::~COpenChannel()
{
    if (m_server)
        m_server->close();
}

QString COpenChannel::SocketName()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return QDir(dir).filePath(QStringLiteral("ovrin-%1.socket").arg(getuid()));
}

bool COpenChannel::IsOtherInstanceRunning()
{
    QLocalSocket socket;
    socket.connectToServer(SocketName());
    return socket.waitForConnected(1000);
}

bool COpenChannel::Listen()
{
    if (m_server)
        return m_server->isListening();
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(SocketName())) {
        if (IsOtherInstanceRunning())
            return false;
        // Nobody answers: the socket is left over from a program that ended
        // without closing it.
        QLocalServer::removeServer(SocketName());
        if (!m_server->listen(SocketName()))
            return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, &COpenChannel::OnNewConnection);
    return true;
}

bool COpenChannel::IsListening() const { return m_server && m_server->isListening(); }

void COpenChannel::OnNewConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->bytesAvailable() > kMaxRequest) {
                socket->abort();
                return;
            }
            if (!socket->canReadLine())
                return;
            const QByteArray line = socket->readLine(kMaxRequest).chopped(1);
            if (!line.startsWith(kOpenPrefix)) {
                socket->abort();
                return;
            }
            const QString path = QUrl::fromPercentEncoding(line.mid(sizeof(kOpenPrefix) - 1));
            socket->write(kAnswer);
            socket->flush();
            socket->disconnectFromServer();
            if (!path.isEmpty())
                emit openRequested(path);
        });
    }
}

bool COpenChannel::SendOpenRequest(const QString& path, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(SocketName());
    if (!socket.waitForConnected(timeoutMs))
        return false;
    QByteArray request(kOpenPrefix);
    request += QUrl::toPercentEncoding(QFileInfo(path).absoluteFilePath());
    request += '\n';
    socket.write(request);
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(timeoutMs))
            return false;
    }
    return socket.readLine().startsWith("ok");
}
