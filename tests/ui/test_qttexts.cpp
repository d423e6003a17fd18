// Qt's own texts in the Japanese window: dialog buttons and the line edit's
// menu come from Qt's Japanese catalogue, and no dialog title gets the
// program's name added by the platform.
#include "app/ConstsSl.h"
#include "app/MainWin.h"
#include "TempFiles.h"

#include <QAction>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(QtTexts, ConfirmationButtonsAreJapanese)
{
    QMessageBox question(QMessageBox::Question, QStringLiteral("確認"), QStringLiteral("削除しますか?"),
                         QMessageBox::Yes | QMessageBox::No);
    EXPECT_TRUE(question.button(QMessageBox::Yes)->text().startsWith(QStringLiteral("はい")))
        << question.button(QMessageBox::Yes)->text().toStdString();
    EXPECT_TRUE(question.button(QMessageBox::No)->text().startsWith(QStringLiteral("いいえ")))
        << question.button(QMessageBox::No)->text().toStdString();
}

TEST(QtTexts, LineEditMenuIsJapanese)
{
    QLineEdit edit;
    std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList texts;
    for (const QAction* action : menu->actions())
        if (!action->isSeparator())
            texts << action->text();
    ASSERT_FALSE(texts.isEmpty());
    // The first item undoes, the last selects everything.
    EXPECT_TRUE(texts.front().startsWith(QStringLiteral("元に戻す"))) << texts.join(u'|').toStdString();
    EXPECT_TRUE(texts.back().startsWith(QStringLiteral("すべてを選択"))) << texts.join(u'|').toStdString();
}

TEST(QtTexts, TheWindowSetsNoDisplayNameThatDialogTitlesWouldCarry)
{
    TempFolder photos;
    TempFolder settings;
    {
        TFormScanlark window(photos.path(), settings.path() + "/", "scanlark.ini");
        window.FormActivate();
        EXPECT_EQ(window.windowTitle().endsWith(ProductTitle), true) << window.windowTitle().toStdString();
        // Without a display name of its own, the application's is its name.
        EXPECT_EQ(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
        window.close();
    }
}

}  // namespace
