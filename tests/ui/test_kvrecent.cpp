#include "components/KvActns.h"
#include "components/KvRecentControl.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QMenu>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

std::unique_ptr<TKvRecentItem> Place(const std::string& path)
{
    auto item = std::make_unique<TKvRecentItem>();
    item->Path = path;
    return item;
}

QStringList Texts(const QMenu& menu)
{
    QStringList texts;
    for (const QAction* action : menu.actions())
        texts << action->text();
    return texts;
}

// The window's arrangement: hinted back and forward actions, their menus,
// and captions taken from the entries' paths.
class RecentControlTest : public ::testing::Test {
protected:
    RecentControlTest()
    {
        SetHint(&back, QStringLiteral("戻る|前に戻ります。"));
        SetHint(&forward, QStringLiteral("進む|次に進みます。"));
        control.SetActionBack(&back);
        control.SetActionForward(&forward);
        control.SetPopupMenuBack(&backMenu);
        control.SetPopupMenuForward(&forwardMenu);
        control.OnMenuItemCaptionSetEvent = [](QObject* Sender, const TKvRecentItem& AItem, QString& ACaption) {
            EXPECT_EQ(Sender, nullptr);
            ACaption = QFile::decodeName(QByteArray::fromStdString(AItem.Path));
        };
        control.OnMenuItemClick = [this](QObject* Sender, TKvRecentItem* PreItem, TKvRecentItem* NowItem) {
            clicks.push_back({Sender, PreItem ? PreItem->Path : "(none)", NowItem ? NowItem->Path : "(none)"});
        };
    }

    void AddPlaces(const std::vector<std::string>& paths)
    {
        for (const std::string& path : paths)
            ASSERT_TRUE(control.Add(Place(path)));
    }

    std::vector<std::string> History() const
    {
        std::vector<std::string> paths;
        for (int i = 0; i < control.Count(); ++i)
            paths.push_back(control.Item(i)->Path);
        return paths;
    }

    struct Click {
        QObject* sender;
        std::string pre;
        std::string now;
    };

    QAction back;
    QAction forward;
    QMenu backMenu;
    QMenu forwardMenu;
    TKvRecentControl control;
    std::vector<Click> clicks;
};

// A menu with no history entries to list has no items at all.
const QStringList Empty = {};

TEST_F(RecentControlTest, StartsEmptyWithEmptyMenusAndBaseHints)
{
    EXPECT_EQ(control.ItemIndex(), -1);
    EXPECT_EQ(control.NowItem(), nullptr);
    EXPECT_EQ(control.BaseHintBack(), QStringLiteral("戻る|前に戻ります。"));
    EXPECT_EQ(Texts(backMenu), Empty);
    EXPECT_FALSE(control.GoBack());
    EXPECT_FALSE(control.GoForward());

    AddPlaces({"/a/"});
    EXPECT_EQ(control.ItemIndex(), 0);
    EXPECT_EQ(Texts(backMenu), Empty);
    EXPECT_EQ(Texts(forwardMenu), Empty);
    EXPECT_EQ(back.toolTip(), QStringLiteral("戻る"));
    EXPECT_EQ(back.statusTip(), QStringLiteral("前に戻ります。"));
}

// Three places, back to the first through the menu, then a new place.
TEST_F(RecentControlTest, BackThroughMenuThenAddDiscardsForwardEntries)
{
    AddPlaces({"A", "B", "C"});
    EXPECT_EQ(Texts(backMenu), (QStringList{"B", "A"}));
    EXPECT_EQ(Texts(forwardMenu), Empty);
    EXPECT_EQ(control.BackItemCount(), 2);
    EXPECT_EQ(control.ForwardItemCount(), 0);
    EXPECT_EQ(back.toolTip(), QStringLiteral("B に戻る"));
    EXPECT_EQ(back.statusTip(), QStringLiteral("前に戻ります。"));
    EXPECT_EQ(Hint(&back), QStringLiteral("B に戻る|前に戻ります。"));
    EXPECT_EQ(forward.toolTip(), QStringLiteral("進む"));

    QAction* entryA = backMenu.actions().at(1);
    entryA->trigger();
    EXPECT_EQ(control.ItemIndex(), 0);
    EXPECT_EQ(control.NowItem()->Path, "A");
    EXPECT_EQ(Texts(backMenu), Empty);
    EXPECT_EQ(Texts(forwardMenu), (QStringList{"B", "C"}));
    EXPECT_EQ(back.toolTip(), QStringLiteral("戻る"));
    EXPECT_EQ(forward.toolTip(), QStringLiteral("B に進む"));
    EXPECT_EQ(forward.statusTip(), QStringLiteral("次に進みます。"));
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].sender, entryA);
    EXPECT_EQ(clicks[0].pre, "C");
    EXPECT_EQ(clicks[0].now, "A");
    EXPECT_EQ(History(), (std::vector<std::string>{"A", "B", "C"}));

    AddPlaces({"D"});
    EXPECT_EQ(History(), (std::vector<std::string>{"A", "D"}));
    EXPECT_EQ(control.ItemIndex(), 1);
    EXPECT_EQ(Texts(backMenu), (QStringList{"A"}));
    EXPECT_EQ(Texts(forwardMenu), Empty);
    EXPECT_EQ(forward.toolTip(), QStringLiteral("進む"));
}

TEST_F(RecentControlTest, GoBackAndForwardChooseTheNearestEntry)
{
    AddPlaces({"A", "B", "C"});
    EXPECT_TRUE(control.GoBack());
    EXPECT_TRUE(control.GoBack());
    EXPECT_FALSE(control.GoBack());
    EXPECT_EQ(control.NowItem()->Path, "A");
    EXPECT_TRUE(control.GoForward());
    EXPECT_EQ(control.NowItem()->Path, "B");
    EXPECT_EQ(Texts(backMenu), (QStringList{"A"}));
    EXPECT_EQ(Texts(forwardMenu), (QStringList{"C"}));
    ASSERT_EQ(clicks.size(), 3u);
    EXPECT_EQ(clicks[0].pre + clicks[0].now, "CB");
    EXPECT_EQ(clicks[1].pre + clicks[1].now, "BA");
    EXPECT_EQ(clicks[2].pre + clicks[2].now, "AB");
}

TEST_F(RecentControlTest, MenusListAtMostMenuItemCountEntries)
{
    control.OnMenuItemCaptionSetEvent = nullptr;  // captions are then the positions
    for (int i = 0; i < 12; ++i)
        AddPlaces({std::to_string(i)});
    EXPECT_EQ(Texts(backMenu), (QStringList{"10", "9", "8", "7", "6", "5", "4", "3", "2"}));
    EXPECT_EQ(back.toolTip(), QStringLiteral("10 に戻る"));

    backMenu.actions().last()->trigger();  // position 2
    EXPECT_EQ(control.ItemIndex(), 2);
    EXPECT_EQ(Texts(backMenu), (QStringList{"1", "0"}));
    EXPECT_EQ(Texts(forwardMenu), (QStringList{"3", "4", "5", "6", "7", "8", "9", "10", "11"}));

    control.MenuItemCount = 3;
    control.GoForward();
    EXPECT_EQ(Texts(backMenu), (QStringList{"2", "1", "0"}));
    EXPECT_EQ(Texts(forwardMenu), (QStringList{"4", "5", "6"}));

    control.MenuItemCount = 0;
    control.GoBack();
    EXPECT_EQ(control.ItemIndex(), 2);
    EXPECT_EQ(Texts(backMenu), Empty);
    EXPECT_EQ(Texts(forwardMenu), Empty);
    EXPECT_EQ(control.BackItemCount(), 0);
    EXPECT_EQ(Hint(&back), control.BaseHintBack());
    EXPECT_EQ(Hint(&forward), control.BaseHintForward());
    EXPECT_FALSE(control.GoBack());
}

TEST_F(RecentControlTest, JudgeDecidesWhetherAnEntryIsAdded)
{
    std::vector<std::string> judged;
    // As the window does: the same folder, regardless of letter case, is refused.
    control.OnAddJudge = [&](QObject* Sender, const TKvRecentItem* NowItem, const TKvRecentItem& AddItem,
                             bool& AddFlag) {
        EXPECT_EQ(Sender, nullptr);
        judged.push_back((NowItem ? NowItem->Path : "(none)") + ">" + AddItem.Path);
        if (NowItem && QString::fromStdString(NowItem->Path).compare(QString::fromStdString(AddItem.Path),
                                                                      Qt::CaseInsensitive) == 0)
            AddFlag = false;
    };
    AddPlaces({"/Photos/", "/B/"});
    control.GoBack();

    EXPECT_FALSE(control.Add(Place("/PHOTOS/")));
    EXPECT_EQ(History(), (std::vector<std::string>{"/Photos/", "/B/"}));
    EXPECT_EQ(control.ItemIndex(), 0);
    EXPECT_EQ(Texts(forwardMenu), (QStringList{"/B/"}));
    EXPECT_EQ(forward.toolTip(), QStringLiteral("/B/ に進む"));
    EXPECT_EQ(judged, (std::vector<std::string>{"(none)>/Photos/", "/Photos/>/B/", "/Photos/>/PHOTOS/"}));

    // The control itself never compares: without a judge equal places repeat.
    control.OnAddJudge = nullptr;
    EXPECT_TRUE(control.Add(Place("/Photos/")));
    EXPECT_EQ(History(), (std::vector<std::string>{"/Photos/", "/Photos/"}));
}

TEST_F(RecentControlTest, CaptionsStayLiteralInMenusAndHints)
{
    AddPlaces({"R&D", "a|b", "here"});
    // "&" is shown, not taken as an access key; "|" in a folder name does not
    // split the hint.
    EXPECT_EQ(Texts(backMenu), (QStringList{"a|b", "R&&D"}));
    EXPECT_EQ(back.toolTip(), QStringLiteral("a|b に戻る"));
    EXPECT_EQ(back.statusTip(), QStringLiteral("前に戻ります。"));

    control.GoBack();
    control.GoBack();
    EXPECT_EQ(forward.toolTip(), QStringLiteral("a|b に進む"));
    control.GoForward();
    EXPECT_EQ(back.toolTip(), QStringLiteral("R&D に戻る"));
}

TEST_F(RecentControlTest, ConnectiveAndBaseHintWithoutBar)
{
    QAction plainBack;
    plainBack.setToolTip(QStringLiteral("戻る"));  // no hint given through SetHint
    control.SetActionBack(&plainBack);
    control.SConnective = QStringLiteral(" から");
    EXPECT_EQ(control.BaseHintBack(), QStringLiteral("戻る"));
    AddPlaces({"A", "B"});
    // Without a bar the whole hint is both tooltip and status text.
    EXPECT_EQ(plainBack.toolTip(), QStringLiteral("A から戻る"));
    EXPECT_EQ(plainBack.statusTip(), QStringLiteral("A から戻る"));
}

TEST_F(RecentControlTest, ReplacedEntriesAreFreedLaterAndCannotMoveTheHistory)
{
    AddPlaces({"A", "B", "C"});
    QPointer<QAction> clicked = backMenu.actions().at(0);
    QPointer<QAction> other = backMenu.actions().at(1);
    clicked->trigger();
    ASSERT_EQ(control.NowItem()->Path, "B");
    // Still alive while the click is being handled, but out of the menu.
    ASSERT_TRUE(clicked);
    EXPECT_FALSE(backMenu.actions().contains(clicked.data()));

    other->trigger();
    EXPECT_EQ(control.NowItem()->Path, "B");
    EXPECT_EQ(clicks.size(), 1u);

    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(clicked);
    EXPECT_FALSE(other);
}

TEST_F(RecentControlTest, ClickInAShownMenu)
{
    AddPlaces({"A", "B", "C"});
    backMenu.popup(QPoint(0, 0));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&backMenu));
    QAction* entryA = backMenu.actions().at(1);
    QTest::mouseClick(&backMenu, Qt::LeftButton, {}, backMenu.actionGeometry(entryA).center());
    EXPECT_EQ(control.NowItem()->Path, "A");
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].sender, entryA);
    QTRY_VERIFY(!backMenu.isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(Texts(backMenu), Empty);
}

// The window designs each menu with a disabled "なし"; it shows until the
// first place is added, and from then on a menu with nothing to list is empty.
TEST(RecentControl, DesignedEntryStaysUntilTheFirstAddThenEmptyMenusHaveNoItems)
{
    TKvRecentControl control;
    QAction back;
    QAction forward;
    control.SetActionBack(&back);
    control.SetActionForward(&forward);
    QMenu backMenu;
    QMenu forwardMenu;
    backMenu.addAction(QStringLiteral("なし"))->setEnabled(false);
    forwardMenu.addAction(QStringLiteral("なし"))->setEnabled(false);
    control.SetPopupMenuBack(&backMenu);
    control.SetPopupMenuForward(&forwardMenu);
    EXPECT_EQ(Texts(backMenu), QStringList{"なし"});

    control.Add(Place("A"));
    EXPECT_TRUE(backMenu.actions().isEmpty());
    EXPECT_TRUE(forwardMenu.actions().isEmpty());
    control.Add(Place("B"));
    EXPECT_EQ(Texts(backMenu), QStringList{"0"});
    EXPECT_TRUE(forwardMenu.actions().isEmpty());
    ASSERT_TRUE(control.GoBack());
    EXPECT_TRUE(backMenu.actions().isEmpty());
    EXPECT_EQ(Texts(forwardMenu), QStringList{"1"});
}

TEST(RecentControl, MenuAttachedLaterIsFilledAndDesignedEntriesGo)
{
    TKvRecentControl control;
    QAction back;
    control.SetActionBack(&back);
    control.Add(Place("A"));
    control.Add(Place("B"));
    EXPECT_EQ(control.BackItemCount(), 0);  // no menu yet, so nothing listed
    EXPECT_FALSE(control.GoBack());

    QMenu menu;
    QPointer<QAction> designed = menu.addAction(QStringLiteral("なし"));
    control.SetPopupMenuBack(&menu);
    EXPECT_EQ(Texts(menu), QStringList{"0"});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(designed);

    QMenu other;
    control.SetPopupMenuBack(&other);
    EXPECT_TRUE(menu.actions().isEmpty());
    EXPECT_EQ(Texts(other), QStringList{"0"});
}

TEST(RecentControl, DestroyingTheControlEmptiesItsMenus)
{
    QMenu menu;
    {
        TKvRecentControl control;
        QAction back;
        control.SetActionBack(&back);
        control.SetPopupMenuBack(&menu);
        control.Add(Place("A"));
        control.Add(Place("B"));
        ASSERT_EQ(menu.actions().size(), 1);
    }
    EXPECT_TRUE(menu.actions().isEmpty());
}

}  // namespace
