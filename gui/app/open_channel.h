// SPDX-License-Identifier: MIT
#pragma once

#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <string>

#include <QObject>
#include <QString>

class QSocketNotifier;
class QTimer;

// The one running program of a user answers open requests from later starts
// over a local socket in a folder only that user can reach: a later start
// with a file hands the file over and ends instead of opening a second
// window. The exchange is short (see open_request.h): the running program
// takes a request at once, even while a dialog is up, and opens the file
// as soon as it can act, reporting any failure itself. A later start waits
// only for that answer; a request its sender gave up on is never acted on.
//
// One program holds the channel at a time, marked by a lock on a file next
// to the socket that the system releases when the program ends, however it
// ends. Only the holder creates, replaces (when left over from a crash) or
// removes the socket; every other start leaves it alone.
//
// Connections that send nothing cost a descriptor each: they are closed
// after a while and only so many are kept. Short of descriptors (a low
// limit, a burst of connections) the channel keeps some free for the
// program: it closes the idle connections first, and with none left to
// close it stops taking new ones, which wait, until a connection closes.
// The socket itself keeps listening throughout.
class COpenChannel final : public QObject {
    Q_OBJECT
public:
    // What a later start learns: Taken (it may end), or NotTaken (nobody
    // answered in time: the later start opens the file itself).
    enum class HandOver { Taken, NotTaken };

    // folder is where the socket lives; use DefaultFolder() in the program.
    explicit COpenChannel(const QString& folder, QObject* parent = nullptr);
    ~COpenChannel() override;

    // The user's private folder for the channel; empty (with a warning on
    // stderr) when none can be had safely.
    static QString DefaultFolder();
    static QString SocketPath(const QString& folder);

    // Becomes the program that answers. False when another program of the
    // user holds the channel (its socket is not touched) or the folder is
    // unusable.
    bool Listen();
    bool IsListening() const;
    // Stops answering and removes the socket. Senders still waiting for an
    // answer open their files themselves.
    void Close();
    // Whether files were taken that are not yet opened (the program cannot
    // act yet).
    bool HasTaken() const { return !m_taken.empty(); }

    // Whether the program can act on a taken request now (no modal question
    // up); asked again a little later while it cannot.
    void SetReadyCheck(std::function<bool()> ready) { m_ready = std::move(ready); }
    // Opens a taken file (its path as bytes, absolute); reports failures itself.
    void SetOpenHandler(std::function<void(const std::string& path)> handler)
    {
        m_handler = std::move(handler);
    }

    // A later start's side, blocking: hands path (bytes, made absolute) to
    // the program holding the channel in folder, waiting at most timeoutMs
    // for it to take the file.
    static HandOver SendOpenRequest(const QString& folder, const std::string& path,
                                    int timeoutMs = kHandOverTimeoutMs);
    // Whether a program of this user answers on the channel in folder.
    static bool IsAnswered(const QString& folder, int timeoutMs = 1000);

    static constexpr int kHandOverTimeoutMs = 2000;
    // A connection that has not completed its request by then is closed.
    static constexpr int kIdleTimeoutMs = 3000;
    // Connections kept at once; a new one beyond closes the oldest.
    static constexpr int kMaxConnections = 16;

private:
    struct Connection;
    void OnNewConnection();
    bool DropIdle();
    void Pause();
    void Resume();
    void OnReadable(Connection* connection);
    void Sweep();
    void OpenTaken();
    void Drop(Connection* connection);

    QString m_folder;
    int m_listenFd = -1;
    QSocketNotifier* m_notifier = nullptr;
    QTimer* m_sweep = nullptr;
    QTimer* m_retry = nullptr;
    QTimer* m_resume = nullptr;
    int m_lockFd = -1;
    std::list<std::unique_ptr<Connection>> m_connections;
    std::deque<std::string> m_taken;
    bool m_opening = false;
    std::function<bool()> m_ready;
    std::function<void(const std::string&)> m_handler;
};
