// `scanlark --help`, `--version` and options it does not know, as a person
// types them; the version is the one the build was configured with, in the
// window's About box too.
#include "app/MainWin.h"
#include "app/StartArgument.h"
#include "components/KvAbout.h"
#include "components/KvActns.h"
#include "StartUpFixture.h"
#include "TempFiles.h"

#include <QLabel>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

TEST_F(StartUp, HelpVersionAndUnknownOptionsAreNoFolderNames)
{
    struct Case {
        QStringList arguments;
        int status;
        const char* out;  // the start of standard output
        const char* err;  // part of standard error
    } cases[] = {
        {{"--help"}, 0, "Usage: scanlark [FOLDER-OR-FILE]\n", ""},
        {{"-h"}, 0, "Usage: scanlark", ""},
        {{"--version"}, 0, "scanlark (Scanlark) " SCANLARK_PROJECT_VERSION "\n", ""},
        // Qt's own options are Qt's; the rest is read after them.
        {{"-platform", "offscreen", "--version"}, 0, "scanlark (Scanlark) ", ""},
        {{"--bogus"}, 2, "", "scanlark: unknown option '--bogus'"},
        {{"-x", "/tmp"}, 2, "", "unknown option '-x'"},
    };
    for (const Case& c : cases) {
        QProcess process;
        process.setProcessEnvironment(environmentWith({}));
        process.start(QStringLiteral(SCANLARK_PATH), c.arguments);
        ASSERT_TRUE(process.waitForFinished(20000)) << c.arguments.join(' ').toStdString();
        EXPECT_EQ(process.exitCode(), c.status) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(process.readAllStandardOutput().startsWith(c.out)) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(process.readAllStandardError().contains(c.err)) << c.arguments.join(' ').toStdString();
    }

    // "--" ends the options: what follows is a path, as is "-" alone.
    const char* dashed[] = {"scanlark", "--", "-folder"};
    EXPECT_EQ(ReadStartArguments(3, dashed).argument, "-folder");
    const char* dash[] = {"scanlark", "-", "--help"};
    EXPECT_EQ(ReadStartArguments(3, dash).kind, StartRequest::Kind::Help);
    const char* empty[] = {"scanlark", ""};
    EXPECT_TRUE(ReadStartArguments(2, empty).hasArgument);
}

TEST_F(StartUp, AboutBoxShowsTheBuildsVersion)
{
    TempFolder settings;
    TFormScanlark window("", settings.path() + "/", "scanlark.ini");
    auto* about = window.findChild<TKvAboutAction*>(QStringLiteral("KvAboutActionSl"));
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->CreateAboutBox()->findChild<QLabel*>(QStringLiteral("ProductName"))->text(),
              QStringLiteral("Scanlark  Version " SCANLARK_PROJECT_VERSION));
}

}  // namespace
