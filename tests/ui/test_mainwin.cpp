// The main window's settings: first start, the saved layout, round trips,
// bad values and where the files go.
#include "app/MainWin.h"
#include "catalogue/KvFileInfos.h"
#include "catalogue/KvUtils.h"
#include "components/KvListView.h"
#include "platform/KvMemIniFile.h"
#include "TempFiles.h"

#include <QAction>
#include <QFile>
#include <QHeaderView>
#include <QStandardPaths>
#include <QToolButton>
#include <QTreeView>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>

namespace {

QByteArray readFile(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const std::string& path, const QByteArray& bytes)
{
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Opens a window on the settings folder, lets it load its settings, runs
// check() on it, then closes it (which saves).
void withWindow(const TempFolder& folder, const std::function<void(TFormScanlark&)>& check)
{
    TFormScanlark window(folder.path(), folder.path() + "/", "scanlark.ini");
    window.FormActivate();
    check(window);
    window.close();
}

std::vector<std::string> sectionKeys(const QByteArray& text, const QByteArray& section)
{
    std::vector<std::string> keys;
    bool inside = false;
    for (const QByteArray& line : text.split('\n')) {
        const QByteArray trimmed = line.trimmed();
        if (trimmed.startsWith('['))
            inside = trimmed == "[" + section + "]";
        else if (inside && trimmed.contains('='))
            keys.push_back(trimmed.left(trimmed.indexOf('=')).toStdString());
    }
    return keys;
}

TEST(MainWindowSettings, FirstStartUsesEveryDefaultAndSavesThreeSections)
{
    TempFolder folder;
    withWindow(folder, [](TFormScanlark& w) {
        EXPECT_TRUE(w.findChild<QAction*>(QStringLiteral("DoNowAct"))->isChecked());
        EXPECT_TRUE(w.findChild<QAction*>(QStringLiteral("FolderBarVisibleAct"))->isChecked());
        EXPECT_FALSE(w.findChild<QTreeView*>(QStringLiteral("STV"))->isHidden());
        EXPECT_EQ(w.windowState() & (Qt::WindowMinimized | Qt::WindowMaximized), Qt::WindowNoState);
        EXPECT_EQ(w.findChild<QToolButton*>(QStringLiteral("TBtnRefresh"))->defaultAction(), w.findChild<QAction*>(QStringLiteral("RefreshAllAct")));
        EXPECT_TRUE(w.findChild<QAction*>(QStringLiteral("IVAutoScaleLongAct"))->isChecked());
        EXPECT_EQ(w.Options()->ImgViewMode, 2);
        EXPECT_TRUE(w.findChild<QAction*>(QStringLiteral("HiddenFileViewAct"))->isChecked());
        EXPECT_FALSE(w.findChild<QAction*>(QStringLiteral("SubFolderSearchAct"))->isChecked());
        EXPECT_EQ(w.FileInfos()->Priority(), 5);
        EXPECT_EQ(w.FileInfos()->SortMode(), 0);
        EXPECT_FALSE(w.FileInfos()->SortDown());
        const auto* list = w.findChild<TKvListView*>(QStringLiteral("LVFiles"));
        EXPECT_EQ(list->SortColumnIndex, 0);
        EXPECT_FALSE(list->SortDown);
    });
    const QByteArray text = readFile(folder.path() + "/scanlark.ini");
    EXPECT_TRUE(text.startsWith("[Option]\r\nDoNow=1\r\nFolderBarVisible=1\r\nWindowState=0\r\nRefreshMode=0\r\n"
                                "ImgViewMode=2\r\nCommonSendPath=/\r\n\r\n[OptionFileInfos]\r\n"))
        << text.left(200).toStdString();
    EXPECT_EQ(sectionKeys(text, "Option").size(), 6u);
    EXPECT_EQ(sectionKeys(text, "OptionFileInfos"),
              (std::vector<std::string>{"HiddenFileView", "SubFolderSearch", "SortDown", "Priority", "SortMode"}));
    const auto columns = sectionKeys(text, "DesignColumn");
    ASSERT_EQ(columns.size(), 75u);
    EXPECT_EQ(columns[0], "Name_Visible");
    EXPECT_EQ(columns[1], "Name_Order");
    EXPECT_EQ(columns[2], "Name_Width");
    EXPECT_EQ(columns[74], "JPEG_IJGQuality_Width");
    // Our own additions, the deep check's columns too, in a section of their own.
    const auto deep = sectionKeys(text, "Deep");
    ASSERT_EQ(deep.size(), 14u);
    EXPECT_EQ(deep[0], "Enabled");
    EXPECT_EQ(deep[1], "KeepFolders");
    EXPECT_EQ(deep[2], "JPEG_DeepVerdict_Visible");
    EXPECT_EQ(deep[13], "JPEG_Trailer_Width");
    EXPECT_TRUE(text.contains("\r\n[Deep]\r\nEnabled=0\r\nKeepFolders=0\r\nJPEG_DeepVerdict_Visible=0\r\n"));
    EXPECT_TRUE(text.endsWith("\r\n\r\n"));

    // Loading what was saved and saving again gives the same bytes.
    withWindow(folder, [](TFormScanlark&) {});
    EXPECT_EQ(readFile(folder.path() + "/scanlark.ini"), text);
}

// At the default widths every shown column's caption and the size of a
// 999 MB file fit in the window's fonts; a width the person stored stays.
TEST(MainWindowSettings, DefaultColumnWidthsFitTheirCaptionsAndStoredWidthsStay)
{
    TempFolder folder;
    int sizeColumn = -1;
    withWindow(folder, [&](TFormScanlark& w) {
        const auto* list = w.findChild<TKvListView*>(QStringLiteral("LVFiles"));
        const QHeaderView* header = list->header();
        for (int section = 0; section < header->count(); ++section) {
            if (header->isSectionHidden(section))
                continue;
            const QString caption = list->model()->headerData(section, Qt::Horizontal).toString();
            EXPECT_GE(header->sectionSize(section), header->sectionSizeHint(section))
                << caption.toStdString();
            if (caption == QStringLiteral("サイズ"))
                sizeColumn = section;
        }
        ASSERT_GE(sizeColumn, 0);
        EXPECT_GT(header->sectionSize(sizeColumn), list->fontMetrics().horizontalAdvance(SizeToKBStr(999ll << 20)));
    });
    QByteArray text = readFile(folder.path() + "/scanlark.ini");
    const qsizetype at = text.indexOf("\r\nSize_Width=") + 2;
    text.replace(at, text.indexOf("\r\n", at) - at, "Size_Width=33");
    writeFile(folder.path() + "/scanlark.ini", text);
    withWindow(folder, [&](TFormScanlark& w) {
        EXPECT_EQ(w.findChild<TKvListView*>(QStringLiteral("LVFiles"))->header()->sectionSize(sizeColumn), 33);
    });
}

TEST(MainWindowSettings, HexadecimalBadAndForeignValues)
{
    TempFolder folder;
    writeFile(folder.path() + "/scanlark.ini",
              "[Foreign]\nKey=1\n\n[Option]\nDoNow=0x0\nFolderBarVisible=abc\nWindowState=0x2\n"
              "RefreshMode=258\nImgViewMode=7\nCommonSendPath=/pictures\nUnknown=5\n\n"
              "[OptionFileInfos]\nIncludePath=1\nSubFolderSearch=$1\nSortMode=12\nSortDown=1\n");
    withWindow(folder, [](TFormScanlark& w) {
        EXPECT_FALSE(w.findChild<QAction*>(QStringLiteral("DoNowAct"))->isChecked());
        EXPECT_TRUE(w.findChild<QAction*>(QStringLiteral("FolderBarVisibleAct"))->isChecked());  // not a number: the default
        EXPECT_TRUE(w.windowState() & Qt::WindowMaximized);
        EXPECT_EQ(w.Options()->RefreshMode, 2);  // its low 8 bits
        EXPECT_EQ(w.findChild<QToolButton*>(QStringLiteral("TBtnRefresh"))->defaultAction(), w.findChild<QAction*>(QStringLiteral("RefreshFilesAct")));
        EXPECT_EQ(w.Options()->ImgViewMode, 7);  // kept, no view mode set up
        EXPECT_TRUE(w.findChild<QAction*>(QStringLiteral("SubFolderSearchAct"))->isChecked());
        EXPECT_TRUE(w.FileInfos()->Options().Contains(filoIncludePath));
        const auto* list = w.findChild<TKvListView*>(QStringLiteral("LVFiles"));
        EXPECT_EQ(list->SortColumnIndex, 12);
        EXPECT_TRUE(list->SortDown);
        w.setWindowState(Qt::WindowNoState);
    });
    const QByteArray text = readFile(folder.path() + "/scanlark.ini");
    EXPECT_FALSE(text.contains("Foreign"));
    EXPECT_FALSE(text.contains("IncludePath"));
    EXPECT_FALSE(text.contains("Unknown"));
    EXPECT_TRUE(text.contains("\r\nImgViewMode=7\r\n"));
    EXPECT_TRUE(text.contains("\r\nRefreshMode=2\r\n"));
    EXPECT_TRUE(text.contains("\r\nCommonSendPath=/pictures/\r\n"));
    EXPECT_TRUE(text.contains("\r\nSubFolderSearch=1\r\n"));
}

TEST(MainWindowSettings, HistoryFileAndSettingsFolder)
{
    TempFolder folder;
    writeFile(folder.path() + "/folder.txt", "/photos/2004/\r\n/tmp/x/\n");
    withWindow(folder, [](TFormScanlark& w) {
        EXPECT_EQ(w.FolderHistoryItems(), (std::vector<std::string>{"/photos/2004/", "/tmp/x/"}));
    });
    EXPECT_EQ(readFile(folder.path() + "/folder.txt"), QByteArray("/photos/2004/\r\n/tmp/x/\r\n"));

    // A folder that cannot be written sends the settings to the config folder.
    EXPECT_EQ(SettingsFolder(folder.path()), folder.path() + "/");
    const std::string fallback = SettingsFolder(folder.path() + "/not-there");
    EXPECT_EQ(fallback,
              QFile::encodeName(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)).toStdString() +
                  "/Scanlark/");
}

TEST(MainWindowSettings, FilesThatCannotBeReadAreNeverOverwritten)
{
    TempFolder folder;
    // A settings file too big to be ours and a history that is a FIFO: the
    // window starts on defaults and an empty history, and keeps both files.
    const std::string ini = folder.path() + "/scanlark.ini";
    writeFile(ini, QByteArray("[Option]\r\nDoNow=0\r\n").append(QByteArray(3 << 20, ';')));
    const std::string history = folder.path() + "/folder.txt";
    ASSERT_EQ(::mkfifo(history.c_str(), 0600), 0);
    const auto iniSize = std::filesystem::file_size(ini);
    withWindow(folder, [](TFormScanlark& w) {
        EXPECT_TRUE(w.FolderHistoryItems().empty());
        EXPECT_TRUE(w.findChild<QAction*>(QStringLiteral("DoNowAct"))->isChecked());  // the default
        // A check would write the history: it stays in memory only.
        w.findChild<QAction*>(QStringLiteral("JpegErrorCheckAllAct"))->trigger();
    });
    EXPECT_EQ(std::filesystem::file_size(ini), iniSize);
    EXPECT_TRUE(std::filesystem::is_fifo(history));
}

TEST(MainWindowSettings, OneWriteOfTheWholeDocumentAndNoStaleTemporaryFiles)
{
    TempFolder folder;
    // What a save killed half-way leaves: a temporary file, old enough.
    const std::string stale = folder.path() + "/.scanlark.ini.abcde12345.tmp";
    writeFile(stale, "[Option]\r\n");
    const std::filesystem::file_time_type old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    std::filesystem::last_write_time(stale, old);
    const std::string fresh = folder.path() + "/.folder.txt.abcde12345.tmp";  // a save under way
    writeFile(fresh, "/x/\r\n");
    const std::string other = folder.path() + "/.scanlark.ini.notours.tmp";
    writeFile(other, "");
    std::filesystem::last_write_time(other, old);

    TFormScanlark window(folder.path(), folder.path() + "/", "scanlark.ini");
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_TRUE(std::filesystem::exists(fresh));
    EXPECT_TRUE(std::filesystem::exists(other));

    // The listing's settings go into the document only: the file is written
    // once, whole, when the window saves.
    TKvMemIniFile probe(folder.path() + "/probe.ini");
    window.FileInfos()->FileInfoList().Defaults->SaveToIni(probe);
    EXPECT_FALSE(std::filesystem::exists(folder.path() + "/probe.ini"));
    window.FormActivate();
    window.close();
    const QByteArray text = readFile(folder.path() + "/scanlark.ini");
    EXPECT_TRUE(text.contains("[OptionFileInfos]"));
    EXPECT_TRUE(text.contains("[DesignColumn]"));
}

}  // namespace
