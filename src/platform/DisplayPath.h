// Paths and names as text for the window, and as Qt's own file widgets
// name them. Paths are bytes (paths/BytePath); widgets show DisplayPath(...)
// but never hand their text back as a path: a name that is not UTF-8 would
// not survive the round trip.
//
// Every function is pure and may be called from any thread.
#pragma once

#include <QString>

#include <string>
#include <string_view>

// The bytes as text: valid UTF-8 as it is; otherwise CP932 (Shift_JIS) when
// the bytes decode cleanly, which is what such names are on Japanese
// archives; otherwise UTF-8 with U+FFFD for each bad sequence.
QString DisplayPath(std::string_view bytes);

// The bytes as text when they are valid UTF-8, else when they decode cleanly
// as Shift_JIS (cp932), which is what old Japanese names and comments are;
// false otherwise, with text then UTF-8 with U+FFFD for each bad sequence.
bool DecodeUtf8OrCp932(std::string_view bytes, QString& text);

// The bytes of a path the person typed (absolute): each part as UTF-8, or,
// where only its CP932 (Shift_JIS) spelling is on disk, as that, so that a
// folder with an old Japanese name can be reached by typing its name.
// Looks at the file system; parts that exist in neither spelling stay UTF-8.
std::string TypedPath(const QString& text);

// The names Qt's own file widgets (the folder tree's model, the folder
// chooser, dropped URLs) use for a path, and back. Qt decodes names as
// UTF-8, so these round-trip only for UTF-8 paths; they are for talking to
// those widgets, never for display or for opening files.
QString QtFileName(const std::string& path);
std::string FromQtFileName(const QString& name);
