// The file list of the main window: cell texts, sorting by column click,
// type-to-find and the find dialog, the selection commands, selection kept by
// name, the status bar, the keys of the list and the action rules.
#include "app/MainWin.h"
#include "catalogue/KvFileInfos.h"
#include "catalogue/KvUtils.h"
#include "components/KvListHeader.h"
#include "components/KvListView.h"
#include "components/KvRecentControl.h"
#include "components/ScanlarkColumns.h"
#include "inspection/KvJpegChecker.h"
#include "inspection/KvJpegInfoConsts.h"
#include "FileHelpers.h"
#include "JpegBuilder.h"
#include "TempFiles.h"
#include "WaitUntil.h"
#include "WindowTest.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QToolTip>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <set>

namespace {

Bytes soundJpeg()
{
    return JpegBuilder().soi().app0Jfif(1, 1).dqt8(TableWithSum(1858)).sof(0xC0, 8, 8, 1).sos().entropy(200).eoi().bytes();
}

Bytes withTail(Bytes bytes, size_t n)
{
    bytes.insert(bytes.end(), n, 'x');
    return bytes;
}

void setWriteTime(const std::string& path, const QDateTime& local)
{
    const timespec times[2] = {{local.toSecsSinceEpoch(), 0}, {local.toSecsSinceEpoch(), 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

QLocale groupedLocale()
{
    QLocale locale = QLocale::system();
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::NumberOptions(QLocale::OmitGroupSeparator));
    return locale;
}

QString grouped(qlonglong value) { return groupedLocale().toString(value); }

void sendKey(QWidget* to, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, bool press = true)
{
    if (press) {
        QKeyEvent down(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(to, &down);
    }
    QKeyEvent up(QEvent::KeyRelease, key, modifiers);
    QApplication::sendEvent(to, &up);
}

class FileList : public WindowTest {
protected:
    void SetUp() override
    {
        const Bytes sound = soundJpeg();
        photos_.write("a-sound.jpg", sound);
        photos_.write("B-appended.jpg", withTail(sound, 4));
        photos_.write("bb.jpg", withTail(sound, 1));
        photos_.write("c-truncated.jpg", Bytes(sound.begin(), sound.end() - 50));
        photos_.write("d-text.jpg", Bytes(1234, 't'));
        photos_.write("\xEF\xBD\x85-wide.jpg", withTail(sound, 2));  // full-width "e"
        setWriteTime(folder() + "a-sound.jpg", QDateTime(QDate(2021, 3, 4), QTime(5, 6, 7)));
        setWriteTime(folder() + "bb.jpg", QDateTime(QDate(2022, 1, 2), QTime(0, 0)));

        OpenWindow(photos_.path());
        ASSERT_TRUE(waitUntil([&] { return idle() && list_->RowCount() == 6 && checker_->ErrorCount >= 0; }));
        QApplication::setKeyboardInputInterval(0);  // every typed letter starts a new search
    }
    void TearDown() override
    {
        QApplication::setKeyboardInputInterval(400);
        WindowTest::TearDown();
    }
    std::set<std::string> selectedNames() const
    {
        std::set<std::string> names;
        for (int row = 0; row < list_->RowCount(); ++row)
            if (list_->isRowSelected(row))
                names.insert(nameAt(row));
        return names;
    }
    std::string focusedName() const { return list_->currentRow() < 0 ? "" : nameAt(list_->currentRow()); }
    QString cell(int row, int column) const
    {
        return list_->model()->data(list_->model()->index(row, column)).toString();
    }
    void selectOnly(const std::vector<std::string>& names, const std::string& focus)
    {
        list_->ClearSelection();
        for (const std::string& name : names)
            list_->selectRow(rowOf(name), true);
        list_->setCurrentRow(focus.empty() ? -1 : rowOf(focus));
    }
    void showEveryColumn() const
    {
        TKvListColumnInfos& infos = list_->ColumnInfos->ColumnInfos();
        for (int i = 0; i < infos.Count(); ++i)
            infos.Items(i).Visible = true;
        list_->UpdateColumns();
    }
    // Clicks the header of view column `column`, as a person sorts. The
    // header's sections are the column set's items, hidden ones included.
    void clickHeader(int column) const
    {
        QHeaderView* header = list_->header();
        const int section = list_->ColumnTag(column);
        const int x = header->sectionViewportPosition(section) + header->sectionSize(section) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(x, header->height() / 2));
    }
    int realColumnOf(int tag) const
    {
        for (int column = 0; column < list_->ColumnCount(); ++column)
            if (list_->ColumnTag(column) == tag)
                return column;
        return -1;
    }

};

// --- Cells -------------------------------------------------------------------

TEST_F(FileList, FileColumnsShowTheEntry)
{
    QAbstractItemModelTester tester(list_->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    const int row = rowOf("a-sound.jpg");
    const TKvFileInfo& e = *files().FileInfos(row);
    const QString folderName = QFile::decodeName(QByteArray::fromStdString(photos_.path())).section(u'/', -1);
    const QLocale locale = QLocale::system();
    const QDateTime written(QDate(2021, 3, 4), QTime(5, 6, 7));
    const std::pair<int, QString> expected[] = {
        {ScanlarkColumn::Name, QStringLiteral("a-sound.jpg")},
        {ScanlarkColumn::FullFileName, QString::fromStdString(folder()) + QStringLiteral("a-sound.jpg")},
        {ScanlarkColumn::Path, QString::fromStdString(folder())},
        {ScanlarkColumn::PathOnly, folderName},
        {ScanlarkColumn::FindIndex, grouped(e.FindIndex)},
        {ScanlarkColumn::Size, SizeToKBStr(e.Size)},
        {ScanlarkColumn::SizeDetail, grouped(e.Size)},
        {ScanlarkColumn::TypeName, e.TypeName},
        {ScanlarkColumn::Attr, QString()},
    };
    for (const auto& [column, text] : expected)
        EXPECT_EQ(cell(row, column), text) << "column " << column;
    // The short date, then the time in digits with seconds.
    const QString writtenText = cell(row, ScanlarkColumn::LastWriteTime);
    EXPECT_TRUE(writtenText.startsWith(locale.toString(written.date(), QLocale::ShortFormat) + u' '));
    EXPECT_TRUE(writtenText.contains(QStringLiteral("5:06:07"))) << writtenText.toStdString();
    EXPECT_FALSE(e.TypeName.isEmpty());

    // Thousands are grouped whatever the locale's default.
    const int text = rowOf("d-text.jpg");
    EXPECT_EQ(cell(text, ScanlarkColumn::SizeDetail), grouped(1234));
    EXPECT_TRUE(cell(text, ScanlarkColumn::SizeDetail).contains(groupedLocale().groupSeparator()));
    EXPECT_EQ(cell(text, ScanlarkColumn::Size), SizeToKBStr(1234));

    // Exactly midnight shows the date alone.
    EXPECT_EQ(cell(rowOf("bb.jpg"), ScanlarkColumn::LastWriteTime),
              locale.toString(QDate(2022, 1, 2), QLocale::ShortFormat));

    // Only the name column carries the type's icon.
    EXPECT_FALSE(list_->model()->data(list_->model()->index(row, 0), Qt::DecorationRole).value<QIcon>().isNull());
    for (int column = 1; column < ScanlarkColumn::Count; ++column)
        EXPECT_FALSE(list_->model()->data(list_->model()->index(row, column), Qt::DecorationRole).isValid());

    // Rows outside the catalogue are empty.
    EXPECT_EQ(window_->LVFilesData(6, ScanlarkColumn::Name), QString());
    EXPECT_EQ(window_->LVFilesData(-1, ScanlarkColumn::Name), QString());
}

TEST_F(FileList, CheckColumnsShowTheRecordAndNothingWithoutOne)
{
    // The check that ran after the listing.
    const int sound = rowOf("a-sound.jpg");
    EXPECT_EQ(cell(sound, ScanlarkColumn::JPEG_Error), QStringLiteral("なし"));
    EXPECT_EQ(cell(sound, ScanlarkColumn::JPEG_Version), QStringLiteral("JFIF 1.01"));
    EXPECT_EQ(cell(sound, ScanlarkColumn::JPEG_Width), QStringLiteral("8"));
    EXPECT_EQ(cell(rowOf("B-appended.jpg"), ScanlarkColumn::JPEG_AddBinary), QStringLiteral("4"));

    auto full = std::make_unique<TKvJpegInfo>();
    full->Verdict = jvOkWithTrailingData;
    full->TrailingBytes = 12345;
    full->ProcessCode = 2;
    full->HasMacBinaryHeader = true;
    full->ScanComplete = true;
    full->IsGrayscale = true;
    full->Width = 640;
    full->Height = 480;
    full->ThumbWidth = 80;
    full->ThumbHeight = 60;
    full->IsJfif = true;
    full->JfifMajor = 1;
    full->JfifMinor = 2;
    full->IsExif = true;
    full->Comment = "\xE3\x81\x93\xE3\x82\x8C";  // "これ" in UTF-8
    full->Quality = 75;
    full->IjgQuality = 90;

    auto sparse = std::make_unique<TKvJpegInfo>();  // every number unknown
    sparse->IsExif = true;
    sparse->IsGrayscale = true;  // without a complete scan it means nothing

    auto plain = std::make_unique<TKvJpegInfo>();
    plain->Verdict = jvDamaged;
    plain->ScanComplete = true;
    plain->IsGrayscale = false;
    plain->ProcessCode = 0;

    const int a = rowOf("a-sound.jpg"), b = rowOf("bb.jpg"), c = rowOf("c-truncated.jpg");
    files().FileInfos(a)->SetJpegInfo(full.release());
    files().FileInfos(b)->SetJpegInfo(sparse.release());
    files().FileInfos(c)->SetJpegInfo(plain.release());
    const int none = rowOf("d-text.jpg");
    files().FileInfos(none)->SetJpegInfo(nullptr);

    using namespace ScanlarkColumn;
    const QString mark = QStringLiteral("○");
    struct Row {
        int row;
        int column;
        QString text;
    };
    const Row table[] = {
        {a, JPEG_Error, QString::fromUtf8(JpegVerdictTexts[1])},
        {a, JPEG_AddBinary, grouped(12345)},
        {a, JPEG_Format, QString::fromUtf8(JpegProcessText(2))},
        {a, JPEG_MacBinary, mark},
        {a, JPEG_Grayscale, mark},
        {a, JPEG_Width, QStringLiteral("640")},
        {a, JPEG_Height, QStringLiteral("480")},
        {a, JPEG_ThumbWidth, QStringLiteral("80")},
        {a, JPEG_ThumbHeight, QStringLiteral("60")},
        {a, JPEG_Version, QStringLiteral("JFIF 1.02")},  // JFIF wins over Exif
        {a, JPEG_Comment, QStringLiteral("これ")},
        {a, JPEG_Quality, QStringLiteral("75 %")},
        {a, JPEG_IJGQuality, QStringLiteral("90 %")},
        {b, JPEG_Error, QString()},
        {b, JPEG_AddBinary, QString()},
        {b, JPEG_Format, QString()},
        {b, JPEG_MacBinary, QString()},
        {b, JPEG_Grayscale, QString()},
        {b, JPEG_Width, QString()},
        {b, JPEG_Height, QString()},
        {b, JPEG_ThumbWidth, QString()},
        {b, JPEG_ThumbHeight, QString()},
        {b, JPEG_Version, QStringLiteral("Exif")},
        {b, JPEG_Quality, QString()},
        {b, JPEG_IJGQuality, QString()},
        {c, JPEG_Error, QString::fromUtf8(JpegVerdictTexts[2])},
        {c, JPEG_Format, QString::fromUtf8(JpegProcessText(0))},
        {c, JPEG_Grayscale, QString()},
        {c, JPEG_Version, QString()},
    };
    for (const Row& expected : table)
        EXPECT_EQ(cell(expected.row, expected.column), expected.text) << "row " << expected.row << " column " << expected.column;
    EXPECT_FALSE(QString::fromUtf8(JpegProcessText(2)).isEmpty());
    for (int column = JPEG_Error; column < Count; ++column)
        EXPECT_EQ(cell(none, column), QString()) << "column " << column;
}

// --- Sorting -----------------------------------------------------------------

TEST_F(FileList, EveryColumnSortsKeepingSelectionAndFocusAndMovesTheMark)
{
    showEveryColumn();
    ASSERT_EQ(list_->ColumnCount(), ScanlarkColumn::Count);
    const std::set<std::string> selected = {"bb.jpg", "d-text.jpg"};
    const QCursor* cursorBefore = QApplication::overrideCursor();
    for (int tag = ScanlarkColumn::Count - 1; tag >= 0; --tag) {
        selectOnly({"bb.jpg", "d-text.jpg"}, "c-truncated.jpg");
        const int column = realColumnOf(tag);
        Q_EMIT list_->columnClicked(column);
        EXPECT_EQ(window_->FileInfos()->SortMode(), tag);
        EXPECT_FALSE(window_->FileInfos()->SortDown());
        EXPECT_EQ(list_->RowCount(), 6);
        EXPECT_EQ(selectedNames(), selected) << "column " << tag;
        EXPECT_EQ(focusedName(), "c-truncated.jpg") << "column " << tag;
        EXPECT_TRUE(list_->ColumnCaption(column).startsWith(QStringLiteral("▲"))) << "column " << tag;
        for (int other = 0; other < list_->ColumnCount(); ++other)
            if (other != column)
                EXPECT_FALSE(list_->ColumnCaption(other).startsWith(QStringLiteral("▲")));
        EXPECT_EQ(QApplication::overrideCursor(), cursorBefore);
    }
    // The loop ends on the name column: names ascending, case ignored.
    std::vector<std::string> names;
    for (int row = 0; row < 6; ++row)
        names.push_back(nameAt(row));
    EXPECT_EQ(names, (std::vector<std::string>{"a-sound.jpg", "B-appended.jpg", "bb.jpg", "c-truncated.jpg",
                                               "d-text.jpg", "\xEF\xBD\x85-wide.jpg"}));

    // Again on the same column: descending, the mark flips.
    clickHeader(realColumnOf(ScanlarkColumn::Name));
    EXPECT_TRUE(window_->FileInfos()->SortDown());
    EXPECT_TRUE(list_->ColumnCaption(realColumnOf(ScanlarkColumn::Name)).startsWith(QStringLiteral("▼")));
    for (int row = 0; row < 6; ++row)
        EXPECT_EQ(nameAt(row), names[static_cast<size_t>(5 - row)]);
    EXPECT_EQ(selectedNames(), selected);
    EXPECT_EQ(focusedName(), "c-truncated.jpg");

    // Another column sorts ascending by it.
    clickHeader(realColumnOf(ScanlarkColumn::SizeDetail));
    EXPECT_FALSE(window_->FileInfos()->SortDown());
    for (int row = 1; row < 6; ++row)
        EXPECT_LT(files().FileInfos(row - 1)->Size, files().FileInfos(row)->Size);
}

TEST_F(FileList, ColumnClickIsRefusedWhileAWorkerRuns)
{
    const std::string first = nameAt(0);
    checker_->Running = true;
    clickHeader(realColumnOf(ScanlarkColumn::Size));
    checker_->Running = false;
    EXPECT_EQ(window_->FileInfos()->SortMode(), ScanlarkColumn::Name);
    EXPECT_EQ(list_->SortColumnIndex, ScanlarkColumn::Name);
    EXPECT_EQ(nameAt(0), first);
    EXPECT_FALSE(list_->ColumnCaption(realColumnOf(ScanlarkColumn::Size)).startsWith(QStringLiteral("▲")));

    clickHeader(realColumnOf(ScanlarkColumn::Size));
    EXPECT_EQ(window_->FileInfos()->SortMode(), ScanlarkColumn::Size);
}

// --- Find --------------------------------------------------------------------

TEST_F(FileList, TypingFindsTheNextNameByPrefixIgnoringAsciiCaseAndWraps)
{
    list_->setCurrentRow(-1);
    list_->keyboardSearch(QStringLiteral("b"));
    EXPECT_EQ(focusedName(), "B-appended.jpg");
    EXPECT_EQ(selectedNames(), (std::set<std::string>{"B-appended.jpg"}));
    list_->keyboardSearch(QStringLiteral("B"));
    EXPECT_EQ(focusedName(), "bb.jpg");
    list_->keyboardSearch(QStringLiteral("b"));
    EXPECT_EQ(focusedName(), "B-appended.jpg");  // wrapped to the top

    // Only ASCII letters are folded: a full-width capital does not find the
    // full-width small letter.
    list_->keyboardSearch(QStringLiteral("Ｅ"));
    EXPECT_EQ(focusedName(), "B-appended.jpg");
    list_->keyboardSearch(QStringLiteral("ｅ"));
    EXPECT_EQ(focusedName(), "\xEF\xBD\x85-wide.jpg");
    list_->keyboardSearch(QStringLiteral("A"));
    EXPECT_EQ(focusedName(), "a-sound.jpg");
    list_->keyboardSearch(QStringLiteral("x"));
    EXPECT_EQ(focusedName(), "a-sound.jpg");
}

TEST_F(FileList, FindDialogAndFindNext)
{
    // F3 before any search does nothing.
    selectOnly({"d-text.jpg"}, "d-text.jpg");
    window_->ActionList1Update();
    action("SearchFindNextAct")->trigger();
    EXPECT_EQ(selectedNames(), (std::set<std::string>{"d-text.jpg"}));
    EXPECT_EQ(focusedName(), "d-text.jpg");

    ASSERT_TRUE(action("SearchFindAct")->isEnabled());
    action("SearchFindAct")->trigger();
    auto* dialog = window_->findChild<QDialog*>(QStringLiteral("FindDialog1"));
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->isModal());
    auto* text = dialog->findChild<QLineEdit*>(QStringLiteral("FindDialog1Text"));
    auto* find = dialog->findChild<QPushButton*>(QStringLiteral("FindDialog1FindButton"));
    text->setText(QStringLiteral("B"));
    find->click();  // from below the focused row, wrapping
    EXPECT_EQ(focusedName(), "B-appended.jpg");
    EXPECT_EQ(selectedNames(), (std::set<std::string>{"B-appended.jpg"}));
    action("SearchFindNextAct")->trigger();
    EXPECT_EQ(focusedName(), "bb.jpg");
    EXPECT_EQ(selectedNames(), (std::set<std::string>{"bb.jpg"}));
    action("SearchFindNextAct")->trigger();
    EXPECT_EQ(focusedName(), "B-appended.jpg");

    text->setText(QStringLiteral("nothing"));
    find->click();
    EXPECT_TRUE(selectedNames().empty());
    EXPECT_EQ(list_->currentRow(), -1);

    // Without a focused row the search starts at the top.
    text->setText(QStringLiteral("a"));
    find->click();
    EXPECT_EQ(focusedName(), "a-sound.jpg");
    dialog->close();
}

// --- Selection ---------------------------------------------------------------

TEST_F(FileList, SelectAllAndInvert)
{
    const QCursor* cursorBefore = QApplication::overrideCursor();
    window_->ActionList1Update();
    action("SelectAllAct")->trigger();
    EXPECT_EQ(list_->selectedRowCount(), 6);
    EXPECT_EQ(QApplication::overrideCursor(), cursorBefore);

    selectOnly({"a-sound.jpg", "c-truncated.jpg"}, "");
    action("SelectChangeAct")->trigger();
    EXPECT_EQ(selectedNames(), (std::set<std::string>{"B-appended.jpg", "bb.jpg", "d-text.jpg",
                                                      "\xEF\xBD\x85-wide.jpg"}));
    action("SelectChangeAct")->trigger();
    EXPECT_EQ(selectedNames(), (std::set<std::string>{"a-sound.jpg", "c-truncated.jpg"}));
    EXPECT_EQ(QApplication::overrideCursor(), cursorBefore);
}

TEST_F(FileList, SelectionIsSavedAndRestoredByFullName)
{
    selectOnly({"d-text.jpg", "a-sound.jpg"}, "bb.jpg");
    TKvRecentItem item;
    item.SelectedFileNames = {"stale"};
    window_->SaveSelection(item);
    EXPECT_EQ(item.SelectedFileNames, (std::vector<std::string>{folder() + "a-sound.jpg", folder() + "d-text.jpg"}));
    EXPECT_EQ(item.FocusedFileName, folder() + "bb.jpg");

    EXPECT_EQ(window_->FindFileIndex(folder() + "bb.jpg"), rowOf("bb.jpg"));
    EXPECT_EQ(window_->FindFileIndex(folder() + "BB.jpg"), -1);  // another file here
    EXPECT_EQ(window_->FindFileIndex(folder() + "missing.jpg"), -1);
    EXPECT_EQ(window_->FindFileIndex("/elsewhere/bb.jpg"), -1);

    list_->SetRowCount(0);
    list_->SetRowCount(files().Count());
    ASSERT_TRUE(selectedNames().empty());
    item.SelectedFileNames.push_back(folder() + "gone.jpg");  // skipped silently
    window_->RestoreSelection(item);
    EXPECT_EQ(selectedNames(), (std::set<std::string>{"a-sound.jpg", "d-text.jpg"}));
    EXPECT_EQ(focusedName(), "bb.jpg");
    EXPECT_TRUE(item.SelectedFileNames.empty());  // restored once

    list_->ClearSelection();
    list_->setCurrentRow(-1);
    window_->SaveSelection(item);
    EXPECT_TRUE(item.SelectedFileNames.empty());
    EXPECT_EQ(item.FocusedFileName, "");
}

// --- Status bar --------------------------------------------------------------

TEST_F(FileList, StatusBarPanels)
{
    selectOnly({"a-sound.jpg", "bb.jpg"}, "c-truncated.jpg");
    window_->UpdateStatusBar();
    EXPECT_EQ(window_->PanelText(0), QStringLiteral("2 個のオブジェクトを選択"));
    EXPECT_EQ(window_->PanelText(1), QStringLiteral("%1 / 6").arg(rowOf("c-truncated.jpg") + 1));
    EXPECT_EQ(window_->PanelText(2), SizeToStr(files().TotalSize));
    int errors = 0;
    for (int row = 0; row < files().Count(); ++row)
        errors += IsJpegErrorVerdict(files().FileInfos(row)->JpegInfo()->Verdict) ? 1 : 0;
    EXPECT_EQ(errors, 2);
    EXPECT_EQ(window_->PanelText(3), QStringLiteral("2 個のエラー"));

    // Selection and focus changes show at once.
    list_->setCurrentRow(-1);
    EXPECT_EQ(window_->PanelText(1), QStringLiteral("6 個のオブジェクト"));
    list_->selectRow(rowOf("d-text.jpg"), true);
    EXPECT_EQ(window_->PanelText(0), QStringLiteral("3 個のオブジェクトを選択"));

    checker_->Running = true;
    checker_->Progress = 0.054f;
    window_->UpdateStatusBar();
    EXPECT_EQ(window_->PanelText(3), QStringLiteral("  5 %完了"));
    checker_->Progress = 1.0f;
    window_->UpdateStatusBar();
    EXPECT_EQ(window_->PanelText(3), QStringLiteral("100 %完了"));
    checker_->Running = false;
    checker_->ErrorCount = 1234;
    window_->UpdateStatusBar();
    EXPECT_EQ(window_->PanelText(3), grouped(1234) + QStringLiteral(" 個のエラー"));
    checker_->ErrorCount = -1;
    window_->UpdateStatusBar();
    EXPECT_EQ(window_->PanelText(3), QStringLiteral("エラー未チェック"));

    // A mouse move over the list puts the counts back over a hint.
    window_->SetPanelText(0, QStringLiteral("hint"));
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(list_->viewport(), &move);
    EXPECT_EQ(window_->PanelText(0), QStringLiteral("3 個のオブジェクトを選択"));
}

TEST_F(FileList, NarrowColumnsKeepTheBeginningOfTheirCaptions)
{
    // A narrow right-aligned column keeps the beginning of its caption and
    // cells; hovering shows the whole caption.
    EXPECT_EQ(list_->textElideMode(), Qt::ElideRight);
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    const int width = realColumnOf(ScanlarkColumn::JPEG_Width);
    ASSERT_GE(width, 0);
    auto* header = qobject_cast<TKvListHeader*>(list_->header());
    ASSERT_NE(header, nullptr);
    // The caption as painted: its beginning, then "…", never its end alone.
    for (int tag : {int(ScanlarkColumn::JPEG_Width), int(ScanlarkColumn::JPEG_Height)}) {
        header->resizeSection(tag, header->fontMetrics().horizontalAdvance(QStringLiteral("横ピ…")) + 12);
        const QString label = header->SectionLabel(tag);
        EXPECT_TRUE(label.endsWith(QChar(0x2026))) << label.toStdString();
        EXPECT_TRUE(label.startsWith(tag == ScanlarkColumn::JPEG_Width ? u'横' : u'縦')) << label.toStdString();
    }
    header->resizeSection(ScanlarkColumn::JPEG_Width, 400);
    EXPECT_EQ(header->SectionLabel(ScanlarkColumn::JPEG_Width), QStringLiteral("横ピクセル"));
    const QPoint inside(header->sectionViewportPosition(ScanlarkColumn::JPEG_Width) + 5, header->height() / 2);
    QHelpEvent hover(QEvent::ToolTip, inside, header->viewport()->mapToGlobal(inside));
    QApplication::sendEvent(header->viewport(), &hover);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("横ピクセル"));
    QToolTip::hideText();
    for (int tag = 0; tag < ScanlarkColumn::Count; ++tag)
        EXPECT_EQ(list_->model()->headerData(tag, Qt::Horizontal, Qt::ToolTipRole).toString(),
                  list_->model()->headerData(tag, Qt::Horizontal, Qt::DisplayRole).toString());
}

// Each status panel shows its longest texts whole, also in the narrowest
// window and with a large font.
TEST(FileListStatusBar, PanelsFitTheirLongestTexts)
{
    const QFont before = QApplication::font();
    QFont large = before;
    large.setPointSize(24);
    QApplication::setFont(large);
    TempFolder photos;
    TempFolder settings;
    {
        TFormScanlark window(photos.path(), settings.path() + "/", "scanlark.ini");
        window.FormActivate();
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.resize(100, window.height());
        QApplication::processEvents();
        const std::vector<QStringList> longest = {
            {QStringLiteral("999,999 個のオブジェクトを選択")},
            {QStringLiteral("999,999 個のオブジェクト"), QStringLiteral("999,999 / 999,999")},
            {SizeToStr(-1), SizeToStr(1023999), SizeToStr(999LL << 20)},
            {QStringLiteral("エラー未チェック"), QStringLiteral("100 %完了"), QStringLiteral("999,999 個のエラー")},
        };
        for (size_t panel = 0; panel < longest.size(); ++panel) {
            auto* label = window.findChild<QLabel*>(QStringLiteral("SBPanel%1").arg(panel));
            ASSERT_NE(label, nullptr);
            for (const QString& text : longest[panel])
                EXPECT_GE(label->contentsRect().width(), label->fontMetrics().horizontalAdvance(text))
                    << "panel " << panel << ": " << text.toStdString();
        }
        window.close();
    }
    QApplication::setFont(before);
}

// --- Keys --------------------------------------------------------------------

TEST_F(FileList, KeysActOnReleaseAfterAPressAndArrowsSidewaysLoadNoPreview)
{
    QSignalSpy preview(action("ImgLoadAct"), &QAction::triggered);
    QSignalSpy stop(action("StopAct"), &QAction::triggered);
    QSignalSpy errors(action("SelectErrorsActSl"), &QAction::triggered);
    QSignalSpy check(action("JpegErrorCheckAllAct"), &QAction::triggered);

    list_->setCurrentRow(0);
    sendKey(list_, Qt::Key_Down);
    EXPECT_EQ(list_->currentRow(), 1);
    EXPECT_EQ(preview.count(), 1);
    sendKey(list_, Qt::Key_Down, Qt::NoModifier, false);  // a release without a press
    EXPECT_EQ(preview.count(), 1);
    sendKey(list_, Qt::Key_Left);
    sendKey(list_, Qt::Key_Right);
    EXPECT_EQ(preview.count(), 1);

    sendKey(list_, Qt::Key_Escape);
    EXPECT_EQ(stop.count(), 1);
    sendKey(list_, Qt::Key_Stop);
    EXPECT_EQ(stop.count(), 2);
    sendKey(list_, Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(errors.count(), 1);
    sendKey(list_, Qt::Key_R);  // without Ctrl: no command, only the preview
    EXPECT_EQ(errors.count(), 1);
    EXPECT_EQ(preview.count(), 5);

    QSignalSpy selectAll(action("SelectAllAct"), &QAction::triggered);
    sendKey(list_, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(selectAll.count(), 1);
    EXPECT_EQ(list_->selectedRowCount(), 6);
    sendKey(list_, Qt::Key_F, Qt::ControlModifier);
    auto* dialog = window_->findChild<QDialog*>(QStringLiteral("FindDialog1"));
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    dialog->findChild<QLineEdit*>(QStringLiteral("FindDialog1Text"))->setText(QStringLiteral("c"));
    dialog->close();
    list_->setCurrentRow(-1);
    sendKey(list_, Qt::Key_F3);
    EXPECT_EQ(focusedName(), "c-truncated.jpg");

    sendKey(list_, Qt::Key_F9);
    EXPECT_EQ(check.count(), 1);
    ASSERT_TRUE(waitUntil([&] { return idle(); }));
}

TEST_F(FileList, AltArrowsAndRefreshKeyNavigate)
{
    photos_.write("sub/inner.jpg", soundJpeg());
    window_->WMCopyData(1, folder() + "sub");
    ASSERT_TRUE(waitUntil([&] { return idle() && list_->RowCount() == 1; }));
    auto* recent = window_->findChild<TKvRecentControl*>(QStringLiteral("KvRecentControl1"));

    sendKey(list_, Qt::Key_Left, Qt::AltModifier);
    ASSERT_TRUE(waitUntil([&] { return idle() && list_->RowCount() == 6; }));
    EXPECT_EQ(recent->NowItem()->Path, folder());
    sendKey(list_, Qt::Key_Right, Qt::AltModifier);
    ASSERT_TRUE(waitUntil([&] { return idle() && list_->RowCount() == 1; }));
    EXPECT_EQ(recent->NowItem()->Path, folder() + "sub/");

    // F5 lists the folder again, keeping the focus.
    photos_.write("sub/second.jpg", soundJpeg());
    list_->setCurrentRow(0);
    sendKey(list_, Qt::Key_F5);
    ASSERT_TRUE(waitUntil([&] { return idle() && list_->RowCount() == 2; }));
    EXPECT_EQ(focusedName(), "inner.jpg");
    EXPECT_EQ(window_->Options()->RefreshMode, 0);
}

// --- Action rules ------------------------------------------------------------

TEST_F(FileList, ActionRulesFollowTheList)
{
    list_->ClearSelection();
    list_->setCurrentRow(-1);
    window_->ActionList1Update();
    for (QAction* action : {action("SearchFindAct"), action("SearchFindNextAct"), action("SelectAllAct"),
                            action("SelectChangeAct"), action("JpegErrorCheckAllAct"), action("SelectErrorsActSl")})
        EXPECT_TRUE(action->isEnabled()) << action->objectName().toStdString();
    const char* const onSelection[] = {"OpenShellAct", "OpenExplorerAct", "DeleteFileAct", "CopyFileAct",
                                       "MoveFileAct"};
    for (const char* name : onSelection)
        EXPECT_FALSE(action(name)->isEnabled()) << name;
    EXPECT_FALSE(action("MoveThisFolderAct")->isEnabled());
    EXPECT_FALSE(action("NameCopyAct")->isEnabled());
    EXPECT_TRUE(action("OpenFolderAct")->isEnabled());

    selectOnly({"a-sound.jpg"}, "a-sound.jpg");
    window_->ActionList1Update();
    EXPECT_TRUE(action("MoveThisFolderAct")->isEnabled());
    EXPECT_TRUE(action("NameCopyAct")->isEnabled());
    for (const char* name : onSelection)
        EXPECT_TRUE(action(name)->isEnabled()) << name;

    list_->SetRowCount(0);
    window_->ActionList1Update();
    for (QAction* action : {action("SearchFindAct"), action("SelectAllAct"), action("SelectChangeAct"),
                            action("JpegErrorCheckAllAct"), action("MoveThisFolderAct")})
        EXPECT_FALSE(action->isEnabled()) << action->objectName().toStdString();
    // The back menu shows a placeholder while the history is empty; that
    // is no place to go back to.
    EXPECT_FALSE(action("BackAct")->isEnabled());
    EXPECT_FALSE(action("ForwardAct")->isEnabled());

    window_->Options()->RefreshMode = 2;
    window_->Options()->ImgViewMode = 1;
    window_->ActionList1Update();
    EXPECT_EQ(window_->findChild<QToolButton*>(QStringLiteral("TBtnRefresh"))->defaultAction(), action("RefreshFilesAct"));
    EXPECT_TRUE(action("IVScaleNormalAct")->isChecked());
    EXPECT_FALSE(action("IVAutoScaleLongAct")->isChecked());
}

}  // namespace

namespace {

class TrashInTree : public WindowTest {};

// A search through sub-folders leaves every trash alone: the home trash and
// a file system's .Trash-$uid and .Trash/$uid hold what a person threw
// away, not files to check.
TEST_F(TrashInTree, ASearchThroughSubFoldersNeverEntersATrash)
{
    const ScopedEnv data("XDG_DATA_HOME", photos_.path() + "/home/.local/share");
    for (const char* name : {"a.jpg", "sub/b.jpg", "home/.local/share/Trash/files/t.jpg",
                             "usb/.Trash-1000/files/u.jpg", "usb/.Trash/1000/files/v.jpg", "usb/.Trashy/w.jpg"})
        photos_.write(name, SoundTestJpeg());
    OpenWindow(folder());
    action("SubFolderSearchAct")->setChecked(true);
    action("HiddenFileViewAct")->setChecked(true);
    action("RefreshFilesAct")->trigger();
    ASSERT_TRUE(waitUntil([&] { return idle() && rowOf("b.jpg") >= 0; }));
    std::set<std::string> names;
    for (int row = 0; row < files().Count(); ++row)
        names.insert(nameAt(row));
    EXPECT_EQ(names, (std::set<std::string>{"a.jpg", "b.jpg", "w.jpg"}));
}

}  // namespace
