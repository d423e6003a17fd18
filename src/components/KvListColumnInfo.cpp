#include "components/KvListColumnInfo.h"

#include "platform/KvMemIniFile.h"

#include <stdexcept>

TKvListColumnInfo::TKvListColumnInfo(TKvListColumnInfos& collection, int index)
    : IdentName("KvListColumnInfo" + std::to_string(index)), collection_(&collection), index_(index), order_(index)
{
}

void TKvListColumnInfo::SetOrder(int order)
{
    if (order < 0 || order >= collection_->Count())
        return;
    if (TKvListColumnInfo* holder = collection_->FindByOrder(order))
        holder->order_ = order_;
    order_ = order;
}

void TKvListColumnInfo::SetDefaultWidth(int width)
{
    defaultWidth_ = width;
    Width = width;
}

void TKvListColumnInfo::SetDefaultVisible(bool visible)
{
    defaultVisible_ = visible;
    Visible = visible;
}

void TKvListColumnInfo::Assign(const TKvListColumnInfo& source)
{
    Alignment = source.Alignment;
    AutoSize = source.AutoSize;
    Caption = source.Caption;
    MaxWidth = source.MaxWidth;
    MinWidth = source.MinWidth;
    ImageIndex = source.ImageIndex;
    Width = source.Width;
    order_ = source.order_;
    defaultWidth_ = source.defaultWidth_;
    IdentName = source.IdentName;
    Visible = source.Visible;
    defaultVisible_ = source.defaultVisible_;
}

TKvListColumnInfos::TKvListColumnInfos(TKvColumnInfos* owner) : owner_(owner) {}

TKvListColumnInfos::~TKvListColumnInfos() = default;

TKvListColumnInfo& TKvListColumnInfos::Add()
{
    items_.push_back(std::unique_ptr<TKvListColumnInfo>(new TKvListColumnInfo(*this, Count())));
    return *items_.back();
}

TKvListColumnInfo& TKvListColumnInfos::Items(int index)
{
    if (index < 0 || index >= Count())
        throw std::out_of_range("TKvListColumnInfos::Items");
    return *items_[static_cast<size_t>(index)];
}

const TKvListColumnInfo& TKvListColumnInfos::Items(int index) const
{
    return const_cast<TKvListColumnInfos*>(this)->Items(index);
}

void TKvListColumnInfos::Clear() { items_.clear(); }

void TKvListColumnInfos::Assign(const TKvListColumnInfos& source)
{
    if (&source == this)
        return;
    Clear();
    for (const auto& item : source.items_)
        Add().Assign(*item);
}

TKvListColumnInfo* TKvListColumnInfos::FindByOrder(int order) const
{
    for (const auto& item : items_)
        if (item->Order() == order)
            return item.get();
    return nullptr;
}

int TKvListColumnInfos::VisibleCount() const
{
    int count = 0;
    for (const auto& item : items_)
        if (item->Visible)
            ++count;
    return count;
}

int TKvListColumnInfos::VisiblePosition(const TKvListColumnInfo& info) const
{
    if (!info.Visible)
        return -1;
    // The orders are a permutation, so "every order below info's, minus the
    // hidden ones" is the number of shown descriptions with a lower order.
    int position = 0;
    for (const auto& item : items_)
        if (item->Visible && item->Order() < info.Order())
            ++position;
    return position;
}

TKvListColumnInfo* TKvListColumnInfos::FindByVisiblePosition(int position) const
{
    for (const auto& item : items_)
        if (VisiblePosition(*item) == position)
            return item.get();
    return nullptr;
}

void TKvListColumnInfos::LoadFromIni(const TKvMemIniFile& ini)
{
    for (const auto& item : items_) {
        const std::string& ident = item->IdentName;
        item->Visible = ini.ReadBool(sectionName_, ident + "_Visible", item->DefaultVisible());
        item->SetOrder(ini.ReadInteger(sectionName_, ident + "_Order", item->Index()));
        item->Width = ini.ReadInteger(sectionName_, ident + "_Width", item->DefaultWidth());
    }
}

void TKvListColumnInfos::SaveToIni(TKvMemIniFile& ini) const
{
    for (const auto& item : items_) {
        const std::string& ident = item->IdentName;
        ini.WriteBool(sectionName_, ident + "_Visible", item->Visible);
        ini.WriteInteger(sectionName_, ident + "_Order", item->Order());
        ini.WriteInteger(sectionName_, ident + "_Width", item->Width);
    }
}

TKvColumnInfos::TKvColumnInfos() : columnInfos_(this) {}
