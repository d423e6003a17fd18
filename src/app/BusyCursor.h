// The program's busy cursor: over one scope (BusyCursor busy(Qt::WaitCursor)),
// or from one event to a later one (Show and Hide on an object that lives
// that long). An object shows its cursor at most once however often Show is
// called, and takes it back when it goes. Main thread only.
#pragma once

#include <QApplication>

class BusyCursor {
public:
    BusyCursor() = default;
    explicit BusyCursor(Qt::CursorShape shape) { Show(shape); }
    ~BusyCursor() { Hide(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

    void Show(Qt::CursorShape shape)
    {
        if (shown_)
            return;
        QApplication::setOverrideCursor(shape);
        shown_ = true;
    }
    void Hide()
    {
        if (!shown_)
            return;
        QApplication::restoreOverrideCursor();
        shown_ = false;
    }

private:
    bool shown_ = false;
};
