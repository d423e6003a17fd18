#include "components/KvAbout.h"
#include "components/KvActns.h"

#include "TempFiles.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <memory>
#include <vector>

namespace {

const QString ScanlarkComment = QStringLiteral("JPEG画像の表示には Independent JPEG Group のコードを使用しています。");

TEST(KvActnHint, SplitsAtTheFirstBarFromTheStartPosition)
{
    struct Row {
        QString hint;
        qsizetype splitFrom;
        QString shortHint;
        QString longHint;
    };
    const std::vector<Row> rows = {
        {"戻る|前に戻ります。", 0, "戻る", "前に戻ります。"},
        {"ヘルプ", 0, "ヘルプ", "ヘルプ"},
        {"|long", 0, "", "long"},
        {"short|", 0, "short", ""},
        {"a|b|c", 0, "a", "b|c"},
        {"", 0, "", ""},
        {"x|y に戻る|前に戻ります。", 7, "x|y に戻る", "前に戻ります。"},
        {"x|y に戻る", 7, "x|y に戻る", "x|y に戻る"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.hint.toStdString());
        EXPECT_EQ(GetShortHint(row.hint, row.splitFrom), row.shortHint);
        EXPECT_EQ(GetLongHint(row.hint, row.splitFrom), row.longHint);

        QAction action;
        SetHint(&action, row.hint, row.splitFrom);
        EXPECT_EQ(action.toolTip(), row.shortHint);
        EXPECT_EQ(action.statusTip(), row.longHint);
        EXPECT_EQ(Hint(&action), row.hint);
    }

    QAction unhinted;
    unhinted.setToolTip(QStringLiteral("tip"));
    EXPECT_EQ(Hint(&unhinted), QStringLiteral("tip"));
    unhinted.setStatusTip(QStringLiteral("status"));
    EXPECT_EQ(Hint(&unhinted), QStringLiteral("tip|status"));
}

// A window whose close handling can be watched, with the Korvel actions on it
// and every URL they would open captured.
class KvActnKorvelTest : public ::testing::Test {
protected:
    class Window : public QWidget {
    public:
        int closeEvents = 0;

    protected:
        void closeEvent(QCloseEvent* event) override
        {
            ++closeEvents;
            QWidget::closeEvent(event);
        }
    };

    KvActnKorvelTest() : actions(CreateKorvelActions(&window))
    {
        for (TKvBaseAction* action : std::initializer_list<TKvBaseAction*>{
                 actions.KvViewHelpHtmlActionSl, actions.KvAboutActionSl, actions.KvOpenAppFolderAction1,
                 actions.KvExitAction1})
            action->SetUrlOpener([this](const QUrl& url) {
                opened.push_back(url);
                return true;
            });
    }

    Window window;
    TKvKorvelActions actions;
    std::vector<QUrl> opened;
};

TEST_F(KvActnKorvelTest, CaptionsHintsAndShortcut)
{
    struct Row {
        QAction* action;
        const char* name;
        QString caption;
        QString shortHint;
        QString longHint;
    };
    const std::vector<Row> rows = {
        {actions.KvViewHelpHtmlActionSl, "KvViewHelpHtmlActionSl", "ヘルプ(&H)", "ヘルプ", "ヘルプのHTMLを開きます。"},
        {actions.KvAboutActionSl, "KvAboutActionSl", "バージョン情報(&A)", "バージョン情報",
         "バージョン情報を表示します。"},
        {actions.KvOpenAppFolderAction1, "KvOpenAppFolderAction1", "アプリケーションのフォルダを開く(&O)",
         "アプリケーションのフォルダを開く", "アプリケーションのフォルダを開く"},
        {actions.KvExitAction1, "KvExitAction1", "終了(&X)", "終了", "アプリケーションを終了します。"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.action->parent(), &window);
        EXPECT_EQ(row.action->objectName(), QLatin1String(row.name));
        EXPECT_EQ(row.action->text(), row.caption);
        EXPECT_EQ(row.action->toolTip(), row.shortHint);
        EXPECT_EQ(row.action->statusTip(), row.longHint);
        EXPECT_TRUE(row.action->isEnabled());
    }
    EXPECT_EQ(actions.KvViewHelpHtmlActionSl->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_EQ(actions.KvAboutActionSl->Comment, QStringList{ScanlarkComment});
    EXPECT_EQ(actions.KvAboutActionSl->CopyrightInfo, QString::fromUtf8(KorvelCopyright));
}

TEST_F(KvActnKorvelTest, HelpAndFolderOpenBesideTheExecutableWhateverTheWorkingFolder)
{
    const QString executableFolder = QFileInfo(QCoreApplication::applicationFilePath()).absolutePath();
    // The help page is looked for beside the executable first (HelpLookup
    // covers the other places).
    EXPECT_EQ(actions.KvViewHelpHtmlActionSl->SearchFolders.value(0), executableFolder);
    TempFolder program;
    program.write("slhelp/index.html", {'<', '/', '>'});
    actions.KvViewHelpHtmlActionSl->SearchFolders = {QString::fromStdString(program.path())};

    const QString before = QDir::currentPath();
    TempFolder elsewhere;
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(elsewhere.path())));

    actions.KvViewHelpHtmlActionSl->trigger();
    actions.KvOpenAppFolderAction1->trigger();
    QDir::setCurrent(before);

    ASSERT_EQ(opened.size(), 2u);
    EXPECT_TRUE(opened[0].isLocalFile());
    EXPECT_EQ(opened[0].toLocalFile(), QString::fromStdString(program.path()) + "/slhelp/index.html");
    EXPECT_EQ(opened[1].toLocalFile(), executableFolder);
}

TEST_F(KvActnKorvelTest, ExitClosesTheWindowThroughItsCloseHandling)
{
    window.show();
    actions.KvExitAction1->trigger();
    EXPECT_EQ(window.closeEvents, 1);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(KvActnKorvelTest, AboutShowsModallyAndFreesTheWindow)
{
    actions.KvAboutActionSl->ApplicationName = QStringLiteral("Scanlark");
    actions.KvAboutActionSl->ApplicationVer = QStringLiteral("1.81");
    QString shownTitle;
    QTimer::singleShot(0, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        shownTitle = modal->windowTitle();
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    actions.KvAboutActionSl->trigger();
    EXPECT_EQ(shownTitle, QStringLiteral("Scanlark のバージョン情報"));
    EXPECT_TRUE(window.findChildren<TKvAboutBox*>().isEmpty());
}

class AboutBoxTest : public ::testing::Test {
protected:
    AboutBoxTest()
    {
        action.ApplicationName = QStringLiteral("Scanlark");
        action.ApplicationVer = QStringLiteral("1.81");
        action.CopyrightInfo = QStringLiteral("Copyright (C) 2024 Korvel");
        action.Comment = {ScanlarkComment};
        action.HomePageUrl = QStringLiteral("https://korvel.example/");
        action.EmailAddress = QStringLiteral("support@korvel.example");
        action.SetUrlOpener([this](const QUrl& url) {
            opened.push_back(url);
            return true;
        });
        box = action.CreateAboutBox();
    }

    template <typename Widget>
    Widget* Child(const char* name) const
    {
        auto* child = box->findChild<Widget*>(QLatin1String(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }

    TKvAboutAction action;
    std::unique_ptr<TKvAboutBox> box;
    std::vector<QUrl> opened;
};

TEST_F(AboutBoxTest, CaptionProductLineAndMemo)
{
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Scanlark のバージョン情報"));
    EXPECT_EQ(Child<QLabel>("ProductName")->text(), QStringLiteral("Scanlark  Version 1.81"));
    EXPECT_EQ(Child<QLabel>("Copyright")->text(), QStringLiteral("Copyright (C) 2024 Korvel"));
    EXPECT_EQ(Child<QLabel>("Url")->text(), action.HomePageUrl);
    EXPECT_EQ(Child<QLabel>("Email")->text(), action.EmailAddress);
    EXPECT_EQ(Child<QPlainTextEdit>("Memo1")->toPlainText().split(u'\n'),
              (QStringList{action.HomePageUrl, action.EmailAddress, "", ScanlarkComment}));

    // Placeholders in the texts are not filled twice.
    action.ApplicationName = QStringLiteral("%2");
    action.ApplicationVer = QStringLiteral("%1");
    action.Comment = {"one", "two"};
    box = action.CreateAboutBox();
    EXPECT_EQ(box->windowTitle(), QStringLiteral("%2 のバージョン情報"));
    EXPECT_EQ(Child<QLabel>("ProductName")->text(), QStringLiteral("%2  Version %1"));
    EXPECT_EQ(Child<QPlainTextEdit>("Memo1")->toPlainText().split(u'\n'),
              (QStringList{action.HomePageUrl, action.EmailAddress, "", "one", "two"}));
}

TEST_F(AboutBoxTest, EnterAndEscapeClose)
{
    struct Row {
        Qt::Key key;
        QDialog::DialogCode result;
    };
    for (const Row& row : {Row{Qt::Key_Return, QDialog::Accepted}, Row{Qt::Key_Escape, QDialog::Rejected}}) {
        box = action.CreateAboutBox();
        box->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(box.get()));
        // Even from the memo: a read-only memo takes no new lines.
        auto* memo = Child<QPlainTextEdit>("Memo1");
        memo->setFocus();
        QTest::keyClick(memo, row.key);
        EXPECT_FALSE(box->isVisible()) << row.key;
        EXPECT_EQ(box->result(), row.result) << row.key;
        EXPECT_EQ(memo->toPlainText().count(u'\n'), 3) << row.key;
    }
}

TEST_F(AboutBoxTest, LinksOpenHomePageAndMail)
{
    box->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(box.get()));
    QTest::mouseClick(Child<QLabel>("Url"), Qt::LeftButton);
    QTest::mouseClick(Child<QLabel>("Email"), Qt::LeftButton);
    QTest::mouseClick(Child<QLabel>("Copyright"), Qt::LeftButton);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], QUrl(action.HomePageUrl));
    EXPECT_EQ(opened[1], QUrl(QStringLiteral("mailto:") + action.EmailAddress));
    EXPECT_EQ(Child<QLabel>("Url")->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(Child<QLabel>("Url")->toolTip(), QStringLiteral("ホームページ"));
    EXPECT_EQ(Child<QLabel>("Email")->toolTip(), QStringLiteral("メール"));
}

// Without an address of its own the box shows none: no link, no memo line.
TEST_F(AboutBoxTest, WithoutContactsNoneIsShown)
{
    TKvAboutAction plain;
    plain.Comment = {ScanlarkComment};
    box = plain.CreateAboutBox();
    box->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(box.get()));
    EXPECT_FALSE(Child<QLabel>("Url")->isVisible());
    EXPECT_FALSE(Child<QLabel>("Email")->isVisible());
    EXPECT_EQ(Child<QPlainTextEdit>("Memo1")->toPlainText(), ScanlarkComment);
}

// A fake display-settings program on a PATH of our own.
TEST(KvActnOpenDesk, StartsTheRunningDesktopsSettingsFirst)
{
    TempFolder bin;
    for (const char* program : {"xfce4-display-settings", "gnome-control-center"}) {
        const std::string path = bin.write(program, {'#', '!', '/', 'b', 'i', 'n', '/', 's', 'h', '\n'});
        ASSERT_EQ(::chmod(path.c_str(), 0755), 0);
    }
    const QByteArray savedPath = qgetenv("PATH");
    const bool desktopWasSet = qEnvironmentVariableIsSet("XDG_CURRENT_DESKTOP");
    const QByteArray savedDesktop = qgetenv("XDG_CURRENT_DESKTOP");
    qputenv("PATH", QByteArray::fromStdString(bin.path()));

    TKvOpenDeskAction action;
    QStringList started;
    action.SetProgramStarter([&](const QString& program, const QStringList& arguments) {
        started << QFileInfo(program).fileName() + " " + arguments.join(u' ');
        return true;
    });
    qputenv("XDG_CURRENT_DESKTOP", "XFCE");
    action.trigger();
    qputenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
    action.trigger();
    qputenv("XDG_CURRENT_DESKTOP", "KDE");  // not installed here: the first known one that is
    action.trigger();

    qputenv("PATH", QByteArray("/nonexistent"));
    action.trigger();

    qputenv("PATH", savedPath);
    if (desktopWasSet)
        qputenv("XDG_CURRENT_DESKTOP", savedDesktop);
    else
        qunsetenv("XDG_CURRENT_DESKTOP");
    EXPECT_EQ(started, (QStringList{"xfce4-display-settings ", "gnome-control-center display",
                                    "gnome-control-center display"}));
}

}  // namespace
