// Copies every file named on standard input (one path per line) into the
// folder given as the argument with CopyFiles, as the window's copy command
// does, and prints the wall seconds it took.
#include "platform/KvFileOperations.h"

#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: copy_files DESTINATION < paths\n");
        return 2;
    }
    std::vector<std::string> sources;
    for (std::string line; std::getline(std::cin, line);)
        if (!line.empty())
            sources.push_back(line);
    const auto start = std::chrono::steady_clock::now();
    const TKvFileOperationResult result = CopyFiles(sources, argv[1], {});
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    if (result.Done != sources.size() || !result.Failures.empty()) {
        std::fprintf(stderr, "copy_files: %zu of %zu copied\n", result.Done, sources.size());
        return 1;
    }
    std::printf("%.6f\n", seconds.count());
    return 0;
}
