// scanlark-check: checks JPEG files for damage from the command line, with the
// same marker walk and verdicts as the window, and on request a decode of
// the image data.
#include "CheckOptions.h"
#include "CheckRunner.h"
#include "ProgressLine.h"
#include "RecordFormat.h"
#include "RecordOutput.h"
#include "TerminationSignals.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

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
    explicit Run(const CheckOptions& options)
        : options_(options),
          output_(STDOUT_FILENO, options.print0 ? '\0' : '\n', ::isatty(STDOUT_FILENO) != 0),
          progress_(!options.quiet && ::isatty(STDERR_FILENO))
    {
        if (!options.json && !options.print0 && !options.noHeader)
            output_.add(TableHeader(options.deep));
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
        const DeepInfo* deep = outcome.deepChecked ? &outcome.deep : nullptr;
        const bool isError
            = IsJpegErrorVerdict(outcome.info.Verdict) || (deep && IsDeepFailure(deep->Verdict, options_.strict));
        if (isError)
            raise(kExitDamaged);
        if (options_.errorsOnly && !isError)
            return;
        if (options_.print0) {
            add(target.path);
        } else if (options_.json) {
            add(JsonLine(target.path, outcome.info, deep, outcome.facts));
        } else {
            std::string row = TableRow(target.path, outcome.info, deep);
            if (options_.deep && !deep)
                row += "\t-\t-";
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
        progress_.show(progress);
    }

    void listFailed(int error) { listError_.store(error); }

    // Writes what is held and returns the run's exit status.
    int finish()
    {
        if (const int error = listError_.load()) {
            message("cannot read the file list: " + std::string(std::strerror(error)));
            raise(kExitIncomplete);
        }
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
    RecordOutput output_;
    ProgressLine progress_;
    int status_ = kExitSound;
    std::atomic<int> listError_{0};
};

}  // namespace

int main(int argc, char** argv)
{
    const CheckOptions options = ParseCheckOptions(argc, argv);
    const int listFd = options.filesFrom.empty() ? -1 : openFileList(options.filesFrom);
    RaiseDescriptorLimit();
    CatchTerminationSignals();

    Run run(options);
    CheckReading reading = readingFromEnvironment();
    reading.deep = options.deep;
    reading.deepMemory = options.deepMemory;
    RunChecks(
        [&](TargetLister& lister) {
            for (const std::string& path : options.paths)
                lister.addPath(path);
            if (listFd >= 0 && !lister.addList(listFd, options.listSeparator))
                run.listFailed(errno);
        },
        options.targets, options.jobs, reading, [&](CheckItem& item) { run.deliver(item); },
        [&](const RunProgress& progress) { run.tick(progress); });
    return run.finish();
}
