// Drives a modal dialog the way a person does: once the dialog of type T is
// the active modal window, drive runs on it (clicks and keys). A dialog the
// test left open is cancelled, so that the command that opened it returns.
#pragma once

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

template <typename T>
void WhenModal(std::function<void(T&)> drive, bool* reached = nullptr, int triesLeft = 500)
{
    QTimer::singleShot(10, [drive = std::move(drive), reached, triesLeft]() mutable {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!dialog) {
            if (triesLeft > 0)
                WhenModal<T>(std::move(drive), reached, triesLeft - 1);
            return;
        }
        if (reached)
            *reached = true;
        // Keys with Alt reach the buttons of the active window only.
        dialog->activateWindow();
        if (!QTest::qWaitForWindowActive(dialog))
            ADD_FAILURE() << "the dialog did not become active";
        drive(*dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
}

// The push button called name inside parent, clicked with the mouse.
inline void ClickButton(QWidget& parent, const char* name)
{
    auto* button = parent.findChild<QPushButton*>(QString::fromLatin1(name));
    if (!button) {
        ADD_FAILURE() << "no button " << name;
        return;
    }
    QTest::mouseClick(button, Qt::LeftButton);
}

// Alt + key in window: a button's mnemonic clicks it after its short
// pressed-down look, so this waits for that.
inline void PressMnemonic(QWidget& window, Qt::Key key)
{
    QTest::keyClick(&window, key, Qt::AltModifier);
    QTest::qWait(200);
}
