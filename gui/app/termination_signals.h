// SPDX-License-Identifier: MIT
#pragma once

#include <functional>

#include <QObject>

class QSocketNotifier;

// SIGTERM and SIGHUP reach the program through its event loop: the handler
// only writes the signal's number into a pipe, whose other end the loop
// watches, so nothing but a write happens inside the handler.
class CTerminationSignals final : public QObject {
    Q_OBJECT
public:
    explicit CTerminationSignals(std::function<void(int signal)> onSignal, QObject* parent = nullptr);
    ~CTerminationSignals() override;

private:
    std::function<void(int)> m_onSignal;
    QSocketNotifier* m_pNotifier = nullptr;
};
