// Copying the chosen files: many small ones (where the sync of each copy
// dominates) and one large one (where the chunked read/write loop does).
#include "platform/KvFileOperations.h"

#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Folders {
    std::string root;
    std::string destination;
    std::vector<std::string> sources;

    Folders(int count, size_t size)
    {
        root = (fs::temp_directory_path() / "scanlark-bench-XXXXXX").string();
        if (!::mkdtemp(root.data()))
            throw std::runtime_error("mkdtemp failed");
        destination = root + "/dst";
        fs::create_directories(root + "/src");
        const std::string bytes(size, 'j');
        for (int i = 0; i < count; ++i) {
            sources.push_back(root + "/src/" + std::to_string(i) + ".jpg");
            std::ofstream(sources.back(), std::ios::binary) << bytes;
        }
    }
    ~Folders() { fs::remove_all(root); }
};

void Copy(benchmark::State& state, int count, size_t size)
{
    Folders folders(count, size);
    for (auto _ : state) {
        fs::create_directories(folders.destination);
        const TKvFileOperationResult result = CopyFiles(folders.sources, folders.destination, {});
        if (result.Done != folders.sources.size())
            state.SkipWithError("copy failed");
        state.PauseTiming();
        fs::remove_all(folders.destination);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * count * static_cast<int64_t>(size));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * count);
}

void BM_CopySmallFiles(benchmark::State& state) { Copy(state, 200, 64 << 10); }
void BM_CopyLargeFile(benchmark::State& state) { Copy(state, 1, 64 << 20); }

BENCHMARK(BM_CopySmallFiles)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CopyLargeFile)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
