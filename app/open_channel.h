// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <list>
#include <memory>

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;
class QTimer;

// The one running program of a user answers open requests from later starts
// over a local socket in a folder only that user can reach: a later start
// with a file hands the file over and ends instead of opening a second
// window. The exchange is a request with a reply (see open_request.h): the
// running program answers once it has opened the file or knows it will not,
// and a request its sender gave up on is never acted on.
//
// One program holds the channel at a time, marked by a lock on a file next
// to the socket that the system releases when the program ends, however it
// ends. Only the holder creates, replaces (when left over from a crash) or
// removes the socket; every other start leaves it alone.
class COpenChannel final : public QObject {
    Q_OBJECT
public:
    // What the running program made of a request it took.
    enum class Outcome { Opened, Failed, Declined };
    // What a later start learns: Opened (it may end), Failed (the running
    // program tried and told the user why) or NotTaken (nobody answered in
    // time, or it declined: the later start opens the file itself).
    enum class HandOver { Opened, Failed, NotTaken };

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
    // Stops answering and removes the socket. Requests not yet acted on are
    // dropped, so their senders open the files themselves at once.
    void Close();

    // Whether the program can act on a request now (no modal question up);
    // asked again a little later while it cannot.
    void SetReadyCheck(std::function<bool()> ready) { m_ready = std::move(ready); }
    // Acts on a request; runs only after the sender confirmed it still waits.
    void SetOpenHandler(std::function<Outcome(const QString& path)> handler)
    {
        m_handler = std::move(handler);
    }

    // A later start's side, blocking: hands path (made absolute) to the
    // program holding the channel in folder. timeoutMs bounds the wait until
    // that program is ready to act; once it acts, the sender waits for its
    // answer as long as the connection lasts.
    static HandOver SendOpenRequest(const QString& folder, const QString& path,
                                    int timeoutMs = kHandOverTimeoutMs);
    // Whether a program of this user answers on the channel in folder.
    static bool IsAnswered(const QString& folder, int timeoutMs = 1000);

    static constexpr int kHandOverTimeoutMs = 5000;

private:
    struct Request;
    void OnNewConnection();
    void OnReadable(Request* request);
    void OfferReady();
    void Serve(Request* request);
    void Drop(Request* request);

    QString m_folder;
    QLocalServer* m_server = nullptr;
    QTimer* m_retry = nullptr;
    int m_lockFd = -1;
    std::list<std::unique_ptr<Request>> m_requests;
    std::function<bool()> m_ready;
    std::function<Outcome(const QString&)> m_handler;
};
