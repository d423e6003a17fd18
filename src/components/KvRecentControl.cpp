#include "components/KvRecentControl.h"

#include "components/KvActns.h"

#include <QVariant>

#include <utility>

namespace {

// A caption as a menu shows it literally: "&" would make an access key and
// a tab would start the shortcut column.
QString MenuText(QString caption)
{
    caption.replace(u'&', QStringLiteral("&&"));
    caption.replace(u'\t', u' ');
    return caption;
}

}  // namespace

TKvRecentControl::TKvRecentControl(QObject* owner) : QObject(owner) {}

TKvRecentControl::~TKvRecentControl() = default;

TKvRecentItem* TKvRecentControl::NowItem() const
{
    return itemIndex_ < 0 ? nullptr : items_[static_cast<size_t>(itemIndex_)].get();
}

void TKvRecentControl::SetActionBack(QAction* action)
{
    AttachAction(back_, action);
}

void TKvRecentControl::SetActionForward(QAction* action)
{
    AttachAction(forward_, action);
}

void TKvRecentControl::AttachAction(Side& side, QAction* action)
{
    side.action = action;
    side.baseHint = action ? Hint(action) : QString();
}

void TKvRecentControl::SetPopupMenuBack(QMenu* menu)
{
    AttachMenu(back_, menu);
}

void TKvRecentControl::SetPopupMenuForward(QMenu* menu)
{
    AttachMenu(forward_, menu);
}

void TKvRecentControl::AttachMenu(Side& side, QMenu* menu)
{
    ClearMenu(side);
    side.menu = menu;
    // An empty history leaves what the window designed into the menu (its
    // "なし") until the first entry's rebuild replaces it.
    if (Count() > 0)
        RebuildMenus();
}

bool TKvRecentControl::Add(std::unique_ptr<TKvRecentItem> item)
{
    if (!item)
        return false;
    bool addFlag = true;
    if (OnAddJudge)
        OnAddJudge(nullptr, NowItem(), *item, addFlag);
    if (!addFlag)
        return false;
    items_.resize(static_cast<size_t>(itemIndex_ + 1));
    items_.push_back(std::move(item));
    itemIndex_ = Count() - 1;
    RebuildMenus();
    return true;
}

bool TKvRecentControl::GoBack()
{
    if (back_.entries.empty())
        return false;
    back_.entries.front().action->trigger();
    return true;
}

bool TKvRecentControl::GoForward()
{
    if (forward_.entries.empty())
        return false;
    forward_.entries.front().action->trigger();
    return true;
}

void TKvRecentControl::RebuildMenus()
{
    ClearMenu(back_);
    FillMenu(back_, -1);
    ClearMenu(forward_);
    FillMenu(forward_, +1);
    UpdateHint(back_);
    UpdateHint(forward_);
}

void TKvRecentControl::ClearMenu(Side& side)
{
    if (side.menu) {
        for (QAction* action : side.menu->actions()) {
            side.menu->removeAction(action);
            // An entry the window designed into the menu goes as well.
            if (action->parent() == side.menu)
                action->deleteLater();
        }
    }
    // The entry being clicked may be among these: QMenu still uses it after
    // the click handling returns, so it is freed later, and cut off from the
    // control so that a late trigger cannot move through a changed history.
    for (const MenuEntry& entry : side.entries) {
        disconnect(entry.action, nullptr, this, nullptr);
        entry.action->deleteLater();
    }
    side.entries.clear();
}

void TKvRecentControl::FillMenu(Side& side, int step)
{
    if (!side.menu)
        return;
    for (int k = 1; k <= MenuItemCount; ++k) {
        const int n = itemIndex_ + step * k;
        if (n < 0 || n >= Count())
            break;
        const QString caption = CaptionOf(n);
        auto* action = new QAction(MenuText(caption), this);
        action->setData(n);
        connect(action, &QAction::triggered, this, [this, action] { MenuEntryClicked(action); });
        side.menu->addAction(action);
        side.entries.push_back({action, caption});
    }
}

QString TKvRecentControl::CaptionOf(int index)
{
    QString caption = QString::number(index);
    if (OnMenuItemCaptionSetEvent)
        OnMenuItemCaptionSetEvent(nullptr, *Item(index), caption);
    return caption;
}

void TKvRecentControl::UpdateHint(Side& side)
{
    if (!side.action)
        return;
    if (side.entries.empty()) {
        SetHint(side.action, side.baseHint);
        return;
    }
    const QString lead = side.entries.front().caption + SConnective;
    SetHint(side.action, lead + side.baseHint, lead.size());
}

void TKvRecentControl::MenuEntryClicked(QAction* entry)
{
    bool valid = false;
    const int n = entry->data().toInt(&valid);
    if (!valid || n < 0 || n >= Count())
        return;
    TKvRecentItem* preItem = NowItem();
    itemIndex_ = n;
    RebuildMenus();
    if (OnMenuItemClick)
        OnMenuItemClick(entry, preItem, NowItem());
}
