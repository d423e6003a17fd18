#include "CheckOptions.h"

#include "decode/DeepMemoryBudget.h"
#include "decode/LibjpegInput.h"
#include "RecordFormat.h"
#include "version/Version.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <thread>

#include <getopt.h>
#include <sched.h>

namespace {

// A printf format: the default memory budget and the deep check's limits.
const char kHelp[] =
    "Usage: scanlark-check [options] PATH...\n"
    "       scanlark-check [options] --files-from=LIST [PATH...]\n"
    "Check JPEG files for damage, by their markers and, with --deep, by\n"
    "decoding their image data.\n"
    "\n"
    "A PATH is a file, or a folder whose .jpg and .jpeg files (any letter case)\n"
    "are checked in name order. A PATH that does not exist, or names neither a\n"
    "folder nor a regular file, is reported like a file with verdict 4. In a\n"
    "folder, a link with a JPEG name that leads nowhere is reported the same way;\n"
    "other links that lead nowhere are passed over. Checking starts while the\n"
    "folders are still being listed; the output keeps the order of the input.\n"
    "\n"
    "Options:\n"
    "  -r, --recursive   also check the folders below, level by level\n"
    "      --no-hidden   skip files and folders whose names begin with \".\"\n"
    "      --json        one JSON object per file and line instead of the table\n"
    "      --errors-only print only files with verdicts 2..7 (or damaged by --deep)\n"
    "      --deep        also decode the image data of every file that has a frame,\n"
    "                    to find damage the markers do not show, and classify the\n"
    "                    data after the image (see Deep check below)\n"
    "      --deep-memory=SIZE  what the decodes of all jobs may hold at once\n"
    "                    (e.g. 512M, 4G; default a quarter of the physical memory,\n"
    "                    here %s)\n"
    "      --strict      with --deep, a \"warning\" counts as damage in the exit status\n"
    "      --catalog=FILE  also record each file in the fixity catalogue FILE (one\n"
    "                    SQLite file, created when missing): size, time, inode,\n"
    "                    the SHA-256 of its content and its verdicts, and compare\n"
    "                    it with what was recorded before (see Fixity below)\n"
    "      --verify      with --catalog, only compare: nothing is written to FILE\n"
    "      --changed-only  with --catalog, do not read the files whose size, time\n"
    "                    and inode are as recorded: their recorded verdicts are\n"
    "                    given (so an unchanged archive costs a listing)\n"
    "      --forget-missing  with --catalog, remove the records of files that are\n"
    "                    gone (not with --verify)\n"
    "      --manifest    write a sha256sum line for each file instead of the table,\n"
    "                    which `sha256sum -c` verifies\n"
    "      --import-manifest=M  with --catalog, record the digests of the\n"
    "                    sha256sum manifest M (- for standard input) instead of\n"
    "                    checking files\n"
    "  -j, --jobs=N      check N files at a time (default: the number of cores);\n"
    "                    the output keeps the order of the input whatever N is\n"
    "      --files-from=LIST  also check the PATHs listed in the file LIST (- for\n"
    "                    standard input), one a line; empty lines are passed over\n"
    "  -0, --null        paths in LIST end with a NUL byte instead of a line end\n"
    "      --shard=K/N   check only the K-th of N shares of the files (K from 1):\n"
    "                    those whose path hashes to K-1 modulo N (64-bit FNV-1a of\n"
    "                    the path's bytes as printed); N runs with K = 1..N together\n"
    "                    check every file once, and a file stays in its share when\n"
    "                    others are added\n"
    "      --print0      write only the paths, each followed by a NUL byte, instead\n"
    "                    of the table (with --errors-only: the damaged files, for\n"
    "                    xargs -0)\n"
    "      --no-header   no header line before the table\n"
    "  -q, --quiet       no progress line on stderr\n"
    "  -h, --help        show this text\n"
    "      --version     show the version\n"
    "\n"
    "Output: a tab-separated table with a header line and one row per file:\n"
    "path, verdict text, format text, width, height, quality, IJG quality,\n"
    "trailing bytes (unknown numbers are -1). The verdict and format texts are\n"
    "Japanese where the first of LANGUAGE, LC_ALL, LC_MESSAGES and LANG that is\n"
    "set names Japanese, and English otherwise. In the table and in messages on\n"
    "stderr, tab, CR, LF and backslash in a path are written as \\t, \\r, \\n and\n"
    "\\\\, and other control bytes (0x00..0x1F, 0x7F) as \\xHH in lower-case hex,\n"
    "as are both bytes of a C1 control (U+0080..U+009F, \\xc2\\x9b; \\u009b in\n"
    "JSON); other bytes from 0x80 up are written unchanged. With --json each line\n"
    "holds \"schema\" (1), \"path\", \"size\" and \"mtime\" (ISO 8601, UTC, in\n"
    "nanoseconds; both null for a file that was not opened), \"VerdictText\"\n"
    "(Japanese in any locale),\n"
    "the fields Verdict, \"verdict_code\" (sound, sound_appended, damaged,\n"
    "unknown_error, not_found, cannot_open, empty, not_jpeg), IsGrayscale,\n"
    "HasMacBinaryHeader, ScanComplete, IsJfif, JfifMajor, JfifMinor, IsExif,\n"
    "ProcessCode, SoiCount, EoiCount, EndOffset, TrailingBytes, Comment, Height,\n"
    "Width, ThumbHeight, ThumbWidth, Quality and IjgQuality. A path that is not valid UTF-8 is given\n"
    "with U+FFFD for its bad bytes plus \"path_hex\", its exact bytes in hex.\n"
    "A file that opens but cannot be read, and a folder that cannot be listed or\n"
    "searched, get a line with \"schema\", \"path\", \"type\" (file or folder),\n"
    "\"error\" (the system's text) and \"error_code\" (such as EIO, EACCES).\n"
    "\n"
    "Records are written whole, each by one write of whole lines (of at most\n"
    "4096 bytes where a record fits), so that several runs may write into one\n"
    "pipe; when the output is not a terminal, lines are written at least every\n"
    "100 ms or 1000 records. SIGTERM, SIGINT and SIGHUP finish the line being\n"
    "written, write what is held, and end the run with status 128 + the\n"
    "signal's number.\n"
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
    "Fixity: with --catalog, each file's content is hashed (SHA-256) from the\n"
    "same reads as the check (the file is read once) and compared with the\n"
    "record of its path. The table adds the column fixity and JSON lines\n"
    "\"sha256\" and \"Fixity\", one of:\n"
    "  same      the content is the recorded one\n"
    "  changed   size and modification time as recorded, the content not:\n"
    "            silent corruption (the record is kept as it was)\n"
    "  edited    size or time differ, and so does the content (recorded anew)\n"
    "  new       nothing recorded at this path (recorded)\n"
    "  moved     nothing recorded at this path, but the recorded content of a\n"
    "            path that is gone, named in \"moved_from\" (the record moves;\n"
    "            of many records of one content, 16 are looked at)\n"
    "  missing   recorded and gone: a PATH, or a file in a folder PATH as the\n"
    "            listing would take it (-r, --no-hidden, --shard), reported after\n"
    "            the others with verdict 4 and the recorded \"size\", \"mtime\",\n"
    "            \"sha256\" and \"checked\"\n"
    "Fixity is null (- in the table) for a file that could not be opened, or\n"
    "that changed while it was read (it is not recorded; exit status 3). With\n"
    "--changed-only, a file not read gets a line with its size and time, the\n"
    "recorded verdicts, \"stored\": true and \"checked\" (when they were found),\n"
    "and no other fields of the walk. Paths are recorded as the run writes them:\n"
    "run from the same folder with the same PATHs (relative PATHs make a\n"
    "catalogue that moves with the archive). Records are written in batches of\n"
    "at most 1000 files or one second; a run that is killed keeps the batches\n"
    "before, and --changed-only then passes over what they hold. Runs on one\n"
    "catalogue wait for each other (up to two minutes). A FILE that is not a\n"
    "catalogue, or is one of a newer schema, is refused and left as it is.\n"
    "To tell the missing files, a run keeps 8 bytes for each file it lists.\n"
    "With --manifest, a line is \"DIGEST  PATH\"; a PATH holding a backslash, a\n"
    "line feed or a carriage return is written with \\\\, \\n and \\r, and its line\n"
    "begins with a backslash, as sha256sum writes it. --import-manifest reads\n"
    "such lines (and \"DIGEST *PATH\" and \"SHA256 (PATH) = DIGEST\"): each JPEG\n"
    "file's digest is recorded with its size, time and inode as they are now\n"
    "(none when it is not there), without verdicts, so that --verify compares\n"
    "the files with it; other names are passed over, and a line of any other\n"
    "form ends the import with nothing recorded.\n"
    "\n"
    "Verdicts: 0 sound, 1 sound with data appended after the image, 2 damaged\n"
    "(data ends early), 3 unknown error (a segment runs past the data),\n"
    "4 no such file, 5 cannot be opened, 6 empty file, 7 not a JPEG file.\n"
    "\n"
    "A file that opens but cannot be read is reported on stderr with the\n"
    "system's reason and gets no table row; so is a folder that cannot be\n"
    "listed or a folder found but not searched.\n"
    "\n"
    "Exit status: 0 when every file is sound (verdict 0 or 1, and with --deep\n"
    "not \"damaged\"); 1 when any file has verdict 2..7 or is \"damaged\" by\n"
    "--deep (or \"warning\" with --strict), is \"changed\" or \"missing\" by\n"
    "--catalog, or a folder may not be listed or searched (no permission, as a file\n"
    "that may not be opened has verdict 5); 2 on a usage error, when the output\n"
    "cannot be written, or when the catalogue cannot be used (or a manifest to\n"
    "import is not one); 3 when something could not be read for any other reason\n"
    "(a read error, a file system gone, the file list, the catalogue during the\n"
    "run, a file that changed while it was read), or the run stopped\n"
    "because no file descriptor could be had: the output is then not the whole\n"
    "answer, and running it again may complete it. 3 wins over 1.\n";

unsigned coreCount()
{
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
        return static_cast<unsigned>(CPU_COUNT(&set));
    const unsigned n = std::thread::hardware_concurrency();
    return n > 0 ? n : 1;
}

unsigned parseJobs(const std::string& text)
{
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || value < 1 || value > 1024)
        UsageError("-j needs a number from 1 to 1024, not '" + text + "'");
    return static_cast<unsigned>(value);
}

uint64_t parseMemory(const std::string& text)
{
    const std::optional<uint64_t> bytes = ParseMemorySize(text);
    if (!bytes)
        UsageError("--deep-memory needs a size such as 512M or 4G, not '" + text + "'");
    return *bytes;
}

void checkCatalogOptions(const CheckOptions& options, bool filesFromGiven)
{
    if (options.catalog.empty()) {
        for (const auto& [given, name] : {std::pair{options.verify, "--verify"}, std::pair{options.changedOnly, "--changed-only"},
                                          std::pair{options.forgetMissing, "--forget-missing"},
                                          std::pair{!options.importManifest.empty(), "--import-manifest"}}) {
            if (given)
                UsageError(std::string(name) + " needs --catalog");
        }
        return;
    }
    if (options.verify && options.forgetMissing)
        UsageError("--forget-missing changes the catalogue, --verify does not");
    if (!options.importManifest.empty()
        && (!options.paths.empty() || filesFromGiven || options.verify || options.changedOnly
            || options.forgetMissing || options.manifest))
        UsageError("--import-manifest records a manifest and checks nothing: no PATH or other catalogue option");
}

enum LongOnly : int {
    kNoHidden = 256,
    kJson,
    kErrorsOnly,
    kDeep,
    kDeepMemory,
    kStrict,
    kFilesFrom,
    kShard,
    kPrint0,
    kNoHeader,
    kVersion,
    kCatalog,
    kVerify,
    kChangedOnly,
    kForgetMissing,
    kManifest,
    kImportManifest,
};

constexpr option kLongOptions[] = {
    {"recursive", no_argument, nullptr, 'r'},
    {"no-hidden", no_argument, nullptr, kNoHidden},
    {"json", no_argument, nullptr, kJson},
    {"errors-only", no_argument, nullptr, kErrorsOnly},
    {"deep", no_argument, nullptr, kDeep},
    {"deep-memory", required_argument, nullptr, kDeepMemory},
    {"strict", no_argument, nullptr, kStrict},
    {"jobs", required_argument, nullptr, 'j'},
    {"files-from", required_argument, nullptr, kFilesFrom},
    {"null", no_argument, nullptr, '0'},
    {"shard", required_argument, nullptr, kShard},
    {"print0", no_argument, nullptr, kPrint0},
    {"no-header", no_argument, nullptr, kNoHeader},
    {"quiet", no_argument, nullptr, 'q'},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, kVersion},
    {"catalog", required_argument, nullptr, kCatalog},
    {"verify", no_argument, nullptr, kVerify},
    {"changed-only", no_argument, nullptr, kChangedOnly},
    {"forget-missing", no_argument, nullptr, kForgetMissing},
    {"manifest", no_argument, nullptr, kManifest},
    {"import-manifest", required_argument, nullptr, kImportManifest},
    {nullptr, 0, nullptr, 0},
};

}  // namespace

void UsageError(const std::string& message)
{
    // The message quotes the argument as given.
    std::fprintf(stderr, "scanlark-check: %s\nTry 'scanlark-check --help'.\n", EscapedText(message).c_str());
    std::exit(kExitUsage);
}

CheckOptions ParseCheckOptions(int argc, char** argv)
{
    CheckOptions options;
    bool filesFromGiven = false;
    opterr = 0;  // our own messages, with the argument escaped
    for (;;) {
        const int option = ::getopt_long(argc, argv, ":rj:0qh", kLongOptions, nullptr);
        if (option == -1)
            break;
        switch (option) {
        case 'r': options.targets.recursive = true; break;
        case kNoHidden: options.targets.skipHidden = true; break;
        case kJson: options.json = true; break;
        case kErrorsOnly: options.errorsOnly = true; break;
        case kDeep: options.deep = true; break;
        case kDeepMemory: options.deepMemory = parseMemory(optarg); break;
        case kStrict: options.strict = true; break;
        case 'j': options.jobs = parseJobs(optarg); break;
        case kFilesFrom:
            if (filesFromGiven)
                UsageError("--files-from may be given once");
            filesFromGiven = true;
            options.filesFrom = optarg;
            break;
        case '0': options.listSeparator = '\0'; break;
        case kShard:
            if (!ParseShard(optarg, options.targets.shard))
                UsageError(std::string("--shard needs K/N with 1 <= K <= N, not '") + optarg + "'");
            break;
        case kPrint0: options.print0 = true; break;
        case kNoHeader: options.noHeader = true; break;
        case 'q': options.quiet = true; break;
        case kCatalog:
            if (*optarg == '\0')
                UsageError("--catalog needs a file name");
            options.catalog = optarg;
            break;
        case kVerify: options.verify = true; break;
        case kChangedOnly: options.changedOnly = true; break;
        case kForgetMissing: options.forgetMissing = true; break;
        case kManifest: options.manifest = true; break;
        case kImportManifest: options.importManifest = optarg; break;
        case 'h':
            std::printf(kHelp, MemoryText(DefaultDeepMemoryBudget()).c_str(), kMaxProgressiveScans,
                        kDeepMemoryLimit >> 20);
            std::exit(std::fflush(stdout) == 0 ? kExitSound : kExitUsage);
        case kVersion:
            std::printf("scanlark-check (Scanlark) %s\n", SCANLARK_VERSION);
            std::exit(std::fflush(stdout) == 0 ? kExitSound : kExitUsage);
        case ':':
            UsageError(std::string(argv[optind - 1]) + " needs a value");
        default:
            // A short option inside a cluster is named alone; a long one as given.
            if (optopt > ' ' && optopt < 127)
                UsageError(std::string("unknown option '-") + static_cast<char>(optopt) + "'");
            UsageError("unknown option '" + std::string(argv[optind - 1]) + "'");
        }
    }
    for (int i = optind; i < argc; ++i)
        options.paths.emplace_back(argv[i]);
    checkCatalogOptions(options, filesFromGiven);
    if (options.paths.empty() && !filesFromGiven && options.importManifest.empty())
        UsageError("no PATH given");
    if (options.print0 && options.json)
        UsageError("--print0 and --json exclude each other");
    if (options.manifest && (options.json || options.print0))
        UsageError("--manifest excludes --json and --print0");
    if (options.jobs == 0)
        options.jobs = coreCount();
    return options;
}
