// Folder and file paths as the OS gives them: byte strings. This module owns
// the rules for a path's trailing "/", for comparing two paths, for making a
// start argument absolute and for taking a path apart. Display text for a
// path is platform/DisplayPath's.
//
// Every function is pure (AbsolutePath reads nothing but its arguments) and
// may be called from any thread.
#pragma once

#include <string>
#include <string_view>

// path with one trailing "/" ("" stays "").
std::string WithTrailingSlash(std::string path);

// path without its trailing "/" unless it is the root "/".
std::string WithoutTrailingSlash(std::string path);

// Whether a and b name the same folder: equal bytes once both carry a
// trailing "/". Linux folder names differ by case, so no case folding.
bool SamePath(std::string_view a, std::string_view b);

// path made absolute against workingFolder (itself absolute) when it is
// relative; "." and ".." steps and doubled "/" are folded lexically, so
// "scanlark ." opens the working folder itself. An empty path stays empty.
std::string AbsolutePath(const std::string& path, const std::string& workingFolder);

// The process's working folder as bytes, or "" when it cannot be read.
std::string CurrentWorkingFolder();

// The folder part of a file path with its trailing "/": "/a/b.jpg" gives
// "/a/", "/a" gives "/", "b.jpg" gives "".
std::string FolderOfPath(const std::string& path);

// The parent folder of a folder path, with trailing "/": "/a/b/" gives "/a/";
// "/" has no parent and gives "".
std::string ParentFolder(const std::string& folder);

// The last component of a folder path without its "/" ("/a/b/" gives "b");
// the root "/" gives "/".
std::string LastPathComponent(const std::string& folder);
