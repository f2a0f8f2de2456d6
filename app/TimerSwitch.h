#pragma once

#include <QTimer>

// Switching a timer on that is already on leaves its interval running, as
// switching it off that is off does nothing: only a change restarts it.
inline void SetTimerEnabled(QTimer *timer, bool enabled)
{
    if (enabled && !timer->isActive())
        timer->start();
    else if (!enabled && timer->isActive())
        timer->stop();
}
