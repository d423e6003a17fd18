// A fixture for tests of the main window: a folder of pictures, a settings
// folder, the window and the ways a person reaches it (keys to whatever has
// the focus).
#pragma once

#include "app/MainWin.h"
#include "catalogue/KvFileInfos.h"
#include "components/KvListView.h"
#include "components/KvRecentControl.h"
#include "inspection/KvJpegChecker.h"
#include "JpegBuilder.h"
#include "TempFiles.h"
#include "WaitUntil.h"

#include <QAction>
#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>

// A small sound baseline JPEG, 8x8 grey.
inline Bytes SoundTestJpeg()
{
    return JpegBuilder().soi().app0Jfif(1, 1).dqt8(TableWithSum(1858)).sof(0xC0, 8, 8, 1).sos().entropy(200).eoi().bytes();
}

class WindowTest : public ::testing::Test {
protected:
    // Creates the window on startArgument (empty: the start folder) with its
    // settings in settings_, activates it and waits until nothing runs.
    void OpenWindow(const std::string& startArgument = {})
    {
        window_ = std::make_unique<TFormScanlark>(startArgument, settings_.path() + "/", "scanlark.ini");
        window_->FormActivate();
        list_ = window_->findChild<TKvListView*>(QStringLiteral("LVFiles"));
        checker_ = window_->findChild<TKvThreadJpegChecker*>(QStringLiteral("KvThreadJpegChecker1"));
        recent_ = window_->findChild<TKvRecentControl*>(QStringLiteral("KvRecentControl1"));
        ASSERT_TRUE(waitUntil([&] { return idle(); }));
    }
    void TearDown() override
    {
        if (window_)
            window_->close();
    }
    bool idle() const { return !files().Busy() && !checker_->Running; }
    bool listed(int rows) const { return idle() && list_->RowCount() == rows; }
    TKvThreadFileInfoList& files() const { return window_->FileInfos()->FileInfoList(); }
    std::string folder() const { return photos_.path() + "/"; }
    QAction* action(const char* name) const { return window_->findChild<QAction*>(QString::fromLatin1(name)); }
    // Row of the entry called name, or -1.
    int rowOf(const std::string& name) const
    {
        for (int row = 0; row < files().Count(); ++row)
            if (files().FileInfos(row)->Name == name)
                return row;
        return -1;
    }
    std::string nameAt(int row) const { return files().FileInfos(row)->Name; }
    // A press and a release to the focused widget.
    static void PressInFocus(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        QTest::keyClick(focus, key, modifiers);
    }

    TempFolder photos_;
    TempFolder settings_;
    std::unique_ptr<TFormScanlark> window_;
    TKvListView* list_ = nullptr;
    TKvThreadJpegChecker* checker_ = nullptr;
    TKvRecentControl* recent_ = nullptr;
};
