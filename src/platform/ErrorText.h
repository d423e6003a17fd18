// The system's reason for a failed call, as the window shows it: in
// Japanese for the reasons a person meets with files, the system's own text
// for the rest. Any thread.
#pragma once

#include <string>

// UTF-8 text for an errno value.
std::string ErrorText(int error);
