// scanlark-check: checks JPEG files for damage from the command line, with the
// same marker walk and verdicts as the window, and on request a decode of
// the image data.
#include "CheckRunner.h"
#include "CheckTargets.h"
#include "decode/JpegDeepCheck.h"
#include "decode/LibjpegInput.h"
#include "inspection/KvJpegInfo.h"
#include "RecordFormat.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <sched.h>
#include <unistd.h>

namespace {

constexpr int kExitSound = 0;
constexpr int kExitDamaged = 1;
constexpr int kExitUsage = 2;
// The run could not go on (no file descriptor to be had): what was printed
// holds, the rest of the files were not checked.
constexpr int kExitRunFailed = 3;

// A printf format: the two numbers are the deep check's limits.
const char kHelp[] =
    "Usage: scanlark-check [options] PATH...\n"
    "Check JPEG files for damage, by their markers and, with --deep, by\n"
    "decoding their image data.\n"
    "\n"
    "A PATH is a file, or a folder whose .jpg and .jpeg files (any letter case)\n"
    "are checked in name order. A PATH that does not exist, or names neither a\n"
    "folder nor a regular file, is reported like a file with verdict 4. In a\n"
    "folder, a link with a JPEG name that leads nowhere is reported the same way;\n"
    "other links that lead nowhere are passed over.\n"
    "\n"
    "Options:\n"
    "  -r, --recursive   also check the folders below, level by level\n"
    "      --no-hidden   skip files and folders whose names begin with \".\"\n"
    "      --json        one JSON object per file and line instead of the table\n"
    "      --errors-only print only files with verdicts 2..7 (or damaged by --deep)\n"
    "      --deep        also decode the image data of every file that has a frame,\n"
    "                    to find damage the markers do not show, and classify the\n"
    "                    data after the image (see Deep check below)\n"
    "      --deep-memory SIZE  what the decodes of all jobs may hold at once\n"
    "                    (e.g. 512M, 4G; default a quarter of the physical memory,\n"
    "                    here %s)\n"
    "      --strict      with --deep, a \"warning\" counts as damage in the exit status\n"
    "  -j, --jobs N      check N files at a time (default: the number of cores);\n"
    "                    the output keeps the order of the input whatever N is\n"
    "  -q, --quiet       no progress line on stderr\n"
    "  -h, --help        show this text\n"
    "\n"
    "Output: a tab-separated table with a header line and one row per file:\n"
    "path, verdict text, format text, width, height, quality, IJG quality,\n"
    "trailing bytes (unknown numbers are -1). In the table and in messages on\n"
    "stderr, tab, CR, LF and backslash in a path are written as \\t, \\r, \\n and\n"
    "\\\\, and other control bytes (0x00..0x1F, 0x7F) as \\xHH in lower-case hex,\n"
    "as are both bytes of a C1 control (U+0080..U+009F, \\xc2\\x9b; \\u009b in\n"
    "JSON); other bytes from 0x80 up are written unchanged. With --json each line\n"
    "holds \"path\", \"VerdictText\" and the fields Verdict, IsGrayscale,\n"
    "HasMacBinaryHeader, ScanComplete, IsJfif, JfifMajor, JfifMinor, IsExif,\n"
    "ProcessCode, SoiCount, EoiCount, EndOffset, TrailingBytes, Comment, Height,\n"
    "Width, ThumbHeight, ThumbWidth, Quality and IjgQuality. A path that is not valid UTF-8 is given\n"
    "with U+FFFD for its bad bytes plus \"path_hex\", its exact bytes in hex.\n"
    "\n"
    "Deep check: libjpeg decodes every scan of each file with data (verdicts\n"
    "0..3 and 7), and the file gets one of four deep verdicts:\n"
    "  sound        every scan decoded without a word from libjpeg\n"
    "  warning      libjpeg warned before the first scan (stray bytes between\n"
    "               segments, an unknown JFIF version) and then decoded the whole\n"
    "               picture cleanly: nothing of the picture is lost\n"
    "  damaged      libjpeg warned inside the image data (every bad Huffman code\n"
    "               counts, wherever it lies), stopped with an error, or rejected\n"
    "               a header as malformed; or the file has no frame header at all\n"
    "  not decoded  not a JPEG file, a well-formed file of a coding this libjpeg\n"
    "               does not decode (12-bit, lossless, hierarchical; the message\n"
    "               names it), over a limit below, or unreadable\n"
    "The table adds the columns deep (not-decoded written as one word; - for\n"
    "verdicts 4..6) and trailer (the trailer's kind, or -).\n"
    "With --json each line adds \"Deep\": {\"Verdict\", \"Message\" (libjpeg's\n"
    "message the verdict rests on, the warning's text, or why the file was not\n"
    "decoded), \"FirstBadRow\" (the first MCU row, from 0 at the top, that does\n"
    "not decode as its encoder made it; -1 if none), \"SoundFraction\" (the\n"
    "share of the picture's MCU rows that decode as their encoder made them:\n"
    "1 when sound or warning, 0 when nothing is left, -1 when not decoded;\n"
    "without restart markers everything from FirstBadRow on is lost, with them\n"
    "libjpeg starts afresh at the next restart marker and only the rows of the\n"
    "damaged intervals are lost; without them libjpeg may notice damage only\n"
    "rows below where it began, at worst at the end of the scan, and then\n"
    "FirstBadRow is too low down and SoundFraction too high)} and, for a file\n"
    "with data after the image,\n"
    "\"Trailer\": {\"Kind\", \"Offset\", \"Size\"}, Kind being jpeg (a further\n"
    "image), mpf (a further image that the file's MPF index declares, after at\n"
    "most a few padding bytes), mp4 (ISO media, an ftyp box, also after a\n"
    "MotionPhoto_Data marker; Offset is then where the video starts), zip,\n"
    "zeros, text or unknown.\n"
    "Limits: images over 256 megapixels are not decoded (refused before any\n"
    "memory is taken for them), nor files of more than %d scans, nor files\n"
    "that need more than %ld MiB of libjpeg's memory. A file that needs more\n"
    "than is free of --deep-memory waits for other jobs to finish theirs, and\n"
    "one that needs more than all of it is not decoded.\n"
    "\n"
    "Verdicts: 0 sound, 1 sound with data appended after the image, 2 damaged\n"
    "(data ends early), 3 unknown error (a segment runs past the data),\n"
    "4 no such file, 5 cannot be opened, 6 empty file, 7 not a JPEG file.\n"
    "\n"
    "A file that opens but cannot be read is reported on stderr with the\n"
    "system's reason and gets no output line; so is a folder that cannot be\n"
    "listed or a folder found but not searched.\n"
    "\n"
    "Exit status: 0 when every file is sound (verdict 0 or 1, and with --deep\n"
    "not \"damaged\"), 1 when any file has verdict 2..7, is \"damaged\" by --deep\n"
    "(or \"warning\" with --strict) or could not be read, 2 on a usage error or when the output cannot be\n"
    "written, 3 when the run stopped because no file descriptor could be had\n"
    "(the files before are reported, the rest are not).\n";

struct Options {
    CheckTargetOptions targets;
    bool json = false;
    bool errorsOnly = false;
    bool quiet = false;
    bool deep = false;
    bool strict = false;
    uint64_t deepMemory = 0;  // 0: the default
    unsigned jobs = 0;
    std::vector<std::string> paths;
};

unsigned coreCount()
{
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
        return static_cast<unsigned>(CPU_COUNT(&set));
    const unsigned n = std::thread::hardware_concurrency();
    return n > 0 ? n : 1;
}

[[noreturn]] void usageError(const std::string& message)
{
    // The message quotes the argument as given.
    std::fprintf(stderr, "scanlark-check: %s\nTry 'scanlark-check --help'.\n", EscapedText(message).c_str());
    std::exit(kExitUsage);
}

unsigned parseJobs(const std::string& text)
{
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || value < 1 || value > 1024)
        usageError("-j needs a number from 1 to 1024, not '" + text + "'");
    return static_cast<unsigned>(value);
}

uint64_t parseMemory(const std::string& text)
{
    const std::optional<uint64_t> bytes = ParseMemorySize(text);
    if (!bytes)
        usageError("--deep-memory needs a size such as 512M or 4G, not '" + text + "'");
    return *bytes;
}

Options parseOptions(int argc, char** argv)
{
    Options options;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            options.paths.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-h" || arg == "--help") {
            std::printf(kHelp, MemoryText(DefaultDeepMemoryBudget()).c_str(), kMaxProgressiveScans,
                        kDeepMemoryLimit >> 20);
            std::exit(kExitSound);
        } else if (arg == "-r" || arg == "--recursive") {
            options.targets.recursive = true;
        } else if (arg == "--no-hidden") {
            options.targets.skipHidden = true;
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg == "--deep") {
            options.deep = true;
        } else if (arg == "--strict") {
            options.strict = true;
        } else if (arg == "--deep-memory") {
            if (i + 1 >= argc)
                usageError(arg + " needs a size");
            options.deepMemory = parseMemory(argv[++i]);
        } else if (arg.rfind("--deep-memory=", 0) == 0) {
            options.deepMemory = parseMemory(arg.substr(14));
        } else if (arg == "--errors-only") {
            options.errorsOnly = true;
        } else if (arg == "-q" || arg == "--quiet") {
            options.quiet = true;
        } else if (arg == "-j" || arg == "--jobs") {
            if (i + 1 >= argc)
                usageError(arg + " needs a number");
            options.jobs = parseJobs(argv[++i]);
        } else if (arg.rfind("--jobs=", 0) == 0) {
            options.jobs = parseJobs(arg.substr(7));
        } else if (arg.rfind("-j", 0) == 0) {
            options.jobs = parseJobs(arg.substr(2));
        } else {
            usageError("unknown option '" + arg + "'");
        }
    }
    if (options.paths.empty())
        usageError("no PATH given");
    if (options.jobs == 0)
        options.jobs = coreCount();
    return options;
}

// "done/total files, MB/s" on one rewritten terminal line.
class ProgressLine {
public:
    explicit ProgressLine(size_t total) : total_(total), start_(std::chrono::steady_clock::now()) {}

    void show(size_t done, uint64_t bytes)
    {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        const double rate = seconds > 0 ? static_cast<double>(bytes) / 1e6 / seconds : 0.0;
        std::fprintf(stderr, "\r%zu/%zu files, %.1f MB/s\033[K", done, total_, rate);
        shown_ = true;
    }

    void clear()
    {
        if (shown_)
            std::fputs("\r\033[K", stderr);
    }

private:
    size_t total_;
    std::chrono::steady_clock::time_point start_;
    bool shown_ = false;
};

// Read-ahead is on unless SCANLARK_READ_AHEAD is 0; a number above 0 is the
// count of files read ahead by each thread. For measuring, not for everyday use.
CheckReading readingFromEnvironment(const CheckTargets& targets)
{
    CheckReading reading;
    reading.listed = &targets.listed;
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

}  // namespace

int main(int argc, char** argv)
{
    const Options options = parseOptions(argc, argv);
    RaiseDescriptorLimit();
    const CheckTargets targets = CollectCheckTargets(options.paths, options.targets);

    int status = kExitSound;
    for (const ListingError& error : targets.listingErrors) {
        std::fprintf(stderr, "scanlark-check: cannot list %s: %s\n", EscapedText(error.folder).c_str(),
                     error.reason.c_str());
        status = kExitDamaged;
    }

    static char outputBuffer[1 << 16];
    std::setvbuf(stdout, outputBuffer, _IOFBF, sizeof outputBuffer);
    if (!options.json)
        std::printf("%s\n", TableHeader(options.deep).c_str());

    const bool showProgress = !options.quiet && ::isatty(STDERR_FILENO);
    ProgressLine progressLine(targets.files.size());
    std::function<void(size_t, uint64_t)> progress;
    if (showProgress)
        progress = [&](size_t done, uint64_t bytes) { progressLine.show(done, bytes); };

    CheckReading reading = readingFromEnvironment(targets);
    reading.deep = options.deep;
    reading.deepMemory = options.deepMemory;
    RunChecks(
        targets.files, options.jobs, reading,
        [&](size_t index, CheckOutcome& outcome) {
            const std::string& path = targets.files[index];
            if (outcome.noDescriptor) {
                progressLine.clear();
                std::fflush(stdout);
                std::fprintf(stderr, "scanlark-check: no file descriptor left to open %s (%s); the run stops here\n",
                             EscapedText(path).c_str(), outcome.error.c_str());
                // Other threads may still be checking: end without waiting for them.
                std::_Exit(kExitRunFailed);
            }
            if (outcome.readFailed) {
                progressLine.clear();
                std::fprintf(stderr, "scanlark-check: cannot read %s: %s\n", EscapedText(path).c_str(),
                             outcome.error.c_str());
                status = kExitDamaged;
                return;
            }
            const DeepInfo* deep = outcome.deepChecked ? &outcome.deep : nullptr;
            const bool isError = IsJpegErrorVerdict(outcome.info.Verdict)
                                 || (deep && IsDeepFailure(deep->Verdict, options.strict));
            if (isError)
                status = kExitDamaged;
            if (options.errorsOnly && !isError)
                return;
            std::string line = options.json ? JsonLine(path, outcome.info, deep) : TableRow(path, outcome.info, deep);
            if (options.deep && !deep && !options.json)
                line += "\t-\t-";
            std::fwrite(line.data(), 1, line.size(), stdout);
            std::fputc('\n', stdout);
        },
        progress);

    progressLine.clear();
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "scanlark-check: cannot write the output: %s\n", std::strerror(errno));
        return kExitUsage;
    }
    return status;
}
