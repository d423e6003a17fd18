#include "CatalogRun.h"

#include "FixityFormat.h"
#include "paths/LongPath.h"

#include <algorithm>
#include <ctime>

#include <sys/stat.h>

namespace {

// Records of a new file's content looked at for the path it moved from.
constexpr size_t kMovedCandidates = 16;

// A checking thread's lookups, through a connection of its own.
class CatalogLookup final : public CheckHooks {
public:
    explicit CatalogLookup(const CatalogSettings& settings) : settings_(settings), catalog_(settings.file, CatalogOpening::Reader) {}

    bool settle(const CheckTarget& target, CheckOutcome& outcome) override
    {
        if (!settings_.changedOnly)
            return false;
        catalog_.holdSnapshot();
        ++lookups_;
        outcome.recorded = catalog_.findInOrder(target.path);
        const char* name = nullptr;
        const int folder = folders_.folderFor(target.path, name);
        struct stat status {};
        if (!outcome.recorded || folder == -1 || ::fstatat(folder, name, &status, 0) != 0 || !S_ISREG(status.st_mode))
            return false;
        const FixityRecord& record = *outcome.recorded;
        const FileFacts facts{true, static_cast<uint64_t>(status.st_size), status.st_mtim.tv_sec,
                              static_cast<uint32_t>(status.st_mtim.tv_nsec), static_cast<uint64_t>(status.st_ino)};
        if (!record.verdict || (settings_.deep && !record.deepVerdict)
            || !LooksAsRecorded(record, facts.size, facts.mtimeInNanoseconds(), facts.inode))
            return false;
        outcome.stored = true;
        outcome.facts = facts;
        outcome.info.Verdict = *record.verdict;
        if (settings_.deep) {
            outcome.deep = DeepInfoOf(*record.deepVerdict);
            outcome.deepChecked = true;
        }
        outcome.hashed = true;
        outcome.sha256 = record.sha256;
        outcome.fixity = Fixity::Same;
        return true;
    }

    void checked(const CheckTarget& target, CheckOutcome& outcome) override
    {
        catalog_.holdSnapshot();
        ++lookups_;
        // settle() has looked already.
        if (!settings_.changedOnly)
            outcome.recorded = catalog_.findInOrder(target.path);
        if (outcome.info.Verdict == jvFileNotFound) {
            if (outcome.recorded) {
                outcome.fixity = Fixity::Missing;
                outcome.hashed = true;
                outcome.sha256 = outcome.recorded->sha256;
            }
            return;
        }
        if (!outcome.hashed || outcome.changedWhileRead)
            return;
        if (outcome.recorded) {
            outcome.fixity = CompareWithRecord(*outcome.recorded, outcome.facts.size,
                                               outcome.facts.mtimeInNanoseconds(), outcome.sha256);
            return;
        }
        outcome.fixity = Fixity::New;
        // An archive may hold many copies of one content: a few of its
        // records are looked at, not each.
        for (const std::string& other : catalog_.pathsWithContent(outcome.sha256, kMovedCandidates)) {
            if (other != target.path && PathIsGone(other)) {
                outcome.fixity = Fixity::Moved;
                outcome.movedFrom = other;
                return;
            }
        }
    }

    // Lookups share a read transaction, over claimed runs of files up to
    // about kLookupsPerSnapshot: no lock of the file per lookup, and the
    // writer's checkpoints wait only that long.
    void runDone() override
    {
        if (lookups_ >= kLookupsPerSnapshot) {
            catalog_.releaseSnapshot();
            lookups_ = 0;
        }
    }

private:
    static constexpr size_t kLookupsPerSnapshot = 1024;

    const CatalogSettings& settings_;
    FixityCatalog catalog_;
    FolderLookup folders_;
    size_t lookups_ = 0;
};

// A path's key in the set of paths a run handed out: 64 bits, within one
// process only.
uint64_t pathKey(std::string_view path)
{
    return std::hash<std::string_view>()(path);
}

std::string asFolder(std::string path)
{
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

}  // namespace

CatalogKeeper::CatalogKeeper(const CatalogSettings& settings, std::function<bool()> stopping)
    : settings_(settings),
      stopping_(stopping),
      catalog_(settings.file, settings.verify ? CatalogOpening::Existing : CatalogOpening::Create, stopping),
      runTime_(static_cast<int64_t>(std::time(nullptr)))
{
}

std::function<std::unique_ptr<CheckHooks>()> CatalogKeeper::hooks() const
{
    return [this] { return std::make_unique<CatalogLookup>(settings_); };
}

void CatalogKeeper::addFolder(const std::string& path)
{
    std::lock_guard lock(foldersMutex_);
    folders_.push_back(asFolder(path));
}

void CatalogKeeper::take(const CheckItem& item)
{
    const std::string& path = item.target.path;
    const CheckOutcome& outcome = item.outcome;
    seen_.push_back(pathKey(path));
    if (outcome.fixity == Fixity::Moved)
        movedFrom_.insert(outcome.movedFrom);
    if (settings_.verify)
        return;
    if (outcome.fixity == Fixity::Missing && settings_.forgetMissing)
        catalog_.remove(path);
    // Nothing new to record: not read, read while it changed, or
    // corrupted (the record is the evidence of what it was).
    if (!outcome.hashed || outcome.stored || outcome.changedWhileRead || outcome.fixity == Fixity::Changed
        || outcome.fixity == Fixity::Missing || outcome.fixity == Fixity::None)
        return;
    if (catalog_.uncommitted() == 0)
        batchStart_ = std::chrono::steady_clock::now();
    FixityRecord record;
    record.path = path;
    record.size = outcome.facts.size;
    record.mtimeNanoseconds = outcome.facts.mtimeInNanoseconds();
    record.inode = outcome.facts.inode;
    record.sha256 = outcome.sha256;
    record.verdict = outcome.info.Verdict;
    record.deepVerdict = StoredDeep(outcome);
    // The deep verdict depends on the content alone: one found before
    // stays while the content does.
    if (!record.deepVerdict && outcome.fixity == Fixity::Same && outcome.recorded)
        record.deepVerdict = outcome.recorded->deepVerdict;
    record.checkedAt = runTime_;
    if (outcome.fixity == Fixity::Moved)
        catalog_.remove(outcome.movedFrom);
    catalog_.put(record);
}

void CatalogKeeper::commitIfDue()
{
    if (catalog_.uncommitted() >= kBatchRecords
        || (catalog_.uncommitted() > 0 && std::chrono::steady_clock::now() - batchStart_ >= kBatchAge))
        commit();
}

void CatalogKeeper::commit()
{
    catalog_.commit();
}

bool CatalogKeeper::underFolderAsListed(const std::string& folder, std::string_view path) const
{
    const std::string_view rest = path.substr(folder.size());
    if (!settings_.targets.recursive && rest.find('/') != std::string_view::npos)
        return false;
    if (settings_.targets.skipHidden) {
        for (size_t start = 0; start < rest.size();) {
            if (rest[start] == '.')
                return false;
            const size_t slash = rest.find('/', start);
            if (slash == std::string_view::npos)
                break;
            start = slash + 1;
        }
    }
    const size_t slash = rest.rfind('/');
    return HasJpegExtension(slash == std::string_view::npos ? rest : rest.substr(slash + 1))
           && settings_.targets.shard.takes(path);
}

void CatalogKeeper::forEachMissing(const std::function<void(const FixityRecord&)>& report)
{
    commit();
    std::vector<std::string> folders;
    {
        std::lock_guard lock(foldersMutex_);
        folders = folders_;
    }
    std::sort(folders.begin(), folders.end());
    folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
    // Below a folder given too, a folder's records are that one's.
    if (settings_.targets.recursive) {
        std::vector<std::string> outermost;
        for (const std::string& folder : folders) {
            if (outermost.empty() || !folder.starts_with(outermost.back()))
                outermost.push_back(folder);
        }
        folders.swap(outermost);
    }
    std::sort(seen_.begin(), seen_.end());
    // A connection of its own reads while this one removes.
    FixityCatalog reader(settings_.file, CatalogOpening::Reader, stopping_);
    for (const std::string& folder : folders) {
        reader.forEachIn(folder, [&](std::string_view path) {
            if (std::binary_search(seen_.begin(), seen_.end(), pathKey(path)) || !underFolderAsListed(folder, path))
                return;
            const std::string whole(path);
            if (movedFrom_.count(whole) || !PathIsGone(whole))
                return;
            const std::optional<FixityRecord> record = catalog_.find(whole);
            if (!record)
                return;
            report(*record);
            if (settings_.forgetMissing && !settings_.verify)
                catalog_.remove(whole);
        });
    }
    commit();
}
