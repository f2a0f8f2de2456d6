// Firing a timer by hand, for tests and benchmarks that drive the main
// window's timers without waiting for them.
#pragma once

#include <QCoreApplication>
#include <QTimer>
#include <QTimerEvent>

// Fires a running timer once, as the end of its interval would, without
// waiting for it. False when the timer is off.
inline bool Tick(QTimer *timer)
{
    if (!timer->isActive())
        return false;
    QTimerEvent tick(timer->timerId());
    QCoreApplication::sendEvent(timer, &tick);
    return true;
}
