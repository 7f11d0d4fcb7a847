// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// The one running program answers open requests from later starts over a
// local socket in the user's runtime folder: a second start with a file
// hands the file over and ends instead of opening a second window.
class COpenChannel final : public QObject {
    Q_OBJECT
public:
    explicit COpenChannel(QObject* parent = nullptr);
    ~COpenChannel() override;

    // Becomes the running program's end of the channel. False when another
    // running program already answers (a stale socket left by a crashed one
    // is removed and taken over).
    bool Listen();
    bool IsListening() const;

    // Hands a file to the running program; true once it has acknowledged.
    static bool SendOpenRequest(const QString& path, int timeoutMs = 3000);
    // Whether a running program answers at all.
    static bool IsOtherInstanceRunning();

    // Where the socket lives (per user).
    static QString SocketName();

signals:
    void openRequested(const QString& path);

private:
    void OnNewConnection();

    QLocalServer* m_server = nullptr;
};
