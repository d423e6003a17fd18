// Answering the program's dialogs from a test: the dialogs run their own
// loops, so the test acts on them from a timer once they are on screen.
#pragma once

#include <QApplication>
#include <QDeadlineTimer>
#include <QTimer>
#include <QWidget>

#include <functional>

// Answers still waiting belong to the test that asked for them: the end of
// each test (tests/ui/main.cpp) drops them, so that none answers a dialog of
// the next test.
inline int& PendingAnswersGeneration()
{
    static int generation = 0;
    return generation;
}
inline void DropPendingAnswers() { ++PendingAnswersGeneration(); }

// Calls act with the first visible top-level widget called objectName once
// there is one (polled every 10 ms, for up to 10 s, and no longer than the
// test that asked), then stops polling.
inline void WhenShown(const QString& objectName, std::function<void(QWidget*)> act,
                      QDeadlineTimer deadline = QDeadlineTimer(10000), int generation = PendingAnswersGeneration())
{
    QTimer::singleShot(10, [objectName, act = std::move(act), deadline, generation]() mutable {
        if (generation != PendingAnswersGeneration())
            return;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->isVisible() && widget->objectName() == objectName) {
                act(widget);
                return;
            }
        }
        if (!deadline.hasExpired())
            WhenShown(objectName, std::move(act), deadline, generation);
    });
}

// Whether a visible top-level widget called objectName exists now.
inline bool IsShown(const QString& objectName)
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && widget->objectName() == objectName)
            return true;
    return false;
}
