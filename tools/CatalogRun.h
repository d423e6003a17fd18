// scanlark-check's fixity catalogue (--catalog FILE): the checking threads
// look files up in it, the main thread records what was checked (or, with
// --verify, only compares) and, after the run, finds the recorded files
// that are gone.
#pragma once

#include "CheckRunner.h"
#include "CheckTargets.h"
#include "fixity/FixityCatalog.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

struct CatalogSettings {
    std::string file;
    bool verify = false;         // compare only; the catalogue is not written
    bool changedOnly = false;    // files that look as recorded are not read
    bool forgetMissing = false;  // records of files that are gone are removed
    bool deep = false;           // the run decodes: a record without a deep verdict does not settle a file
    CheckTargetOptions targets;  // which recorded files a folder's listing would take
};

// The main thread's side; take(), commit*() and forEachMissing() on that
// thread only.
class CatalogKeeper {
public:
    // Opens the catalogue (creating it unless verifying): throws CatalogError
    // with the reason it cannot be used. stopping: asked while waiting for
    // another run's lock.
    CatalogKeeper(const CatalogSettings& settings, std::function<bool()> stopping);

    // For CheckReading::hooks: each checking thread's own connection.
    std::function<std::unique_ptr<CheckHooks>()> hooks() const;

    // A folder among the PATHs (any thread): its recorded files that are
    // gone at the end are missing.
    void addFolder(const std::string& path);

    // Each delivered file, in the listing's order: remembered as seen and,
    // unless verifying, recorded. A record whose content changed while size
    // and time stayed (Changed) is kept as it was: it is the evidence.
    void take(const CheckItem& item);
    // Commits the open batch when it holds kBatchRecords or is kBatchAge old.
    void commitIfDue();
    void commit();

    // After the last item: each recorded file under the folders given (as
    // the listing would have taken it: recursion, hidden names, shard, JPEG
    // names) that was not seen, did not move, and is gone now; per folder
    // in byte order. Removed with forgetMissing. Commits first.
    void forEachMissing(const std::function<void(const FixityRecord&)>& report);

    static constexpr size_t kBatchRecords = 1000;
    static constexpr std::chrono::milliseconds kBatchAge{1000};

private:
    bool underFolderAsListed(const std::string& folder, std::string_view path) const;

    CatalogSettings settings_;
    std::function<bool()> stopping_;
    FixityCatalog catalog_;
    std::chrono::steady_clock::time_point batchStart_{};
    int64_t runTime_;
    std::vector<uint64_t> seen_;  // path hashes of the files delivered
    std::unordered_set<std::string> movedFrom_;
    std::mutex foldersMutex_;
    std::vector<std::string> folders_;
};
