// Commands of the list, the tree and the address box run when their key is
// let go, and only when that key was pressed there: a release whose press
// went to a menu or a dialog (Enter that chose a menu entry) must not run a
// command in the list. Modifiers count as held at the press as well, since
// people (and input tools) often let go of Ctrl before the letter.
#pragma once

#include <QKeyEvent>

#include <optional>

class TKvKeyUpGate {
public:
    void Press(const QKeyEvent& e)
    {
        seen_ = true;
        if (!IsModifierKey(e.key())) {
            key_ = e.key();
            modifiers_ = e.modifiers();
        }
    }

    // The modifiers to act with when this release should act, else nothing.
    // A modifier's own release acts only when no other key is held, so the
    // held key's release still comes.
    std::optional<Qt::KeyboardModifiers> Release(const QKeyEvent& e)
    {
        if (e.isAutoRepeat() || !seen_)
            return std::nullopt;
        const bool modifier = IsModifierKey(e.key());
        if (modifier ? key_ != 0 : e.key() != key_)
            return std::nullopt;
        const Qt::KeyboardModifiers modifiers = e.modifiers() | (modifier ? Qt::NoModifier : modifiers_);
        seen_ = false;
        key_ = 0;
        modifiers_ = {};
        return modifiers;
    }

    static bool IsModifierKey(int key)
    {
        switch (key) {
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
        case Qt::Key_Meta:
        case Qt::Key_Super_L:
        case Qt::Key_Super_R:
        case Qt::Key_Hyper_L:
        case Qt::Key_Hyper_R:
            return true;
        default:
            return false;
        }
    }

private:
    bool seen_ = false;
    int key_ = 0;
    Qt::KeyboardModifiers modifiers_;
};
