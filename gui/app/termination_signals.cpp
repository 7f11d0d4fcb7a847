// SPDX-License-Identifier: MIT
#include "gui/app/termination_signals.h"

#include <QSocketNotifier>

#include "platform/termination_signal_pipe.h"

CTerminationSignals::CTerminationSignals(std::function<void(int)> onSignal, QObject* parent)
    : QObject(parent), m_onSignal(std::move(onSignal))
{
    const int caught = CatchTerminationSignals();
    if (caught < 0)
        return;
    m_pNotifier = new QSocketNotifier(caught, QSocketNotifier::Read, this);
    connect(m_pNotifier, &QSocketNotifier::activated, this, [this] {
        while (const int number = NextCaughtSignal())
            m_onSignal(number);
    });
}

CTerminationSignals::~CTerminationSignals()
{
    // Nobody listens any more: the signals end the program as they would
    // without it.
    if (m_pNotifier)
        RestoreTerminationSignals();
}
