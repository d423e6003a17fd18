// scanlark-check's command line: getopt_long over the options its --help
// lists (combined short options, --name=value, "--" ending the options).
#pragma once

#include "CheckTargets.h"

#include <cstdint>
#include <string>
#include <vector>

struct CheckOptions {
    CheckTargetOptions targets;
    bool json = false;
    bool errorsOnly = false;
    bool quiet = false;
    bool deep = false;
    bool strict = false;      // with deep: a "warning" counts as damage
    uint64_t deepMemory = 0;  // what all decodes may hold at once; 0: the default
    bool print0 = false;    // the paths, each ended by NUL, instead of the table
    bool noHeader = false;
    unsigned jobs = 0;      // 0: one per core
    std::vector<std::string> paths;
    std::string filesFrom;  // a file of paths ("-": standard input), or empty
    char listSeparator = '\n';
    // The fixity catalogue, or empty; with it, what is done with it.
    std::string catalog;
    bool verify = false;
    bool changedOnly = false;
    bool forgetMissing = false;
    std::string importManifest;  // a manifest file ("-": standard input) to record, or empty
    bool manifest = false;  // sha256sum lines instead of the table
};

// Exit statuses.
inline constexpr int kExitSound = 0;
inline constexpr int kExitDamaged = 1;
inline constexpr int kExitUsage = 2;
// Something could not be read (a file, a folder, the file list), or the run
// could not go on (no file descriptor to be had): the output is not the
// whole answer, and the same run may succeed later.
inline constexpr int kExitIncomplete = 3;

// Parses argv; prints --help or --version and exits 0, or a usage error on
// stderr and exits kExitUsage.
CheckOptions ParseCheckOptions(int argc, char** argv);

// A usage error: message (escaped for the terminal) on stderr, exit 2.
[[noreturn]] void UsageError(const std::string& message);
