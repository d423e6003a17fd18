// The dialogs around a file operation, over operations the tests control:
// when progress shows, that cancel reaches the worker, that each conflict
// answer reaches it, and that failures are listed once at the end.
#include "components/KvFileOperationDialogs.h"
#include "ModalHelpers.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using A = TKvConflictAnswer;

TEST(FileOperationDialogs, AQuickRunShowsNothingAndASlowOneShowsProgressUntilCancelled)
{
    bool progressSeen = false;
    WhenShown(QStringLiteral("FileOperationProgressDialog"), [&](QWidget*) { progressSeen = true; },
              QDeadlineTimer(300));
    const TKvFileOperationResult quick = RunFileOperationWork(
        nullptr, TKvFileOperationKind::Copy, 3, [](const TKvFileOperationCallbacks&) {
            return TKvFileOperationResult{3, 0, false, {}};
        });
    QTest::qWait(350);
    EXPECT_EQ(quick.Done, 3u);
    EXPECT_FALSE(progressSeen);
    EXPECT_FALSE(IsShown(QStringLiteral("FileFailureDialog")));

    QElapsedTimer clock;
    qint64 shownAfter = -1;
    QString name;
    QString counts;
    WhenShown(QStringLiteral("FileOperationProgressDialog"), [&](QWidget* dialog) {
        shownAfter = clock.elapsed();
        QTest::qWait(150);  // one refresh of the texts
        name = dialog->findChild<QLabel*>(QStringLiteral("FileOperationName"))->text();
        counts = dialog->findChild<QLabel*>(QStringLiteral("FileOperationCounts"))->text();
        auto* cancel = dialog->findChild<QPushButton*>(QStringLiteral("FileOperationCancel"));
        QTest::mouseClick(cancel, Qt::LeftButton);
    });
    clock.start();
    const TKvFileOperationResult slow =
        RunFileOperationWork(nullptr, TKvFileOperationKind::Copy, 3, [](const TKvFileOperationCallbacks& callbacks) {
            TKvFileOperationResult result;
            uint64_t done = 0;
            for (int spin = 0; spin < 2000 && !callbacks.CancelRequested(); ++spin) {
                done += 1 << 20;
                callbacks.OnProgress({"/photos/写真.jpg", 1, 3, done, 4000ull << 20});
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            result.Cancelled = callbacks.CancelRequested();
            result.Done = 1;
            return result;
        });
    EXPECT_TRUE(slow.Cancelled);
    EXPECT_GE(shownAfter, 450);
    EXPECT_EQ(name, QStringLiteral("写真.jpg"));
    EXPECT_TRUE(counts.startsWith(QStringLiteral("2 / 3 ファイル"))) << counts.toStdString();
    EXPECT_FALSE(IsShown(QStringLiteral("FileOperationProgressDialog")));
}

TEST(FileOperationDialogs, EachConflictAnswerReachesTheOperation)
{
    struct Row {
        const char* button;
        bool checkAll;
        A answer;
    };
    const Row rows[] = {{"OverwriteButton", false, A::Overwrite},
                        {"KeepBothButton", false, A::KeepBoth},
                        {"SkipButton", true, A::Skip},
                        {"CancelButton", false, A::Cancel},
                        {"OverwriteButton", true, A::Overwrite}};
    for (const Row& row : rows) {
        QString question;
        QString details;
        WhenShown(QStringLiteral("FileConflictDialog"), [&](QWidget* widget) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            question = box->text();
            details = box->informativeText();
            if (row.checkAll)
                QTest::mouseClick(box->checkBox(), Qt::LeftButton, {}, QPoint(5, box->checkBox()->height() / 2));
            QTest::mouseClick(box->findChild<QPushButton*>(QString::fromLatin1(row.button)), Qt::LeftButton);
        });
        TKvConflictReply reply{A::Skip, false};
        RunFileOperationWork(nullptr, TKvFileOperationKind::Move, 1, [&](const TKvFileOperationCallbacks& callbacks) {
            reply = callbacks.OnConflict("/a/x.jpg", "/b/x.jpg");
            return TKvFileOperationResult{};
        });
        EXPECT_EQ(reply.Answer, row.answer) << row.button;
        EXPECT_EQ(reply.ApplyToAll, row.checkAll) << row.button;
        EXPECT_TRUE(question.startsWith(QStringLiteral("移動先に「x.jpg」という名前のファイルがすでにあります。")))
            << question.toStdString();
        // Which file is which shows by its folder.
        EXPECT_TRUE(details.contains(QStringLiteral("/b/x.jpg")) && details.contains(QStringLiteral("/a/x.jpg")))
            << details.toStdString();
    }
}

TEST(FileOperationDialogs, FailuresAreListedOnceAtTheEnd)
{
    int shown = 0;
    QStringList files;
    QStringList reasons;
    WhenShown(QStringLiteral("FileFailureDialog"), [&](QWidget* dialog) {
        ++shown;
        auto* list = dialog->findChild<QTreeWidget*>(QStringLiteral("FileFailureList"));
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            files << list->topLevelItem(i)->text(0);
            reasons << list->topLevelItem(i)->text(1);
        }
        QTest::keyClick(dialog, Qt::Key_Return);
    });
    const TKvFileOperationResult result =
        RunFileOperationWork(nullptr, TKvFileOperationKind::Delete, 3, [](const TKvFileOperationCallbacks&) {
            return TKvFileOperationResult{1, 0, false, {{"/a/\x83\x54.jpg", "権限がありません"}, {"/a/b.jpg", "ありません"}}};
        });
    QTest::qWait(50);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(result.Failures.size(), 2u);
    EXPECT_EQ(files, QStringList({QStringLiteral("/a/サ.jpg"), QStringLiteral("/a/b.jpg")}));
    EXPECT_EQ(reasons, QStringList({QStringLiteral("権限がありません"), QStringLiteral("ありません")}));
    EXPECT_FALSE(IsShown(QStringLiteral("FileFailureDialog")));
}

}  // namespace
