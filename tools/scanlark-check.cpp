// scanlark-check: checks JPEG files for damage from the command line, with the
// same marker walk and verdicts as the window, and on request a decode of
// the image data.
#include "CatalogRun.h"
#include "CheckOptions.h"
#include "CheckRunner.h"
#include "FixityFormat.h"
#include "ManifestImport.h"
#include "ProgressLine.h"
#include "RecordFormat.h"
#include "RecordOutput.h"
#include "TerminationSignals.h"
#include "fixity/Sha256Manifest.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Read-ahead is on unless SCANLARK_READ_AHEAD is 0; a number above 0 is the
// count of files read ahead by each thread. For measuring, not for everyday use.
CheckReading readingFromEnvironment()
{
    CheckReading reading;
    if (const char* value = std::getenv("SCANLARK_READ_AHEAD")) {
        char* end = nullptr;
        const unsigned long files = std::strtoul(value, &end, 10);
        if (end != value && *end == '\0') {
            reading.readAhead = files > 0;
            if (files > 0)
                reading.limits.files = files;
        }
    }
    return reading;
}

// A folder that may not be listed says as much about the files in it as
// verdict 5 says about a file that may not be opened; anything else may
// pass, and the run is then worth repeating.
int statusForUnreadable(int error)
{
    return error == EACCES || error == EPERM ? kExitDamaged : kExitIncomplete;
}

int openFileList(const std::string& name)
{
    if (name == "-")
        return STDIN_FILENO;
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        UsageError("cannot open the file list '" + name + "': " + std::strerror(errno));
    return fd;
}

// Delivers the records of a run in order, and ends it in order.
class Run {
public:
    Run(const CheckOptions& options, CatalogKeeper* catalog)
        : options_(options),
          catalog_(catalog),
          output_(STDOUT_FILENO, options.print0 ? '\0' : '\n', ::isatty(STDOUT_FILENO) != 0),
          progress_(!options.quiet && ::isatty(STDERR_FILENO))
    {
        if (!options.json && !options.print0 && !options.manifest && !options.noHeader)
            output_.add(TableHeader(options.deep) + (catalog ? "\tfixity" : ""));
    }

    void deliver(CheckItem& item)
    {
        endOnSignal();
        const CheckTarget& target = item.target;
        if (target.listingError != 0) {
            message("cannot list " + EscapedText(target.path) + ": " + std::strerror(target.listingError));
            raise(statusForUnreadable(target.listingError));
            if (options_.json && target.reported)
                add(JsonErrorLine(target.path, true, std::strerror(target.listingError), target.listingError));
            return;
        }
        CheckOutcome& outcome = item.outcome;
        if (!outcome.catalogueError.empty()) {
            message(EscapedText(outcome.catalogueError) + "; the run stops here");
            end(kExitIncomplete);
        }
        if (outcome.noDescriptor) {
            message("no file descriptor left to open " + EscapedText(target.path) + " (" + outcome.error
                    + "); the run stops here");
            end(kExitIncomplete);
        }
        if (outcome.readFailed) {
            message("cannot read " + EscapedText(target.path) + ": " + outcome.error);
            raise(kExitIncomplete);
            if (options_.json)
                add(JsonErrorLine(target.path, false, outcome.error, outcome.errorNumber));
            return;
        }
        if (catalog_)
            withCatalog([&] { catalog_->take(item); });
        if (outcome.changedWhileRead) {
            message(EscapedText(target.path) + " changed while it was read"
                    + (catalog_ && !options_.verify ? "; it is not recorded" : ""));
            raise(kExitIncomplete);
        }
        const DeepInfo* deep = outcome.deepChecked ? &outcome.deep : nullptr;
        const bool isError = IsJpegErrorVerdict(outcome.info.Verdict)
                             || (deep && IsDeepFailure(deep->Verdict, options_.strict))
                             || IsFixityAlarm(outcome.fixity);
        if (isError)
            raise(kExitDamaged);
        if (options_.errorsOnly && !isError)
            return;
        if (options_.print0) {
            add(target.path);
        } else if (options_.manifest) {
            if (outcome.hashed && outcome.fixity != Fixity::Missing)
                add(ManifestLine(outcome.sha256, target.path));
        } else if (options_.json) {
            add(outcome.stored ? StoredJsonLine(target.path, outcome)
                               : JsonLine(target.path, outcome.info, deep, outcome.facts,
                                          FixityJsonFields(outcome, catalog_ != nullptr)));
        } else {
            std::string row = TableRow(target.path, outcome.info, deep);
            if (options_.deep && !deep)
                row += "\t-\t-";
            if (catalog_) {
                row += '\t';
                row += FixityCell(outcome.fixity);
            }
            add(row);
        }
    }

    void tick(const RunProgress& progress)
    {
        endOnSignal();
        if (output_.holding() && output_.interactive())
            progress_.clear();  // rows and the progress line share the terminal
        output_.writeDue();
        checkOutput();
        if (catalog_)
            withCatalog([&] { catalog_->commitIfDue(); });
        progress_.show(progress);
    }

    void listFailed(int error) { listError_.store(error); }

    // Reports the recorded files that are gone, writes what is held and
    // returns the run's exit status.
    int finish()
    {
        if (const int error = listError_.load()) {
            message("cannot read the file list: " + std::string(std::strerror(error)));
            raise(kExitIncomplete);
        }
        if (catalog_)
            withCatalog([&] { catalog_->forEachMissing([&](const FixityRecord& record) { reportMissing(record); }); });
        output_.writeAll();
        checkOutput();
        progress_.clear();
        return status_;
    }

private:
    void add(std::string_view record)
    {
        output_.add(record);
        checkOutput();
    }

    void reportMissing(const FixityRecord& record)
    {
        endOnSignal();
        if (!options_.forgetMissing)
            raise(kExitDamaged);
        if (options_.print0) {
            add(record.path);
        } else if (options_.json) {
            add(MissingJsonLine(record));
        } else if (!options_.manifest) {
            TKvJpegInfo gone;
            gone.Verdict = jvFileNotFound;
            add(TableRow(record.path, gone) + (options_.deep ? "\t-\t-\t" : "\t") + FixityCell(Fixity::Missing));
        }
    }

    // Runs a step of the catalogue; one that fails ends the run (what was
    // committed before stays).
    template <typename Step>
    void withCatalog(Step step)
    {
        try {
            step();
        } catch (const CatalogError& e) {
            message(EscapedText(e.what()) + "; the run stops here");
            end(TerminationSignal() ? 128 + TerminationSignal() : kExitIncomplete);
        }
    }

    void raise(int status)
    {
        if (status_ != kExitIncomplete)
            status_ = status;
    }

    void message(const std::string& text)
    {
        progress_.clear();
        std::fprintf(stderr, "scanlark-check: %s\n", text.c_str());
    }

    void checkOutput()
    {
        if (!output_.failed())
            return;
        progress_.clear();
        std::fprintf(stderr, "scanlark-check: cannot write the output: %s\n", std::strerror(output_.error()));
        std::_Exit(kExitUsage);
    }

    // Other threads may still be checking or listing: the process ends
    // without waiting for them.
    [[noreturn]] void end(int status)
    {
        // The batch so far is kept, as the lines so far are written.
        if (catalog_) {
            CatalogKeeper* catalog = std::exchange(catalog_, nullptr);
            try {
                catalog->commit();
            } catch (const CatalogError& e) {
                message(EscapedText(e.what()));
            }
        }
        output_.writeAll();
        progress_.clear();
        std::_Exit(output_.failed() ? kExitUsage : status);
    }

    void endOnSignal()
    {
        if (const int signal = TerminationSignal())
            end(128 + signal);
    }

    const CheckOptions& options_;
    CatalogKeeper* catalog_;
    RecordOutput output_;
    ProgressLine progress_;
    int status_ = kExitSound;
    std::atomic<int> listError_{0};
};

// --catalog FILE --import-manifest M.
int importManifest(const CheckOptions& options)
{
    const int fd = options.importManifest == "-" ? STDIN_FILENO : ::open(options.importManifest.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        UsageError("cannot open the manifest '" + options.importManifest + "': " + std::strerror(errno));
    try {
        FixityCatalog catalog(options.catalog, CatalogOpening::Create, [] { return TerminationSignal() != 0; });
        const ImportCounts counts = ImportManifest(catalog, fd);
        if (!options.quiet)
            std::fprintf(stderr, "scanlark-check: %llu records made, %llu already there, %llu names not of JPEG files passed over\n",
                         static_cast<unsigned long long>(counts.recorded), static_cast<unsigned long long>(counts.unchanged),
                         static_cast<unsigned long long>(counts.notJpeg));
        return kExitSound;
    } catch (const ManifestError& e) {
        std::fprintf(stderr, "scanlark-check: %s: %s; nothing is recorded\n", EscapedText(options.importManifest).c_str(), e.what());
        return kExitUsage;
    } catch (const CatalogError& e) {
        std::fprintf(stderr, "scanlark-check: %s\n", EscapedText(e.what()).c_str());
        return kExitUsage;
    } catch (const std::system_error& e) {
        std::fprintf(stderr, "scanlark-check: cannot read the manifest: %s; nothing is recorded\n", e.code().message().c_str());
        return kExitIncomplete;
    }
}

std::unique_ptr<CatalogKeeper> openCatalog(const CheckOptions& options)
{
    if (options.catalog.empty())
        return nullptr;
    CatalogSettings settings{options.catalog, options.verify, options.changedOnly, options.forgetMissing, options.deep,
                             options.targets};
    try {
        return std::make_unique<CatalogKeeper>(settings, [] { return TerminationSignal() != 0; });
    } catch (const CatalogError& e) {
        std::fprintf(stderr, "scanlark-check: %s\n", EscapedText(e.what()).c_str());
        std::exit(kExitUsage);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    const CheckOptions options = ParseCheckOptions(argc, argv);
    CatchTerminationSignals();
    if (!options.importManifest.empty())
        return importManifest(options);
    const int listFd = options.filesFrom.empty() ? -1 : openFileList(options.filesFrom);
    RaiseDescriptorLimit();
    const std::unique_ptr<CatalogKeeper> catalog = openCatalog(options);

    Run run(options, catalog.get());
    CheckReading reading = readingFromEnvironment();
    reading.deep = options.deep;
    reading.deepMemory = options.deepMemory;
    reading.hash = catalog || options.manifest;
    if (catalog)
        reading.hooks = catalog->hooks();
    RunChecks(
        [&](TargetLister& lister) {
            if (catalog)
                lister.onFolderPath = [&](const std::string& folder) { catalog->addFolder(folder); };
            for (const std::string& path : options.paths) {
                // A folder given that is gone: its recorded files are missing.
                if (catalog && PathIsGone(path))
                    catalog->addFolder(path);
                lister.addPath(path);
            }
            if (listFd >= 0 && !lister.addList(listFd, options.listSeparator))
                run.listFailed(errno);
        },
        options.targets, options.jobs, reading, [&](CheckItem& item) { run.deliver(item); },
        [&](const RunProgress& progress) { run.tick(progress); });
    return run.finish();
}
