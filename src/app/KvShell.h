// Stand-ins for the shell's services that the window uses: the trash for
// the folder tree, and opening files and folders through the desktop.
#pragma once

#include <QStringList>
#include <QUrl>

#include <functional>
#include <string>
#include <vector>


class QWidget;

// Moves the folder or file at path (bytes, never decoded) to the desktop's
// trash through MoveToTrash (KvTrash.h) after asking the user (Japanese
// question, "No" preselected). Main thread only.
// Returns true when nothing was moved: the user said no, or the move failed,
// which has then been reported in a Japanese message box and left the item
// where it was. Returns false only when the item is verified to be in the
// trash and gone from path.
bool DeleteToRecycleBin(QWidget* owner, const std::string& path);

// The desktop's services behind the open commands. Main thread only; a test
// replaces them with recorders (and puts the old ones back).
struct TKvDesktopServices {
    // Opens a file or folder URL with the program the desktop associates
    // with it (xdg-open); done(false) when that cannot be done (no opener,
    // no program for the type), possibly later from the event loop.
    std::function<void(const QUrl&, std::function<void(bool)> done)> OpenUrl;
    // Asks the file manager to show these file URLs selected; done(false)
    // when no file manager answers, possibly later from the event loop.
    std::function<void(const QStringList& urls, std::function<void(bool)> done)> ShowItems;
};
TKvDesktopServices& DesktopServices();

// The file URL of a path, its bytes percent-encoded, so that a name that is
// not UTF-8 reaches the other program unchanged.
QUrl FileUrlOfPath(const std::string& path);

// The open commands; nothing waits for the programs they start. Each says
// in one Japanese message over owner which of its files or folders could
// not be opened, once all have answered (so once per command, however many
// files it names).
// Opens the files with their associated programs.
void ShellOpenFiles(QWidget* owner, const std::vector<std::string>& files);
// Opens the folders (a trailing "/" is added when missing) in the file manager.
void ShellOpenFolders(QWidget* owner, const std::vector<std::string>& folders);
// Shows each file selected in a file manager window; without a file manager
// that answers, opens the file's folder instead.
void ExploreFolders(QWidget* owner, const std::vector<std::string>& files);
