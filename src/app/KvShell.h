// Stand-ins for the shell's file operations that the window uses.
#pragma once

#include <string>

class QWidget;

// Moves the folder or file at path to the desktop's trash after asking the
// user. Returns true when the user cancelled (or the move failed, which is
// reported in a message box), false when it went to the trash.
bool DeleteToRecycleBin(QWidget* owner, const std::string& path);
