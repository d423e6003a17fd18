// A browser-like back/forward history of visited places. It fills a "back"
// and a "forward" menu with the nearest entries on either side of the current
// one, keeps the hints of a "back" and a "forward" action pointing at the
// place they lead to, and moves through the history when a menu entry is
// chosen. What an entry means is left to the owner's events.
//
// Main thread only; events are called synchronously from Add and from the
// click on a menu entry.
#pragma once

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// One visited place. Paths and names are bytes as the OS gives them.
class TKvRecentItem {
public:
    std::string FocusedFileName;  // full name of the file that had the focus, or empty
    std::string Path;             // the folder, ending in "/"
    std::vector<std::string> SelectedFileNames;  // full names of the selected files

    void Assign(const TKvRecentItem& source) { *this = source; }
};

// Sender is null. The handler may set AddFlag to false to refuse AddItem.
using TKvAddJudgeEvent =
    std::function<void(QObject* Sender, const TKvRecentItem* NowItem, const TKvRecentItem& AddItem, bool& AddFlag)>;
// Sender is null. The handler writes the menu caption of AItem into ACaption.
using TKvMenuItemCaptionSetEvent =
    std::function<void(QObject* Sender, const TKvRecentItem& AItem, QString& ACaption)>;
// Sender is the chosen menu entry; by the time the handler runs it has been
// taken out of its menu and is freed once control returns to the event loop.
// The current entry has already changed from PreItem (null when there was
// none) to NowItem.
using TKvMenuItemClickEvent = std::function<void(QObject* Sender, TKvRecentItem* PreItem, TKvRecentItem* NowItem)>;

class TKvRecentControl : public QObject {
public:
    explicit TKvRecentControl(QObject* owner = nullptr);
    ~TKvRecentControl() override;

    // The "back" action whose hint the control maintains. Attaching copies
    // the action's hint (see Hint() in KvActns.h) into BaseHintBack.
    QAction* ActionBack() const { return back_.action; }
    void SetActionBack(QAction* action);
    QAction* ActionForward() const { return forward_.action; }
    void SetActionForward(QAction* action);
    const QString& BaseHintBack() const { return back_.baseHint; }
    const QString& BaseHintForward() const { return forward_.baseHint; }

    // The menus the control fills: the entries before the current one, the
    // nearest first, and those after it, the nearest first. The control owns
    // a menu's contents once it is attached: attaching to a non-empty
    // history empties the menu and fills it at once; with no history yet the
    // menu keeps its designed items until the first Add. A menu without
    // history entries to list holds no items.
    QMenu* PopupMenuBack() const { return back_.menu; }
    void SetPopupMenuBack(QMenu* menu);
    QMenu* PopupMenuForward() const { return forward_.menu; }
    void SetPopupMenuForward(QMenu* menu);

    // At most this many history entries in each menu; 0 or less leaves both
    // empty. Takes effect at the next change of the history.
    int MenuItemCount = 9;
    // Put between an entry's caption and the base hint.
    QString SConnective = QCoreApplication::translate("RecentControl", " に");

    TKvAddJudgeEvent OnAddJudge;
    TKvMenuItemCaptionSetEvent OnMenuItemCaptionSetEvent;
    TKvMenuItemClickEvent OnMenuItemClick;

    // Position of the current entry, -1 when the history is empty.
    int ItemIndex() const { return itemIndex_; }
    // The current entry, null when the history is empty.
    TKvRecentItem* NowItem() const;
    int Count() const { return static_cast<int>(items_.size()); }
    TKvRecentItem* Item(int index) const { return items_.at(static_cast<size_t>(index)).get(); }

    // Offers a new entry. Unless OnAddJudge refuses it, every entry after the
    // current one is freed, item is appended and becomes current, and the
    // menus and hints are rebuilt. A refused item is freed here and nothing
    // changes. Answers whether item was added.
    bool Add(std::unique_ptr<TKvRecentItem> item);

    // How many history entries the back and the forward menus list. The
    // owner enables its back and forward commands by these.
    int BackItemCount() const { return static_cast<int>(back_.entries.size()); }
    int ForwardItemCount() const { return static_cast<int>(forward_.entries.size()); }
    // Chooses the first entry of the back (forward) menu, exactly as a click
    // on it would. Answers false, doing nothing, when that menu lists none.
    bool GoBack();
    bool GoForward();

private:
    struct MenuEntry {
        QAction* action;
        QString caption;  // as the caption event gave it, before menu escaping
    };
    struct Side {
        QPointer<QAction> action;
        QString baseHint;
        QPointer<QMenu> menu;
        std::vector<MenuEntry> entries;  // owned by the control (QObject children)
    };

    void AttachAction(Side& side, QAction* action);
    void AttachMenu(Side& side, QMenu* menu);
    void RebuildMenus();
    void ClearMenu(Side& side);
    void FillMenu(Side& side, int step);
    void UpdateHint(Side& side);
    QString CaptionOf(int index);
    void MenuEntryClicked(QAction* entry);

    std::vector<std::unique_ptr<TKvRecentItem>> items_;
    int itemIndex_ = -1;
    Side back_;
    Side forward_;
};
