#include "platform/KvFileOperations.h"

#include "platform/ErrorText.h"
#include "platform/KvTrash.h"

#include <QCoreApplication>

#include <fcntl.h>
#include <linux/fs.h>
#include <stdio.h>
#include <dirent.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>

namespace {

constexpr size_t kChunkSize = size_t(1) << 20;

enum class TOutcome { Done, Skipped, Failed, Cancelled };

std::string Reason(const char* what, int error)
{
    return QCoreApplication::translate("FileOperations", what).toStdString() + ": " + ErrorText(error);
}

// State of one run of CopyFiles, MoveFiles or DeleteFiles.
struct TRun {
    const TKvFileOperationCallbacks& Callbacks;
    size_t Count = 0;
    TKvFileOperationResult Result;
    std::optional<TKvConflictAnswer> AnswerForAll;
    std::vector<char> Buffer;

    bool CancelRequested() const { return Callbacks.CancelRequested && Callbacks.CancelRequested(); }

    void Progress(const std::string& current, size_t index, uint64_t done, uint64_t total) const
    {
        if (Callbacks.OnProgress)
            Callbacks.OnProgress(TKvFileProgress{current, index, Count, done, total});
    }

    TKvConflictAnswer AskConflict(const std::string& source, const std::string& destination)
    {
        if (AnswerForAll)
            return *AnswerForAll;
        if (!Callbacks.OnConflict)
            return TKvConflictAnswer::Skip;
        const TKvConflictReply reply = Callbacks.OnConflict(source, destination);
        if (reply.ApplyToAll)
            AnswerForAll = reply.Answer;
        return reply.Answer;
    }
};

// One source of a copy or move run.
struct TJob {
    const std::string& Source;
    size_t Index = 0;
    std::string Folder;       // destination folder, no trailing slash except "/"
    std::string Name;         // the name given for it, else the last path component of Source
    std::string Destination;  // Folder + "/" + Name
    std::string Failure;      // set with TOutcome::Failed
};


// Makes a rename or link into folder last; some file systems cannot sync a
// folder, and the content is synced already, so failures are ignored.
void SyncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// rename that fails with EEXIST instead of replacing a destination that
// appeared since it was looked at.
int RenameNoReplace(const std::string& from, const std::string& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
    // The file system cannot refuse atomically; the conflict check just ran.
    struct stat existing {};
    if (::lstat(to.c_str(), &existing) == 0) {
        errno = EEXIST;
        return -1;
    }
    return ::rename(from.c_str(), to.c_str());
}

// The names this program gives a copy in its destination folder before it is
// complete: ".scanlark-copy-" + 16 random hex digits + "-" + 8 hex digits
// that check them. No person picks such a name by chance, and the check
// mark tells our own files from ones that merely start the same way, so
// that RemoveStaleCopies never removes a file of the person's. The mark is
// in the name, not in an extended attribute, because the file systems that
// need such names (vfat, NFS) often keep no attributes.
constexpr std::string_view kCopyNamePrefix = ".scanlark-copy-";
constexpr size_t kCopyNameRandom = 16;
constexpr size_t kCopyNameSize = kCopyNamePrefix.size() + kCopyNameRandom + 1 + 8;

std::string CopyNameOf(std::string_view random)
{
    uint32_t check = 2166136261u;  // FNV-1a over the prefix and the random digits
    for (const std::string_view part : {kCopyNamePrefix, random}) {
        for (const char c : part)
            check = (check ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    char checkText[9];
    std::snprintf(checkText, sizeof checkText, "%08x", check);
    return std::string(kCopyNamePrefix).append(random).append("-").append(checkText);
}

std::string NewCopyName()
{
    static std::atomic<uint64_t> counter{0};
    uint64_t bits = 0;
    if (::getrandom(&bits, sizeof bits, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bits)) {
        timespec now {};
        ::clock_gettime(CLOCK_REALTIME, &now);
        bits = static_cast<uint64_t>(now.tv_nsec) ^ (static_cast<uint64_t>(now.tv_sec) << 30)
               ^ (static_cast<uint64_t>(::getpid()) << 44) ^ (++counter * 0x9E3779B97F4A7C15u);
    }
    char random[kCopyNameRandom + 1];
    std::snprintf(random, sizeof random, "%016llx", static_cast<unsigned long long>(bits));
    return CopyNameOf(random);
}

bool IsCopyName(std::string_view name)
{
    if (name.size() != kCopyNameSize || !name.starts_with(kCopyNamePrefix))
        return false;
    return CopyNameOf(name.substr(kCopyNamePrefix.size(), kCopyNameRandom)) == name;
}

std::string InFolder(const std::string& folder, std::string_view name)
{
    return folder + (folder == "/" ? "" : "/") + std::string(name);
}

// Errors of copy_file_range that mean "not between these two files", not a
// failed copy: the plain read and write loop then does the work.
bool RangeCopyUnsupported(int error)
{
    return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == EBADF;
}

bool WriteAllAt(int fd, const char* bytes, size_t size, uint64_t offset)
{
    while (size > 0) {
        const ssize_t count = ::pwrite(fd, bytes, size, static_cast<off_t>(offset));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0) {
            errno = count == 0 ? EIO : errno;
            return false;
        }
        bytes += count;
        size -= static_cast<size_t>(count);
        offset += static_cast<uint64_t>(count);
    }
    return true;
}

// Copies one stretch of data, [offset, end), to the same offsets of out,
// reporting progress and polling for a cancel between chunks. Ends early,
// with Done, where the source ends sooner; the size check then tells.
TOutcome CopySpan(TRun& run, TJob& job, int in, int out, uint64_t offset, uint64_t end, uint64_t total,
                  bool& inKernel)
{
    while (offset < end) {
        if (run.CancelRequested())
            return TOutcome::Cancelled;
        const size_t want = static_cast<size_t>(std::min<uint64_t>(kChunkSize, end - offset));
        ssize_t count = 0;
        if (inKernel) {
            off_t from = static_cast<off_t>(offset);
            off_t to = from;
            count = ::copy_file_range(in, &from, out, &to, want, 0);
            // Some files (those of some network file systems) give 0 too
            // early here; read and write settle where the end really is.
            if ((count < 0 && RangeCopyUnsupported(errno)) || count == 0) {
                inKernel = false;
                continue;
            }
            if (count < 0 && errno == EINTR)
                continue;
            if (count < 0) {
                job.Failure = Reason(QT_TRANSLATE_NOOP("FileOperations", "コピーできません"), errno);
                return TOutcome::Failed;
            }
        } else {
            count = ::pread(in, run.Buffer.data(), want, static_cast<off_t>(offset));
            if (count < 0 && errno == EINTR)
                continue;
            if (count < 0) {
                job.Failure = Reason(QT_TRANSLATE_NOOP("FileOperations", "コピー元を読み込めません"), errno);
                return TOutcome::Failed;
            }
            if (count == 0)
                return TOutcome::Done;
            if (!WriteAllAt(out, run.Buffer.data(), static_cast<size_t>(count), offset)) {
                job.Failure = Reason(QT_TRANSLATE_NOOP("FileOperations", "コピー先に書き込めません"), errno);
                return TOutcome::Failed;
            }
        }
        offset += static_cast<uint64_t>(count);
        run.Progress(job.Source, job.Index, offset, total);
    }
    return TOutcome::Done;
}

// Copies in to out. First a clone of the whole file where the file system
// shares extents; else, as cp does, only the stretches that hold data, so
// that holes stay holes, through the kernel's own copy, which spares the
// trip of every byte through this process, else read and write. Progress
// counts the bytes of the file, holes included.
TOutcome CopyContent(TRun& run, TJob& job, int in, int out, const struct stat& source)
{
    const uint64_t total = static_cast<uint64_t>(source.st_size);
    run.Progress(job.Source, job.Index, 0, total);
    if (total > 0 && ::ioctl(out, FICLONE, in) == 0) {
        run.Progress(job.Source, job.Index, total, total);
        return TOutcome::Done;
    }
    // A file with a block for every byte has no hole to look for.
    const bool mayHaveHoles = static_cast<uint64_t>(source.st_blocks) * 512 < total;
    bool inKernel = true;
    uint64_t offset = 0;
    uint64_t dataEnd = 0;
    while (offset < total) {
        uint64_t start = offset;
        uint64_t end = total;
        if (mayHaveHoles) {
            const off_t data = ::lseek(in, static_cast<off_t>(offset), SEEK_DATA);
            if (data < 0 && errno == ENXIO)
                break;  // a hole up to the end
            // Without SEEK_DATA (EINVAL) the rest is taken as data.
            if (data >= 0) {
                start = static_cast<uint64_t>(data);
                const off_t hole = ::lseek(in, data, SEEK_HOLE);
                end = hole > data ? std::min(static_cast<uint64_t>(hole), total) : total;
            }
        }
        if (start >= total)
            break;
        const TOutcome outcome = CopySpan(run, job, in, out, start, end, total, inKernel);
        if (outcome != TOutcome::Done)
            return outcome;
        dataEnd = end;
        offset = end;
    }
    // A file that holds more than its size says (those of /proc) is not
    // copied short.
    char beyond = 0;
    if (::pread(in, &beyond, 1, static_cast<off_t>(total)) > 0) {
        job.Failure = Reason(QT_TRANSLATE_NOOP("FileOperations", "コピーしたファイルのサイズが元と違います"), EIO);
        return TOutcome::Failed;
    }
    // The hole at the end, if any, is made by the size alone.
    if (dataEnd < total) {
        if (::ftruncate(out, static_cast<off_t>(total)) != 0) {
            job.Failure = Reason(QT_TRANSLATE_NOOP("FileOperations", "コピー先に書き込めません"), errno);
            return TOutcome::Failed;
        }
        run.Progress(job.Source, job.Index, total, total);
    }
    return TOutcome::Done;
}

// Content, size check, attributes and (with sync) the sync of the copy that
// is not yet in place.
TOutcome FillCopy(TRun& run, TJob& job, int in, int out, bool sync)
{
    struct stat before {};
    if (::fstat(in, &before) != 0) {
        job.Failure = Reason(QT_TRANSLATE_NOOP("FileOperations", "コピー元を読み込めません"), errno);
        return TOutcome::Failed;
    }
    if (!S_ISREG(before.st_mode)) {
        job.Failure = Reason(QT_TRANSLATE_NOOP("FileOperations", "通常のファイルではありません"), EINVAL);
        return TOutcome::Failed;
    }
    const TOutcome outcome = CopyContent(run, job, in, out, before);
    if (outcome != TOutcome::Done)
        return outcome;
    struct stat after {};
    struct stat copy {};
    if (::fstat(in, &after) != 0 || ::fstat(out, &copy) != 0 || copy.st_size != after.st_size
        || copy.st_size != before.st_size) {
        job.Failure = Reason(QT_TRANSLATE_NOOP("FileOperations", "コピーしたファイルのサイズが元と違います"), EIO);
        return TOutcome::Failed;
    }
    // Some file systems cannot store these; the content is what matters.
    ::fchmod(out, before.st_mode & 0777);
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ::futimens(out, times);
    if (sync && ::fsync(out) != 0) {
        job.Failure = Reason(QT_TRANSLATE_NOOP("FileOperations", "コピー先に書き込めません"), errno);
        return TOutcome::Failed;
    }
    // Closing a duplicate runs the file system's flush, where a network file
    // system reports a write that failed; out itself stays open, and locked,
    // until the copy is in place.
    const int flushed = ::dup(out);
    if (flushed < 0 || ::close(flushed) != 0) {
        job.Failure = Reason(QT_TRANSLATE_NOOP("FileOperations", "コピー先に書き込めません"), errno);
        return TOutcome::Failed;
    }
    return TOutcome::Done;
}

// Where a copy is written until it is complete: an unnamed file in the
// destination folder, which nothing can see and which vanishes with the
// process however it ends; or, where the file system cannot make one, a
// file under a name of ours (Named, the path).
struct TCopyFile {
    int Fd = -1;
    std::string Named;
};

// Errors of an O_TMPFILE open that mean "this file system (or kernel) has
// no unnamed files", not "this folder refuses a new file".
bool UnnamedFilesUnsupported(int error)
{
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL || error == ENOSYS;
}

// A new file for the copy, Fd -1 with errno when there can be none.
TCopyFile CreateCopyFile(const std::string& folder)
{
    TCopyFile file;
    file.Fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (file.Fd >= 0 || !UnnamedFilesUnsupported(errno))
        return file;
    for (int attempt = 0; attempt < 10; ++attempt) {
        file.Named = InFolder(folder, NewCopyName());
        file.Fd = ::open(file.Named.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (file.Fd >= 0 || errno != EEXIST)
            break;
    }
    if (file.Fd < 0)
        file.Named.clear();
    return file;
}

// Gives the unnamed file fd the name path; fails with EEXIST where path
// exists.
int LinkUnnamed(int fd, const std::string& path)
{
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return 0;
    if (errno != ENOENT)
        return -1;
    // No /proc: the kernel links the descriptor itself for a process that
    // is allowed to.
    return ::linkat(fd, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH);
}

// Puts the complete copy at job.Destination, over an existing file only with
// replace. An unnamed file is linked there, which refuses an existing name
// as a new copy must; one that replaces a file gets a name of ours first and
// is renamed over the old file, so that the old one stays whole until then.
int PlaceCopy(const TJob& job, const TCopyFile& file, bool replace)
{
    if (!file.Named.empty())
        return replace ? ::rename(file.Named.c_str(), job.Destination.c_str())
                       : RenameNoReplace(file.Named, job.Destination);
    if (!replace)
        return LinkUnnamed(file.Fd, job.Destination);
    for (int attempt = 0; attempt < 10; ++attempt) {
        const std::string named = InFolder(job.Folder, NewCopyName());
        if (LinkUnnamed(file.Fd, named) != 0) {
            if (errno == EEXIST)
                continue;
            return -1;
        }
        if (::rename(named.c_str(), job.Destination.c_str()) == 0)
            return 0;
        const int error = errno;
        ::unlink(named.c_str());
        errno = error;
        return -1;
    }
    errno = EEXIST;
    return -1;
}

// Makes the destination name free for a file that replaces it: the old
// file goes to the trash, or, when the trash cannot take it, stays unless
// the person agrees to lose it. Done with replace telling whether the new
// file must go over the old one; Failed leaves the old file in place.
TOutcome FreeDestination(TRun& run, TJob& job, bool overwrite, bool& replace)
{
    replace = false;
    if (!overwrite)
        return TOutcome::Done;
    std::string refused;
    if (MoveToTrash(job.Destination, refused))
        return TOutcome::Done;
    const auto& ask = run.Callbacks.OnOverwriteWithoutTrash;
    if (ask && ask(job.Destination, refused)) {
        replace = true;
        return TOutcome::Done;
    }
    job.Failure = QCoreApplication::translate("FileOperations", "上書きしませんでした: ").toStdString() + refused;
    return TOutcome::Failed;
}

// Copies job.Source into a new file in the destination folder and puts it
// at job.Destination, after FreeDestination made room for it when it
// replaces a file. Anything but Done leaves the folder as it was. The copy
// is synced to the disk before it is put in place only where a crash could
// otherwise lose data: when it replaces a file or its source is to be
// removed. A plain copy leaves the source in place, so it is written as cp
// and file managers write, through the cache: a sync per file made copying
// many photos several times slower.
TOutcome CopyIntoPlace(TRun& run, TJob& job, bool overwrite, bool sourceToBeRemoved)
{
    // O_NONBLOCK: opening a FIFO must not hang the run; FillCopy refuses it.
    const int in = ::open(job.Source.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (in < 0) {
        job.Failure = Reason(QT_TRANSLATE_NOOP("FileOperations", "コピー元を開けません"), errno);
        return TOutcome::Failed;
    }
    const TCopyFile file = CreateCopyFile(job.Folder);
    if (file.Fd < 0) {
        job.Failure = Reason(QT_TRANSLATE_NOOP("FileOperations", "コピー先にファイルを作れません"), errno);
        ::close(in);
        return TOutcome::Failed;
    }
    // Held until the copy is in place: RemoveStaleCopies leaves a file of
    // ours alone while a copy holds it. The kernel lets go of it when this
    // process ends, however it ends.
    ::flock(file.Fd, LOCK_EX | LOCK_NB);
    const bool sync = overwrite || sourceToBeRemoved;
    TOutcome outcome = FillCopy(run, job, in, file.Fd, sync);
    ::close(in);
    // The old file makes room only once the new one is complete.
    bool replace = false;
    if (outcome == TOutcome::Done)
        outcome = FreeDestination(run, job, overwrite, replace);
    if (outcome == TOutcome::Done && PlaceCopy(job, file, replace) != 0) {
        job.Failure = Reason(QT_TRANSLATE_NOOP("FileOperations", "コピー先に置けません"), errno);
        outcome = TOutcome::Failed;
    }
    if (outcome != TOutcome::Done && !file.Named.empty())
        ::unlink(file.Named.c_str());
    // What this close could report, the flush in FillCopy reported.
    ::close(file.Fd);
    if (outcome == TOutcome::Done && sync)
        SyncFolder(job.Folder);
    return outcome;
}

// name with " (n)" before its extension: "IMG_0001.JPG" gives
// "IMG_0001 (2).JPG"; a name without one, or with only a leading dot, gets
// it at the end.
std::string NumberedName(const std::string& name, int n)
{
    const size_t dot = name.rfind('.');
    const size_t stem = dot == std::string::npos || dot == 0 ? name.size() : dot;
    return name.substr(0, stem) + " (" + std::to_string(n) + ")" + name.substr(stem);
}

// The first "name (n).ext" from n = 2 that nothing in the folder holds.
std::optional<std::string> FreeNameBeside(const TJob& job)
{
    for (int n = 2; n < 10000; ++n) {
        const std::string candidate = InFolder(job.Folder, NumberedName(job.Name, n));
        struct stat taken {};
        if (::lstat(candidate.c_str(), &taken) != 0 && errno == ENOENT)
            return candidate;
    }
    return std::nullopt;
}

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The checks before any byte moves: a usable name, an existing source that
// is not the destination itself, and the conflict question. Gives Done when
// the transfer may go on, with overwrite telling whether a file in the way
// makes room (FreeDestination); a file kept beside it gets its new name in
// job.Destination.
TOutcome Prepare(TRun& run, TJob& job, bool move, bool& overwrite)
{
    if (job.Name.empty()) {
        const size_t slash = job.Source.rfind('/');
        job.Name = slash == std::string::npos ? job.Source : job.Source.substr(slash + 1);
    }
    if (job.Name.empty() || job.Name == "." || job.Name == ".." || job.Name.find('/') != std::string::npos
        || job.Name.find('\0') != std::string::npos || job.Source.find('\0') != std::string::npos) {
        job.Failure = Reason(QT_TRANSLATE_NOOP("FileOperations", "ファイル名が正しくありません"), EINVAL);
        return TOutcome::Failed;
    }
    job.Destination = InFolder(job.Folder, job.Name);
    struct stat sourceEntry {};
    if (::lstat(job.Source.c_str(), &sourceEntry) != 0) {
        job.Failure = Reason(QT_TRANSLATE_NOOP("FileOperations", "コピー元がありません"), errno);
        return TOutcome::Failed;
    }
    // A move takes a dangling link along; a copy needs what it points to.
    struct stat source {};
    const bool resolves = ::stat(job.Source.c_str(), &source) == 0;
    if (!move && !resolves) {
        job.Failure = Reason(QT_TRANSLATE_NOOP("FileOperations", "コピー元がありません"), errno);
        return TOutcome::Failed;
    }
    struct stat destinationEntry {};
    if (::lstat(job.Destination.c_str(), &destinationEntry) != 0)
        return TOutcome::Done;
    // Also catches a link to the source, a hard link and "dir/./name": writing
    // there would destroy the very file being read.
    struct stat destination {};
    const bool destinationResolves = ::stat(job.Destination.c_str(), &destination) == 0;
    if (SameFile(sourceEntry, destinationEntry) || (resolves && destinationResolves && SameFile(source, destination))) {
        job.Failure = Reason(QT_TRANSLATE_NOOP("FileOperations", "コピー元とコピー先が同じファイルです"), EINVAL);
        return TOutcome::Failed;
    }
    if (S_ISDIR(destinationEntry.st_mode)) {
        job.Failure = Reason(QT_TRANSLATE_NOOP("FileOperations", "コピー先に同じ名前のフォルダがあります"), EISDIR);
        return TOutcome::Failed;
    }
    switch (run.AskConflict(job.Source, job.Destination)) {
    case TKvConflictAnswer::Overwrite:
        overwrite = true;
        return TOutcome::Done;
    case TKvConflictAnswer::KeepBoth:
        if (const std::optional<std::string> free = FreeNameBeside(job)) {
            job.Destination = *free;
            return TOutcome::Done;
        }
        job.Failure = Reason(QT_TRANSLATE_NOOP("FileOperations", "コピー先に空いている名前がありません"), EEXIST);
        return TOutcome::Failed;
    case TKvConflictAnswer::Skip:
        return TOutcome::Skipped;
    case TKvConflictAnswer::Cancel:
        break;
    }
    return TOutcome::Cancelled;
}

TOutcome MoveOne(TRun& run, TJob& job, bool overwrite)
{
    run.Progress(job.Source, job.Index, 0, 0);
    // A rename makes room only where it can work: across file systems the
    // copy below makes room once it is complete.
    struct stat source {};
    struct stat folder {};
    const bool sameFileSystem = ::lstat(job.Source.c_str(), &source) == 0
                                && ::stat(job.Folder.c_str(), &folder) == 0 && source.st_dev == folder.st_dev;
    bool replace = false;
    if (sameFileSystem) {
        if (const TOutcome freed = FreeDestination(run, job, overwrite, replace); freed != TOutcome::Done)
            return freed;
        overwrite = false;
    }
    const int renamed = replace ? ::rename(job.Source.c_str(), job.Destination.c_str())
                                : RenameNoReplace(job.Source, job.Destination);
    // A rename is atomic in the file system's journal: after a crash the
    // file is in one folder or the other.
    if (renamed == 0)
        return TOutcome::Done;
    if (errno != EXDEV) {
        job.Failure = Reason(QT_TRANSLATE_NOOP("FileOperations", "移動できません"), errno);
        return TOutcome::Failed;
    }
    struct stat entry {};
    if (::lstat(job.Source.c_str(), &entry) != 0 || !S_ISREG(entry.st_mode)) {
        job.Failure =
            Reason(QT_TRANSLATE_NOOP("FileOperations", "別のファイルシステムへは通常のファイルしか移動できません"),
                   EXDEV);
        return TOutcome::Failed;
    }
    const TOutcome copied = CopyIntoPlace(run, job, overwrite, true);
    if (copied != TOutcome::Done)
        return copied;
    if (::unlink(job.Source.c_str()) != 0) {
        job.Failure = Reason(QT_TRANSLATE_NOOP("FileOperations", "コピーしましたが移動元を削除できません"), errno);
        return TOutcome::Failed;
    }
    return TOutcome::Done;
}

// Counts one file's outcome; false when the run ends here.
bool Record(TRun& run, const std::string& path, TOutcome outcome, std::string failure)
{
    switch (outcome) {
    case TOutcome::Done:
        ++run.Result.Done;
        break;
    case TOutcome::Skipped:
        ++run.Result.Skipped;
        break;
    case TOutcome::Failed:
        run.Result.Failures.push_back({path, std::move(failure)});
        break;
    case TOutcome::Cancelled:
        run.Result.Cancelled = true;
        return false;
    }
    return true;
}

}  // namespace

void RemoveStaleCopies(const std::string& folder)
{
    DIR* listing = ::opendir(folder.c_str());
    if (!listing)
        return;
    const int folderFd = ::dirfd(listing);
    const timespec now = [] {
        timespec value {};
        ::clock_gettime(CLOCK_REALTIME, &value);
        return value;
    }();
    while (const dirent* entry = ::readdir(listing)) {
        if (!IsCopyName(entry->d_name))
            continue;
        const int fd = ::openat(folderFd, entry->d_name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat info {};
        // Only our own regular files, quiet for a minute (a file just made is
        // not locked yet) and not locked by a copy that is still running.
        const bool stale = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid()
                           && now.tv_sec - info.st_mtim.tv_sec > 60 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        if (stale)
            ::unlinkat(folderFd, entry->d_name, 0);
        ::close(fd);
    }
    ::closedir(listing);
}

namespace {

std::string WithoutTrailingSlashes(std::string folder)
{
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

TKvFileOperationResult Transfer(const std::vector<TKvTransferItem>& items, const TKvFileOperationCallbacks& callbacks,
                                bool move)
{
    TRun run{callbacks, items.size(), {}, {}, std::vector<char>(kChunkSize)};
    std::string cleaned;  // the folder last cleaned of stale copies
    for (size_t index = 0; index < items.size(); ++index) {
        if (run.CancelRequested()) {
            run.Result.Cancelled = true;
            break;
        }
        const std::string folder = WithoutTrailingSlashes(items[index].Folder);
        TJob job{items[index].Source, index, folder, items[index].Name, {}, {}};
        bool overwrite = false;
        TOutcome outcome = TOutcome::Failed;
        if (folder.empty() || folder.find('\0') != std::string::npos) {
            job.Failure = Reason(QT_TRANSLATE_NOOP("FileOperations", "コピー先フォルダが正しくありません"), ENOENT);
        } else {
            if (folder != cleaned) {
                RemoveStaleCopies(folder);
                cleaned = folder;
            }
            outcome = Prepare(run, job, move, overwrite);
        }
        if (outcome == TOutcome::Done)
            outcome = move ? MoveOne(run, job, overwrite) : CopyIntoPlace(run, job, overwrite, false);
        if (outcome == TOutcome::Done && callbacks.OnPlaced)
            callbacks.OnPlaced(job.Source, job.Destination);
        if (!Record(run, job.Source, outcome, std::move(job.Failure)))
            break;
    }
    return std::move(run.Result);
}

std::vector<TKvTransferItem> IntoOneFolder(const std::vector<std::string>& sources, const std::string& folder)
{
    std::vector<TKvTransferItem> items;
    items.reserve(sources.size());
    for (const std::string& source : sources)
        items.push_back({source, folder, {}});
    return items;
}

TOutcome DeleteOne(const std::string& path, bool toTrash, std::string& failure)
{
    if (toTrash)
        return MoveToTrash(path, failure) ? TOutcome::Done : TOutcome::Failed;
    struct stat entry {};
    if (::lstat(path.c_str(), &entry) != 0) {
        failure = Reason(QT_TRANSLATE_NOOP("FileOperations", "削除するファイルがありません"), errno);
        return TOutcome::Failed;
    }
    if (!S_ISREG(entry.st_mode) && !S_ISLNK(entry.st_mode)) {
        failure = Reason(QT_TRANSLATE_NOOP("FileOperations", "ファイルではないので削除しません"),
                         S_ISDIR(entry.st_mode) ? EISDIR : EINVAL);
        return TOutcome::Failed;
    }
    if (::unlink(path.c_str()) != 0) {
        failure = Reason(QT_TRANSLATE_NOOP("FileOperations", "削除できません"), errno);
        return TOutcome::Failed;
    }
    return TOutcome::Done;
}

}  // namespace

TKvFileOperationResult CopyFiles(const std::vector<std::string>& sources, const std::string& destinationFolder,
                                 const TKvFileOperationCallbacks& callbacks)
{
    return Transfer(IntoOneFolder(sources, destinationFolder), callbacks, false);
}

TKvFileOperationResult MoveFiles(const std::vector<std::string>& sources, const std::string& destinationFolder,
                                 const TKvFileOperationCallbacks& callbacks)
{
    return Transfer(IntoOneFolder(sources, destinationFolder), callbacks, true);
}

TKvFileOperationResult TransferFiles(const std::vector<TKvTransferItem>& items, bool move,
                                     const TKvFileOperationCallbacks& callbacks)
{
    return Transfer(items, callbacks, move);
}

TKvFileOperationResult DeleteFiles(const std::vector<std::string>& paths, bool toTrash,
                                   const TKvFileOperationCallbacks& callbacks)
{
    TRun run{callbacks, paths.size(), {}, {}, {}};
    for (size_t index = 0; index < paths.size(); ++index) {
        if (run.CancelRequested()) {
            run.Result.Cancelled = true;
            break;
        }
        run.Progress(paths[index], index, 0, 0);
        std::string failure;
        const TOutcome outcome =
            paths[index].empty() || paths[index].find('\0') != std::string::npos
                ? (failure = Reason(QT_TRANSLATE_NOOP("FileOperations", "ファイル名が正しくありません"), EINVAL),
                   TOutcome::Failed)
                : DeleteOne(paths[index], toTrash, failure);
        Record(run, paths[index], outcome, std::move(failure));
    }
    return std::move(run.Result);
}
