// The image preview pane of the main window, driven as a person drives it:
// clicks and keys in the file list, the pane's mouse, the actions by name.
#include "ColourJpeg.h"
#include "components/KvImageView.h"
#include "components/ScanlarkColumns.h"
#include "FileHelpers.h"
#include "WindowTest.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMenuBar>
#include <QSplitter>
#include <QTimer>

#include <functional>

namespace {

class Preview : public WindowTest {
protected:
    void SetUp() override
    {
        ColourJpegSettings colour;
        colour.width = 320;
        colour.height = 240;
        photos_.write("a-photo.jpg", PlainColourJpeg(colour, {200, 40, 90}));
        ColourJpegSettings gray;
        gray.width = 64;
        gray.height = 48;
        gray.components = 1;
        photos_.write("b-gray.JPEG", PlainColourJpeg(gray, {100}));
        ColourJpegSettings tall;
        tall.width = 60;
        tall.height = 200;
        photos_.write("c-tall.jpg", PlainColourJpeg(tall, {20, 200, 20}));
        photos_.write("d-text.jpg", Bytes(1234, 't'));
        tall.height = 2000;
        photos_.write("e-high.jpg", PlainColourJpeg(tall, {20, 20, 200}));
        Open();
    }
    void Open()
    {
        OpenWindow(photos_.path());
        ASSERT_TRUE(waitUntil([&] { return listed(5); }));
        window_->resize(800, 700);
        window_->show();
        QApplication::setActiveWindow(window_.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
        pane_ = window_->findChild<TKvImageView*>(QStringLiteral("ImgView32"));
        splitter_ = window_->findChild<QSplitter*>(QStringLiteral("Splitter2"));
        ASSERT_NE(pane_, nullptr);
    }
    void clickRow(const std::string& name)
    {
        const int row = rowOf(name);
        ASSERT_GE(row, 0) << name;
        const QRect cell = list_->visualRect(list_->model()->index(row, ScanlarkColumn::Name));
        QTest::mouseClick(list_->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    }
    QSize shown() const { return pane_->Bitmap().size(); }
    // A load is on its way: the pane shows the busy cursor.
    bool loading() const { return pane_->testAttribute(Qt::WA_SetCursor) && pane_->cursor().shape() == Qt::BusyCursor; }
    void waitForLoad() { ASSERT_TRUE(waitUntil([&] { return !loading(); })); }
    bool commandsEnabled(bool enabled) const
    {
        window_->ActionList1Update();
        for (const char* name : {"ImgCopyAct", "ImgNameCopyAct", "ImgCloseAct"})
            if (action(name)->isEnabled() != enabled)
                return false;
        return true;
    }
    int chrome() const { return pane_->height() - pane_->viewport()->height(); }
    // Adds "1-slow%2.jpg", a 16x16 photo behind a hole that libjpeg searches
    // byte by byte, lists the folder again and returns how long the file
    // takes to show.
    qint64 addSlowPhoto()
    {
        const Bytes photo = PlainColourJpeg(ColourJpegSettings{}, {0, 0, 250});
        WriteWithHole(folder() + "1-slow%2.jpg", {0xFF, 0xD8}, 16 << 20, Bytes(photo.begin() + 2, photo.end()));
        const int rows = int(Names(photos_.path()).size());
        list_->setFocus();
        PressInFocus(Qt::Key_F5);
        EXPECT_TRUE(waitUntil([&] { return listed(rows); }));
        QElapsedTimer clock;
        clock.start();
        clickRow("1-slow%2.jpg");
        waitForLoad();
        EXPECT_EQ(pane_->Hint(), QString::fromStdString('|' + folder() + "1-slow%2.jpg <16x16>"));
        return clock.elapsed();
    }
    void closePopup()
    {
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
    }

    TKvImageView* pane_ = nullptr;
    QSplitter* splitter_ = nullptr;
};

TEST_F(Preview, ClickShowsTheFocusedFileWithItsPathAndSizeAndCopiesIt)
{
    EXPECT_TRUE(pane_->isVisible());  // automatic scale, the default mode
    EXPECT_TRUE(pane_->Empty());
    EXPECT_TRUE(commandsEnabled(false));

    clickRow("a-photo.jpg");
    waitForLoad();
    ASSERT_EQ(shown(), QSize(320, 240));
    const QRgb pixel = pane_->Bitmap().pixel(10, 10);
    EXPECT_NEAR(qRed(pixel), 200, 3);
    EXPECT_NEAR(qGreen(pixel), 40, 3);
    EXPECT_NEAR(qBlue(pixel), 90, 3);
    const QString path = QString::fromStdString(folder() + "a-photo.jpg");
    EXPECT_EQ(pane_->Hint(), u'|' + path + QStringLiteral(" <320x240>"));
    EXPECT_TRUE(pane_->toolTip().isEmpty());
    const QSize view = pane_->viewport()->size();
    EXPECT_EQ(pane_->Scale(), static_cast<float>(std::min(view.width() / 320.0, view.height() / 240.0)));
    EXPECT_TRUE(commandsEnabled(true));

    QTest::mouseMove(pane_->viewport(), QPoint(5, 5));
    EXPECT_TRUE(waitUntil([&] { return window_->PanelText(0) == path + QStringLiteral(" <320x240>"); }));
    // A load while the pointer rests on the pane shows the new hint at once.
    list_->setCurrentRow(rowOf("c-tall.jpg"));
    action("ImgLoadAct")->trigger();
    waitForLoad();
    EXPECT_EQ(window_->PanelText(0), QString::fromStdString(folder() + "c-tall.jpg <60x200>"));
    list_->setCurrentRow(rowOf("a-photo.jpg"));
    action("ImgLoadAct")->trigger();
    waitForLoad();

    QApplication::clipboard()->clear();
    action("ImgCopyAct")->trigger();
    EXPECT_EQ(QApplication::clipboard()->image().size(), QSize(320, 240));  // its own size, not the shown one
    action("ImgNameCopyAct")->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), path);

    clickRow("d-text.jpg");  // named .jpg, not a JPEG: empty, no dialog
    waitForLoad();
    EXPECT_TRUE(pane_->Empty());
    EXPECT_TRUE(pane_->Hint().isEmpty());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(commandsEnabled(false));
    QApplication::clipboard()->setText(QStringLiteral("kept"));
    action("ImgNameCopyAct")->trigger();  // does nothing on an empty pane
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("kept"));

    clickRow("b-gray.JPEG");  // the extension in any case; gray as gray levels
    waitForLoad();
    ASSERT_EQ(shown(), QSize(64, 48));
    EXPECT_NEAR(qRed(pane_->Bitmap().pixel(3, 3)), 100, 2);
    EXPECT_EQ(qRed(pane_->Bitmap().pixel(3, 3)), qBlue(pane_->Bitmap().pixel(3, 3)));
}

// A photo whose frame header declares width x height.
Bytes PhotoDeclaring(uint16_t width, uint16_t height)
{
    Bytes photo = PlainColourJpeg(ColourJpegSettings{}, {9, 9, 9});
    for (size_t i = 2; i + 9 < photo.size(); ++i)
        if (photo[i] == 0xFF && photo[i + 1] == 0xC0) {
            photo[i + 5] = uint8_t(height >> 8);
            photo[i + 6] = uint8_t(height);
            photo[i + 7] = uint8_t(width >> 8);
            photo[i + 8] = uint8_t(width);
            break;
        }
    return photo;
}

// A file that cannot be shown leaves the pane empty with the reason in it;
// the next photo takes the reason away, and so does a new listing.
TEST_F(Preview, ThePaneSaysWhyAFileCannotBeShown)
{
    const Bytes photo = PlainColourJpeg(ColourJpegSettings{}, {0, 0, 250});
    photos_.write("f-cut.jpg", Bytes(photo.begin(), photo.begin() + 60));
    photos_.write("g-big.jpg", PhotoDeclaring(17000, 16000));
    photos_.write("h-fake.jpg", PhotoDeclaring(60000, 60000));
    list_->setFocus();
    PressInFocus(Qt::Key_F5);
    ASSERT_TRUE(waitUntil([&] { return listed(8); }));
    auto* message = pane_->findChild<QLabel*>(QStringLiteral("ImgView32Message"));
    ASSERT_NE(message, nullptr);
    EXPECT_FALSE(message->isVisible());
    const struct {
        const char* name;
        QString says;
    } files[] = {
        {"d-text.jpg", QStringLiteral("表示できません: JPEG として読めません")},
        {"f-cut.jpg", QStringLiteral("表示できません: JPEG として読めません")},
        {"g-big.jpg", QStringLiteral("表示できません: 画像が大きすぎます (17000×16000)")},
        {"h-fake.jpg", QStringLiteral("表示できません: 画像が大きすぎます (60000×60000)")},
    };
    for (const auto& file : files) {
        clickRow("a-photo.jpg");
        waitForLoad();
        EXPECT_FALSE(message->isVisible()) << file.name;
        clickRow(file.name);
        waitForLoad();
        EXPECT_TRUE(pane_->Empty()) << file.name;
        EXPECT_TRUE(message->isVisible()) << file.name;
        EXPECT_EQ(message->text(), file.says) << file.name;
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
    PressInFocus(Qt::Key_F5);
    ASSERT_TRUE(waitUntil([&] { return listed(8); }));
    EXPECT_FALSE(message->isVisible());
}

// Started with a photo, the window lists its folder, gives the list the
// keyboard with the photo focused and shows it; the arrow keys go on from it.
TEST_F(Preview, StartedWithAFileTheListHasTheKeysAndThePhotoShows)
{
    window_->close();
    window_ = std::make_unique<TFormScanlark>(folder() + "c-tall.jpg", settings_.path() + "/", "scanlark.ini");
    list_ = window_->findChild<TKvListView*>(QStringLiteral("LVFiles"));
    checker_ = window_->findChild<TKvThreadJpegChecker*>(QStringLiteral("KvThreadJpegChecker1"));
    pane_ = window_->findChild<TKvImageView*>(QStringLiteral("ImgView32"));
    window_->resize(800, 700);
    window_->show();
    QApplication::setActiveWindow(window_.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    ASSERT_TRUE(waitUntil([&] { return list_->RowCount() == 5 && pane_->Bitmap().size() == QSize(60, 200); }));
    EXPECT_EQ(QApplication::focusWidget(), list_);
    EXPECT_EQ(list_->currentRow(), rowOf("c-tall.jpg"));
    PressInFocus(Qt::Key_Down);
    EXPECT_EQ(list_->currentRow(), rowOf("d-text.jpg"));
    PressInFocus(Qt::Key_Up);
    PressInFocus(Qt::Key_Up);
    waitForLoad();
    EXPECT_EQ(shown(), QSize(64, 48));
}

TEST_F(Preview, KeysInTheListReloadButLeftAndRightDoNot)
{
    clickRow("a-photo.jpg");
    waitForLoad();
    ASSERT_EQ(shown(), QSize(320, 240));
    action("ImgCloseAct")->trigger();
    EXPECT_TRUE(pane_->Empty());
    EXPECT_TRUE(pane_->Hint().isEmpty());

    list_->setFocus();
    PressInFocus(Qt::Key_Left);
    PressInFocus(Qt::Key_Right);
    EXPECT_FALSE(loading());
    EXPECT_TRUE(pane_->Empty());
    PressInFocus(Qt::Key_Down);
    waitForLoad();
    EXPECT_EQ(shown(), QSize(64, 48));
    PressInFocus(Qt::Key_Up);
    waitForLoad();
    EXPECT_EQ(shown(), QSize(320, 240));

    // Nothing loads while another window is the active one.
    action("ImgCloseAct")->trigger();
    {
        QWidget other;
        other.show();
        QApplication::setActiveWindow(&other);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
        action("ImgLoadAct")->trigger();
        EXPECT_FALSE(loading());
        EXPECT_TRUE(pane_->Empty());
    }
    QApplication::setActiveWindow(window_.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    action("ImgLoadAct")->trigger();
    waitForLoad();
    EXPECT_EQ(shown(), QSize(320, 240));

    // The list's context menu loads the focused file before it opens.
    action("ImgCloseAct")->trigger();
    const QPoint at = list_->visualRect(list_->model()->index(rowOf("c-tall.jpg"), 0)).center();
    QContextMenuEvent menu(QContextMenuEvent::Mouse, at, list_->viewport()->mapToGlobal(at));
    QApplication::sendEvent(list_->viewport(), &menu);
    waitForLoad();
    EXPECT_EQ(shown(), QSize(320, 240));
    closePopup();

    // The pane's own menu: the modes, the copies and close.
    const QPoint inPane = pane_->viewport()->rect().center();
    QContextMenuEvent paneMenu(QContextMenuEvent::Mouse, inPane, pane_->viewport()->mapToGlobal(inPane));
    QApplication::sendEvent(pane_->viewport(), &paneMenu);
    auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->objectName(), QStringLiteral("PMImgView"));
    const QList<QAction*> items = popup->actions();
    ASSERT_EQ(items.size(), 6);
    ASSERT_NE(items[0]->menu(), nullptr);
    EXPECT_EQ(items[0]->text(), QStringLiteral("画像の表示(&V)"));
    EXPECT_EQ(items[0]->menu()->actions(),
              (QList<QAction*>{action("IVNoneAct"), action("IVScaleNormalAct"), action("IVAutoScaleLongAct")}));
    EXPECT_EQ((QList<QAction*>{items[2], items[3], items[5]}),
              (QList<QAction*>{action("ImgCopyAct"), action("ImgNameCopyAct"), action("ImgCloseAct")}));
    closePopup();
}

TEST_F(Preview, ModeNoneHidesAndEmptiesAndActualSizeShowsAnEmptyPaneUntilAClick)
{
    clickRow("a-photo.jpg");
    waitForLoad();
    ASSERT_FALSE(pane_->Empty());
    const int height = pane_->height();

    action("IVNoneAct")->trigger();
    EXPECT_FALSE(pane_->isVisible());
    EXPECT_TRUE(pane_->Empty());
    EXPECT_EQ(window_->Options()->ImgViewMode, 0);
    EXPECT_TRUE(commandsEnabled(false));
    clickRow("c-tall.jpg");
    EXPECT_FALSE(loading());
    EXPECT_TRUE(pane_->Empty());

    action("IVScaleNormalAct")->trigger();
    EXPECT_TRUE(action("IVScaleNormalAct")->isChecked());
    EXPECT_FALSE(action("IVNoneAct")->isChecked());
    EXPECT_EQ(window_->Options()->ImgViewMode, 1);
    ASSERT_TRUE(waitUntil([&] { return pane_->isVisible() && pane_->height() == height; }));
    EXPECT_TRUE(pane_->Empty());
    clickRow("a-photo.jpg");
    waitForLoad();
    EXPECT_EQ(shown(), QSize(320, 240));
    EXPECT_EQ(pane_->Scale(), 1.0f);

    action("IVAutoScaleLongAct")->trigger();  // the chosen mode scales at once
    const QSize view = pane_->viewport()->size();
    EXPECT_EQ(pane_->Scale(), static_cast<float>(std::min(view.width() / 320.0, view.height() / 240.0)));
}

TEST_F(Preview, DoubleClickFitsThePaneToTheImageKeepingThirtyPixelsAbove)
{
    action("IVScaleNormalAct")->trigger();
    clickRow("c-tall.jpg");
    waitForLoad();
    ASSERT_EQ(shown(), QSize(60, 200));
    const int bottom = pane_->geometry().bottom();
    const int before = pane_->height();
    QTest::mouseDClick(pane_->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_TRUE(waitUntil([&] { return pane_->height() == 200 + chrome(); }));
    EXPECT_EQ(pane_->viewport()->height(), 200);  // the whole image shows
    EXPECT_EQ(pane_->geometry().bottom(), bottom);
    // A second double click gives the list its height back; a third fits again.
    QTest::mouseDClick(pane_->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_TRUE(waitUntil([&] { return pane_->height() == before; }));
    QTest::mouseDClick(pane_->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_TRUE(waitUntil([&] { return pane_->height() == 200 + chrome(); }));

    clickRow("e-high.jpg");  // higher than the window
    waitForLoad();
    ASSERT_EQ(shown(), QSize(60, 2000));
    QTest::mouseDClick(pane_->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_TRUE(waitUntil([&] { return pane_->geometry().top() == 30; }));
    EXPECT_EQ(pane_->geometry().bottom(), bottom);

    action("ImgCloseAct")->trigger();
    QTest::mouseDClick(pane_->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_TRUE(waitUntil([&] { return pane_->height() == chrome(); }));
}

// A name in Shift_JIS goes to the clipboard as the text shown and, for file
// managers, as a URL of its exact bytes.
TEST_F(Preview, ANameInShiftJisIsCopiedAsItsTextAndItsBytes)
{
    photos_.write("\x83\x65\x83\x58\x83\x67.jpg", PlainColourJpeg(ColourJpegSettings{}, {1, 2, 3}));
    list_->setFocus();
    PressInFocus(Qt::Key_F5);
    ASSERT_TRUE(waitUntil([&] { return listed(6); }));
    clickRow("\x83\x65\x83\x58\x83\x67.jpg");
    waitForLoad();
    ASSERT_EQ(shown(), QSize(16, 16));
    action("ImgNameCopyAct")->trigger();
    const QMimeData* clip = QApplication::clipboard()->mimeData();
    EXPECT_EQ(clip->text(), QString::fromStdString(folder()) + QStringLiteral("テスト.jpg"));
    ASSERT_EQ(clip->urls().size(), 1);
    EXPECT_EQ(clip->urls()[0].toEncoded(), "file://" + QByteArray::fromStdString(folder()) + "%83e%83X%83g.jpg");
}

TEST_F(Preview, ListingAndCheckingEmptyThePane)
{
    // No check after the listing: the listing alone must empty the pane.
    if (action("DoNowAct")->isChecked())
        action("DoNowAct")->trigger();
    ASSERT_FALSE(action("DoNowAct")->isChecked());
    clickRow("a-photo.jpg");
    waitForLoad();
    ASSERT_FALSE(pane_->Empty());
    list_->setFocus();
    PressInFocus(Qt::Key_F5);
    ASSERT_TRUE(waitUntil([&] { return listed(5); }));
    EXPECT_TRUE(pane_->Empty());
    EXPECT_TRUE(pane_->Hint().isEmpty());

    clickRow("a-photo.jpg");
    waitForLoad();
    ASSERT_FALSE(pane_->Empty());
    action("JpegErrorCheckAllAct")->trigger();
    EXPECT_TRUE(pane_->Empty());
    ASSERT_TRUE(waitUntil([&] { return idle(); }));
}

// A file that takes minutes to decode (two bytes and a hole of 16 GB)
// holds neither the window nor the files after it; going through the files
// faster than they decode ends with the last one shown, and no overtaken
// decode (the slow photo's) shows after it.
TEST_F(Preview, FilesThatTakeLongToDecodeHoldNeitherTheWindowNorTheFilesAfterThem)
{
    WriteWithHole(folder() + "0-hole.jpg", {0xFF, 0xD8}, uintmax_t{16} << 30);
    const qint64 slow = addSlowPhoto();
    ASSERT_TRUE(waitUntil([&] { return listed(7); }));

    QElapsedTimer clock;
    clock.start();
    clickRow("0-hole.jpg");
    bool answered = false;
    QTimer::singleShot(0, window_.get(), [&] { answered = true; });
    EXPECT_TRUE(waitUntil([&] { return answered; }));
    EXPECT_TRUE(loading());
    for (int row = rowOf("0-hole.jpg"); row < rowOf("e-high.jpg"); ++row)
        PressInFocus(Qt::Key_Down);
    const QString last = u'|' + QString::fromStdString(folder() + "e-high.jpg <60x2000>");
    EXPECT_TRUE(waitUntil([&] { return pane_->Hint() == last; }));
    EXPECT_LT(clock.elapsed(), 10000) << "the hole alone takes a minute";
    EXPECT_FALSE(waitUntil([&] { return pane_->Hint() != last || loading(); }, int(2 * slow) + 500));
}

// Whatever empties the pane also abandons the load on its way: its
// picture never arrives.
TEST_F(Preview, ClosingListingCheckingAndModeNoneAbandonTheLoadOnItsWay)
{
    const qint64 slow = addSlowPhoto();
    const std::function<void()> ways[] = {
        [&] { action("ImgCloseAct")->trigger(); },
        [&] { PressInFocus(Qt::Key_F5); },
        [&] { action("JpegErrorCheckAllAct")->trigger(); },
        [&] { action("IVNoneAct")->trigger(); },
    };
    for (size_t way = 0; way < std::size(ways); ++way) {
        ASSERT_TRUE(waitUntil([&] { return listed(6); }));
        clickRow("1-slow%2.jpg");
        ASSERT_TRUE(loading()) << way;
        ways[way]();
        EXPECT_FALSE(loading()) << way;
        EXPECT_FALSE(waitUntil([&] { return !pane_->Empty(); }, int(2 * slow) + 500)) << way;
    }
}

TEST_F(Preview, TheModeSurvivesARestart)
{
    action("IVScaleNormalAct")->trigger();
    window_->close();
    window_.reset();
    Open();
    EXPECT_EQ(window_->Options()->ImgViewMode, 1);
    EXPECT_TRUE(action("IVScaleNormalAct")->isChecked());
    EXPECT_TRUE(pane_->isVisible());

    action("IVNoneAct")->trigger();
    window_->close();
    window_.reset();
    Open();
    EXPECT_TRUE(action("IVNoneAct")->isChecked());
    EXPECT_FALSE(pane_->isVisible());
    clickRow("a-photo.jpg");
    EXPECT_FALSE(loading());
    EXPECT_TRUE(pane_->Empty());
}

}  // namespace
