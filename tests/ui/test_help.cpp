// The help page: it describes every command of the window's menus and every
// column of the list, and F1 finds it beside the program or in an installed
// copy's data folder, or says that it is missing.
#include "app/MainWin.h"
#include "components/KvActns.h"
#include "components/ScanlarkColumns.h"
#include "inspection/KvJpegInfoConsts.h"

#include "TempFiles.h"
#include "WaitUntil.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <vector>

namespace {

QString helpPageText()
{
    QFile page(QStringLiteral(SCANLARK_HELP_PAGE));
    return page.open(QIODevice::ReadOnly) ? QString::fromUtf8(page.readAll()) : QString();
}

// Every action of a menu and its submenus, submenus included, in menu order.
void collectMenuActions(const QMenu* menu, std::vector<QAction*>& actions)
{
    for (QAction* action : menu->actions()) {
        if (action->isSeparator())
            continue;
        actions.push_back(action);
        if (action->menu())
            collectMenuActions(action->menu(), actions);
    }
}

TEST(HelpPage, DescribesEveryMenuCommandEveryColumnAndEveryVerdict)
{
    const QString page = helpPageText();
    ASSERT_FALSE(page.isEmpty()) << SCANLARK_HELP_PAGE;

    TempFolder settings;
    TFormScanlark window("", settings.path() + "/", "scanlark.ini");
    std::vector<QAction*> actions;
    for (QAction* top : window.menuBar()->actions()) {
        actions.push_back(top);
        collectMenuActions(top->menu(), actions);
    }
    ASSERT_GT(actions.size(), 40u);
    for (const QAction* action : actions) {
        // As the menu shows it: "フォルダを選択(&F)..." reads "フォルダを選択(F)...".
        const QString shown = QString(action->text()).remove(u'&');
        EXPECT_TRUE(page.contains(shown)) << "menu item not described: " << shown.toStdString();
        // "Ctrl+R" is written <kbd>Ctrl</kbd>+<kbd>R</kbd>.
        for (const QKeySequence& key : action->shortcuts())
            EXPECT_TRUE(page.contains("<kbd>" + key.toString().split(u'+').join("</kbd>+<kbd>") + "</kbd>"))
                << "shortcut not described: " << key.toString().toStdString();
    }

    for (const TScanlarkColumnDesign& column : ScanlarkColumnTable())
        EXPECT_TRUE(page.contains("<td>" + QString::fromUtf8(column.Caption) + "</td>"))
            << "column not described: " << column.Caption;
    for (int verdict = 0; verdict <= 7; ++verdict) {
        const QString text = QString::fromUtf8(JpegVerdictText(verdict));
        EXPECT_TRUE(page.contains("<td>" + text + "</td>")) << "verdict not described: " << text.toStdString();
    }
    for (const char* topic : {"付加バイナリ", "folder.txt", "$XDG_CONFIG_HOME/Scanlark/", "scanlark-check",
                              "share/scanlark/slhelp/index.html"})
        EXPECT_TRUE(page.contains(QString::fromUtf8(topic))) << topic;
}

// A window with the help action on it, shown and active so that F1 reaches
// the action as it does in the program; every URL it opens is recorded.
class HelpLookup : public ::testing::Test {
protected:
    HelpLookup() : actions_(CreateKorvelActions(&window_))
    {
        window_.addAction(help());  // as the window's menu holds it
        help()->SetUrlOpener([this](const QUrl& url) {
            opened_.push_back(url);
            return openerAnswer_;
        });
        window_.show();
        window_.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window_));
    }

    TKvViewHelpHtmlAction* help() const { return actions_.KvViewHelpHtmlActionSl; }

    // Presses F1 in the window; returns the text of the message box it showed
    // (closed at once), or "" when it showed none.
    QString pressF1()
    {
        // A message box shown before takes the activation with it.
        window_.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window_));
        QString message;
        QTimer::singleShot(0, [&message] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                message = box->windowTitle() + u'|' + box->text();
                box->close();
            }
        });
        QTest::keyClick(&window_, Qt::Key_F1);
        QApplication::processEvents();
        return message;
    }

    static void writePage(const std::string& path)
    {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        QFile file(QString::fromStdString(path));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<html></html>");
    }

    QWidget window_;
    TKvKorvelActions actions_;
    std::vector<QUrl> opened_;
    bool openerAnswer_ = true;
};

TEST_F(HelpLookup, BesideTheProgramThenInTheInstalledDataFolderElseAMessage)
{
    // An installed copy: <prefix>/bin/scanlark and <prefix>/share/scanlark/.
    TempFolder prefix;
    const std::string bin = prefix.path() + "/bin";
    std::filesystem::create_directories(bin);
    help()->SearchFolders = HelpSearchFolders(QString::fromStdString(bin));
    const std::string installed = prefix.path() + "/share/scanlark/slhelp/index.html";
    const std::string beside = bin + "/slhelp/index.html";

    // Nothing there: F1 says so and names where it looked.
    QString message = pressF1();
    EXPECT_TRUE(opened_.empty());
    EXPECT_TRUE(message.startsWith(QStringLiteral("注意|ヘルプファイル slhelp/index.html が見つかりません。"))) << message.toStdString();
    EXPECT_TRUE(message.contains(QString::fromStdString(beside)));
    EXPECT_TRUE(message.contains(QString::fromStdString(installed)));

    writePage(installed);
    EXPECT_EQ(pressF1(), QString());
    ASSERT_EQ(opened_.size(), 1u);
    EXPECT_EQ(opened_[0], QUrl::fromLocalFile(QString::fromStdString(installed)));

    // A copy beside the program (a build or portable folder) comes first.
    writePage(beside);
    EXPECT_EQ(pressF1(), QString());
    ASSERT_EQ(opened_.size(), 2u);
    EXPECT_EQ(opened_[1], QUrl::fromLocalFile(QString::fromStdString(beside)));

    // A desktop that cannot open it: said too, instead of nothing happening.
    openerAnswer_ = false;
    message = pressF1();
    EXPECT_EQ(opened_.size(), 3u);
    EXPECT_TRUE(message.startsWith(QStringLiteral("注意|ヘルプファイルを開けません。"))) << message.toStdString();
}

TEST(HelpInTheWindow, F1AndTheHelpMenuOpenTheCopyBesideTheBuiltProgram)
{
    TempFolder settings;
    TFormScanlark window("", settings.path() + "/", "scanlark.ini");
    auto* help = window.findChild<TKvViewHelpHtmlAction*>(QStringLiteral("KvViewHelpHtmlActionSl"));
    ASSERT_NE(help, nullptr);
    // The window looks beside its own program; here that is the test's, so
    // it is pointed at the built program's folder.
    const QString program = QFileInfo(QStringLiteral(SCANLARK_PATH)).absolutePath();
    EXPECT_EQ(help->SearchFolders.value(0), QFileInfo(QCoreApplication::applicationFilePath()).absolutePath());
    help->SearchFolders = HelpSearchFolders(program);
    std::vector<QUrl> opened;
    help->SetUrlOpener([&opened](const QUrl& url) {
        opened.push_back(url);
        return true;
    });
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &window, Qt::Key_F1);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(program + "/slhelp/index.html"));
    EXPECT_TRUE(QFileInfo(opened[0].toLocalFile()).isFile());

    // The item of the help menu is the same command.
    QMenu* helpMenu = nullptr;
    for (QAction* top : window.menuBar()->actions())
        if (top->text() == QStringLiteral("ヘルプ(&H)"))
            helpMenu = top->menu();
    ASSERT_NE(helpMenu, nullptr);
    ASSERT_TRUE(helpMenu->actions().contains(help));
    help->trigger();
    EXPECT_EQ(opened.size(), 2u);
    window.close();
}

}  // namespace
