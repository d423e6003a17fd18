// Which key releases run a command: sequences of presses and releases as
// keyboards and input tools send them.
#include "components/KvKeyUpGate.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

struct Step {
    bool press;
    int key;
    Qt::KeyboardModifiers modifiers;
};

// The key and modifiers of each release that acts.
std::vector<std::pair<int, Qt::KeyboardModifiers>> Acting(const std::vector<Step>& steps)
{
    TKvKeyUpGate gate;
    std::vector<std::pair<int, Qt::KeyboardModifiers>> acted;
    for (const Step& step : steps) {
        const QKeyEvent event(step.press ? QEvent::KeyPress : QEvent::KeyRelease, step.key, step.modifiers);
        if (step.press)
            gate.Press(event);
        else if (const std::optional<Qt::KeyboardModifiers> modifiers = gate.Release(event))
            acted.emplace_back(step.key, *modifiers);
    }
    return acted;
}

constexpr auto Ctrl = Qt::ControlModifier;
constexpr auto None = Qt::NoModifier;

TEST(KeyUpGate, ActsOnceOnTheReleaseOfTheKeyPressedHere)
{
    using Acts = std::vector<std::pair<int, Qt::KeyboardModifiers>>;
    // Ctrl+R let go in either order acts once, with Ctrl.
    EXPECT_EQ(Acting({{true, Qt::Key_Control, Ctrl}, {true, Qt::Key_R, Ctrl}, {false, Qt::Key_R, Ctrl},
                      {false, Qt::Key_Control, None}}),
              (Acts{{Qt::Key_R, Ctrl}}));
    EXPECT_EQ(Acting({{true, Qt::Key_Control, Ctrl}, {true, Qt::Key_R, Ctrl}, {false, Qt::Key_Control, None},
                      {false, Qt::Key_R, None}}),
              (Acts{{Qt::Key_R, Ctrl}}));
    // The Alt that opened a menu was pressed here, the Enter that chose an
    // entry was not: its release does nothing.
    EXPECT_EQ(Acting({{true, Qt::Key_Alt, Qt::AltModifier}, {false, Qt::Key_Return, None}}), Acts{});
    // A release without a press, and a held key's repeated releases.
    EXPECT_EQ(Acting({{false, Qt::Key_Delete, None}}), Acts{});
    // A modifier pressed and let go alone acts (the list loads its preview).
    const Acts alone = Acting({{true, Qt::Key_Shift, Qt::ShiftModifier}, {false, Qt::Key_Shift, None}});
    ASSERT_EQ(alone.size(), 1u);
    EXPECT_EQ(alone.front().first, Qt::Key_Shift);
    // Shift+Delete with Shift let go first still deletes for good.
    EXPECT_EQ(Acting({{true, Qt::Key_Shift, Qt::ShiftModifier}, {true, Qt::Key_Delete, Qt::ShiftModifier},
                      {false, Qt::Key_Shift, None}, {false, Qt::Key_Delete, None}}),
              (Acts{{Qt::Key_Delete, Qt::ShiftModifier}}));
}

TEST(KeyUpGate, AutoRepeatedReleasesWait)
{
    TKvKeyUpGate gate;
    gate.Press(QKeyEvent(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier));
    const QKeyEvent repeated(QEvent::KeyRelease, Qt::Key_Down, Qt::NoModifier, QString(), true);
    EXPECT_FALSE(gate.Release(repeated));
    EXPECT_TRUE(gate.Release(QKeyEvent(QEvent::KeyRelease, Qt::Key_Down, Qt::NoModifier)));
    EXPECT_FALSE(gate.Release(QKeyEvent(QEvent::KeyRelease, Qt::Key_Down, Qt::NoModifier)));
}

}  // namespace
