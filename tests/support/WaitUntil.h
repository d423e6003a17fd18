// Runs the Qt event loop until a condition holds, with a deadline instead
// of a sleep.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>

#include <functional>

// True once done() holds; false when timeoutMs passed first.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}
