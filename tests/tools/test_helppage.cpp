// The help page describes every option and every JSON field of
// scanlark-check, as the program itself names them.
#include "JpegBuilder.h"
#include "TempFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace {

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The standard output of scanlark-check with arguments (no quoting needed).
std::string checkerOutput(const std::string& arguments)
{
    std::string out;
    FILE* pipe = ::popen((std::string(SCANLARK_CHECK_PATH) + " " + arguments + " 2>/dev/null").c_str(), "r");
    if (!pipe)
        return out;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    ::pclose(pipe);
    return out;
}

std::set<std::string> matches(const std::string& text, const std::regex& pattern)
{
    std::set<std::string> found;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern); it != std::sregex_iterator(); ++it)
        found.insert((*it)[1]);
    return found;
}

TEST(HelpPage, DescribesEveryOptionAndJsonFieldOfTheChecker)
{
    const std::string page = readFile(SCANLARK_HELP_PAGE);
    ASSERT_FALSE(page.empty()) << SCANLARK_HELP_PAGE;

    // The options as --help lists them: "  -r, --recursive   ...".
    const std::string help = checkerOutput("--help");
    const std::set<std::string> options = matches(help, std::regex(R"((?:^|\n|, ) {0,6}(--?[a-z][a-z-]*))"));
    ASSERT_GE(options.size(), 10u) << help;
    for (const std::string& option : options)
        EXPECT_NE(page.find("<code>" + option), std::string::npos) << "option not described: " << option;

    // The fields of a JSON line, for a file whose path is not UTF-8 so that
    // every field appears.
    TempFolder folder;
    const std::string file = folder.write("\xff.jpg", JpegBuilder().minimalImage(TableWithSum(500)).raw("appended").bytes());
    const std::string json = checkerOutput("--json --deep " + file);
    const std::set<std::string> fields = matches(json, std::regex(R"re("([A-Za-z_]+)":)re"));
    ASSERT_GE(fields.size(), 20u) << json;
    ASSERT_TRUE(fields.count("path_hex") && fields.count("Trailer") && fields.count("SoundFraction")) << json;
    for (const std::string& field : fields)
        EXPECT_NE(page.find("<code>" + field + "</code>"), std::string::npos) << "JSON field not described: " << field;
}

// The fields a catalogue adds, from files recorded, moved (from a path that
// is not UTF-8), gone, and not read.
TEST(HelpPage, DescribesTheFieldsOfTheCatalogue)
{
    const std::string page = readFile(SCANLARK_HELP_PAGE);
    TempFolder folder;
    const std::string moved = folder.write("archive/\xff-b.jpg", JpegBuilder().minimalImage(TableWithSum(600)).bytes());
    const std::string gone = folder.write("archive/c.jpg", JpegBuilder().minimalImage(TableWithSum(700)).bytes());
    folder.write("archive/a.jpg", JpegBuilder().minimalImage(TableWithSum(500)).bytes());
    const std::string catalog = "--catalog " + folder.path() + "/c.db ";
    checkerOutput(catalog + folder.path() + "/archive");
    std::rename(moved.c_str(), (folder.path() + "/archive/b.jpg").c_str());
    std::remove(gone.c_str());
    const std::string json = checkerOutput("--json --verify " + catalog + folder.path() + "/archive")
                             + checkerOutput("--json --verify --changed-only " + catalog + folder.path() + "/archive");
    const std::set<std::string> fields = matches(json, std::regex(R"re("([A-Za-z_0-9]+)":)re"));
    for (const char* added : {"sha256", "Fixity", "moved_from", "moved_from_hex", "stored", "checked"})
        ASSERT_TRUE(fields.count(added)) << added << " not in " << json;
    for (const std::string& field : fields)
        EXPECT_NE(page.find("<code>" + field + "</code>"), std::string::npos) << "JSON field not described: " << field;
}

}  // namespace
