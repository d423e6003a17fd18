// Column descriptions of the column-configurable list view (TKvListView).
//
// A description says what one column of a report list looks like by design
// (caption, alignment, designed width and visibility) and how the user has
// configured it (shown or hidden, position among all columns, width). The
// set of descriptions persists in one INI section, three keys per column.
//
// Invariant: the Order values of one collection are always a permutation of
// 0 .. Count() - 1. A new description gets its index as order, and every
// later change of an order is a swap with the description holding it.
//
// Plain classes, main thread only.
#pragma once

#include <QString>
#include <Qt>

#include <memory>
#include <string>
#include <utility>
#include <vector>

class TKvMemIniFile;
class TKvListColumnInfos;
class TKvColumnInfos;

// One column description; created and owned by its TKvListColumnInfos.
class TKvListColumnInfo {
public:
    TKvListColumnInfo(const TKvListColumnInfo&) = delete;
    TKvListColumnInfo& operator=(const TKvListColumnInfo&) = delete;

    // Fields without side effects. Alignment is Qt::AlignLeft, AlignRight or
    // AlignHCenter; MaxWidth and MinWidth limit what the user can drag the
    // column to (0 = no limit); ImageIndex picks a header image (-1 = none).
    Qt::Alignment Alignment = Qt::AlignLeft;
    bool AutoSize = false;
    QString Caption;
    int MaxWidth = 0;
    int MinWidth = 0;
    int ImageIndex = -1;
    int Width = 50;
    // Stem of the INI keys ("<IdentName>_Visible" ...); initially
    // "KvListColumnInfo<index>".
    std::string IdentName;
    bool Visible = true;

    // Position in the collection, fixed at creation.
    int Index() const { return index_; }
    TKvListColumnInfos& Collection() const { return *collection_; }

    // Configured position among all descriptions, shown or not (0 = leftmost).
    int Order() const { return order_; }
    // Swap rule: an order outside 0 .. Count() - 1 changes nothing; otherwise
    // the first description (in index order) holding that order takes this
    // one's current order, and this one takes the new order.
    void SetOrder(int order);

    int DefaultWidth() const { return defaultWidth_; }
    // Also sets Width.
    void SetDefaultWidth(int width);
    bool DefaultVisible() const { return defaultVisible_; }
    // Also sets Visible.
    void SetDefaultVisible(bool visible);

    // Copies every field of source, Order included, unchanged; the index and
    // the collection stay. Used when a whole collection is assigned, where
    // the copied orders form a permutation again.
    void Assign(const TKvListColumnInfo& source);

private:
    friend class TKvListColumnInfos;
    TKvListColumnInfo(TKvListColumnInfos& collection, int index);

    TKvListColumnInfos* collection_;
    int index_;
    int order_;
    int defaultWidth_ = 50;
    bool defaultVisible_ = true;
};

// The ordered, indexed collection of column descriptions.
class TKvListColumnInfos {
public:
    explicit TKvListColumnInfos(TKvColumnInfos* owner = nullptr);
    ~TKvListColumnInfos();
    TKvListColumnInfos(const TKvListColumnInfos&) = delete;
    TKvListColumnInfos& operator=(const TKvListColumnInfos&) = delete;

    // Appends a description with default fields, its index as Order.
    TKvListColumnInfo& Add();
    int Count() const { return static_cast<int>(items_.size()); }
    // The description at a collection index; std::out_of_range outside.
    TKvListColumnInfo& Items(int index);
    const TKvListColumnInfo& Items(int index) const;
    // Removes every description.
    void Clear();
    // Replaces the items by copies of source's items (every field, Order
    // included). The section name and the owner stay.
    void Assign(const TKvListColumnInfos& source);

    // The first description, in index order, whose Order equals order; null
    // when none.
    TKvListColumnInfo* FindByOrder(int order) const;
    // Number of descriptions with Visible set.
    int VisibleCount() const;
    // -1 when info is hidden, else the number of shown descriptions placed
    // before it.
    int VisiblePosition(const TKvListColumnInfo& info) const;
    // The first description, in index order, with that visible position;
    // null when none.
    TKvListColumnInfo* FindByVisiblePosition(int position) const;

    // For each description in index order: Visible from "<ident>_Visible"
    // (default DefaultVisible), Order from "<ident>_Order" (default its
    // index) through the swap rule, Width from "<ident>_Width" (default
    // DefaultWidth) unchanged. A stored permutation comes back exactly; any
    // other stored orders still leave a permutation.
    void LoadFromIni(const TKvMemIniFile& ini);
    // Writes "<ident>_Visible", "<ident>_Order", "<ident>_Width" for each
    // description in index order into SectionName().
    void SaveToIni(TKvMemIniFile& ini) const;

    const std::string& SectionName() const { return sectionName_; }
    void SetSectionName(std::string name) { sectionName_ = std::move(name); }
    TKvColumnInfos* Owner() const { return owner_; }

private:
    std::vector<std::unique_ptr<TKvListColumnInfo>> items_;
    std::string sectionName_ = "DesignColumn";
    TKvColumnInfos* owner_;
};

// The component a window keeps for one list view's column set: it owns the
// collection and names its INI section.
class TKvColumnInfos {
public:
    TKvColumnInfos();
    TKvColumnInfos(const TKvColumnInfos&) = delete;
    TKvColumnInfos& operator=(const TKvColumnInfos&) = delete;

    TKvListColumnInfos& ColumnInfos() { return columnInfos_; }
    const TKvListColumnInfos& ColumnInfos() const { return columnInfos_; }
    // Replaces the items by copies of infos' items.
    void SetColumnInfos(const TKvListColumnInfos& infos) { columnInfos_.Assign(infos); }

    const std::string& IniSectionName() const { return columnInfos_.SectionName(); }
    void SetIniSectionName(std::string name) { columnInfos_.SetSectionName(std::move(name)); }

private:
    TKvListColumnInfos columnInfos_;
};
