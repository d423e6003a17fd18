// Stand-ins for the shell's file operations that the window uses.
#pragma once

#include <string>

class QWidget;

// Moves the folder or file at path (bytes, never decoded) to the desktop's
// trash through MoveToTrash (KvTrash.h) after asking the user (Japanese
// question, "No" preselected). Main thread only.
// Returns true when nothing was moved: the user said no, or the move failed,
// which has then been reported in a Japanese message box and left the item
// where it was. Returns false only when the item is verified to be in the
// trash and gone from path.
bool DeleteToRecycleBin(QWidget* owner, const std::string& path);
