// Turns the command line's PATHs into the ordered list of files to check.
#pragma once

#include <string>
#include <vector>

struct CheckTargetOptions {
    bool recursive = false;    // also the folders below, breadth-first
    bool skipHidden = false;   // names beginning with "." inside folders
};

struct CheckTargets {
    std::vector<std::string> files;
    // "PATH: reason" for every folder that could not be listed.
    std::vector<std::string> listingErrors;
};

// A PATH that is a folder contributes its .jpg/.jpeg files (any letter case)
// sorted by name, then (with recursive) those of its subfolders, level by
// level. Any other PATH, existing or not, is taken as a file as it stands.
// Folder links are followed once per folder, so a link loop still ends.
CheckTargets CollectCheckTargets(const std::vector<std::string>& paths, const CheckTargetOptions& options);

// True for names ending in .jpg or .jpeg, any letter case.
bool HasJpegExtension(const std::string& name);
