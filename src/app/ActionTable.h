// The main window's commands in one table, kActions (ActionTable.cpp): for
// each action its object name, category, caption, hint ("short|long"),
// image, check behaviour, tag and the rule that enables it. The rules read
// facts that the concerns' controllers report (ReportFacts); applying them
// touches an action only when its state changes.
#pragma once

#include <optional>

class QWidget;
struct WindowParts;

// When an action is enabled. An action under None is never disabled.
enum class ActionRule {
    None,
    RowFocused,           // the list has a focused row
    RowsSelected,         // the list has a selected row
    ListHasRows,          // the list has rows
    HistoryBack,          // the history has an entry to go back to
    HistoryForward,       // the history has an entry to go forward to
    ImageShown,           // the preview shows an image
    ImageShownOrLoading,  // ... or one is being loaded into it
    SetAsideUndoable,     // a move that kept the folders can be undone
};

// What the rules read. A controller fills in the facts of its concern; an
// action whose fact is left empty is left as it is.
struct ActionFacts {
    std::optional<bool> RowFocused;
    std::optional<bool> RowsSelected;
    std::optional<bool> ListHasRows;
    std::optional<bool> HistoryBack;
    std::optional<bool> HistoryForward;
    std::optional<bool> ImageShown;
    std::optional<bool> ImageLoading;
    std::optional<bool> SetAsideUndoable;
};

// Makes the actions of kActions and the shared ones (help, about, the
// program's folder, exit) as children of owner into parts. The three view
// modes are one exclusive group; choosing one records it in
// parts.AppOptions->ImgViewMode.
void CreateWindowActions(QWidget* owner, WindowParts& parts);

// Enables or disables each action whose rule reads a fact that facts holds.
void ApplyActionRules(const WindowParts& parts, const ActionFacts& facts);

// The states that follow the settings: the refresh button runs the action of
// the refresh mode (a mode outside 0..2 keeps the action it has), and the
// view mode's action is the checked one.
void BindRefreshButton(const WindowParts& parts);
void CheckImageViewMode(const WindowParts& parts);
