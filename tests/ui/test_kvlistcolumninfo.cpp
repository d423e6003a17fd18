// The column descriptions: swap rule, visible positions, the settings keys,
// assignment, and the main list's column table.
#include "components/KvListColumnInfo.h"
#include "components/ScanlarkColumns.h"
#include "platform/KvMemIniFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace {

// A set of count descriptions with idents "C0", "C1", ...
void MakeColumns(TKvColumnInfos& infos, int count)
{
    for (int i = 0; i < count; ++i) {
        TKvListColumnInfo& info = infos.ColumnInfos().Add();
        info.IdentName = "C" + std::to_string(i);
        info.Caption = QStringLiteral("列%1").arg(i);
    }
}

std::vector<int> Orders(const TKvListColumnInfos& infos)
{
    std::vector<int> orders;
    for (int i = 0; i < infos.Count(); ++i)
        orders.push_back(infos.Items(i).Order());
    return orders;
}

bool IsPermutation(std::vector<int> orders)
{
    std::sort(orders.begin(), orders.end());
    for (size_t i = 0; i < orders.size(); ++i)
        if (orders[i] != static_cast<int>(i))
            return false;
    return true;
}

// An empty settings document that is never written to disk.
TKvMemIniFile EmptyIni() { return TKvMemIniFile(::testing::TempDir() + "kvlistcolumninfo-absent.ini"); }

} // namespace

TEST(KvListColumnInfos, NewDescriptionsAndDesignedValues)
{
    TKvColumnInfos infos;
    TKvListColumnInfo& first = infos.ColumnInfos().Add();
    TKvListColumnInfo& second = infos.ColumnInfos().Add();
    EXPECT_EQ(first.IdentName, "KvListColumnInfo0");
    EXPECT_EQ(second.IdentName, "KvListColumnInfo1");
    EXPECT_EQ(second.Index(), 1);
    EXPECT_EQ(second.Order(), 1);
    EXPECT_EQ(first.Width, 50);
    EXPECT_EQ(first.ImageIndex, -1);
    EXPECT_EQ(first.Alignment, Qt::AlignLeft);
    EXPECT_TRUE(first.Visible);
    EXPECT_EQ(&first.Collection(), &infos.ColumnInfos());
    EXPECT_EQ(infos.ColumnInfos().Owner(), &infos);
    EXPECT_EQ(infos.IniSectionName(), "DesignColumn");

    // Designing a value sets the configured one too; configuring does not
    // touch the design.
    first.SetDefaultWidth(120);
    first.SetDefaultVisible(false);
    EXPECT_EQ(first.Width, 120);
    EXPECT_FALSE(first.Visible);
    first.Width = 70;
    first.Visible = true;
    EXPECT_EQ(first.DefaultWidth(), 120);
    EXPECT_FALSE(first.DefaultVisible());
    EXPECT_THROW(infos.ColumnInfos().Items(2), std::out_of_range);
}

TEST(KvListColumnInfos, SwapRuleKeepsAPermutation)
{
    TKvColumnInfos infos;
    MakeColumns(infos, 4);
    TKvListColumnInfos& columns = infos.ColumnInfos();

    columns.Items(1).SetOrder(3);
    EXPECT_EQ(Orders(columns), (std::vector<int>{0, 3, 2, 1}));
    columns.Items(1).SetOrder(4);
    columns.Items(1).SetOrder(-1);
    EXPECT_EQ(Orders(columns), (std::vector<int>{0, 3, 2, 1}));
    columns.Items(2).SetOrder(2);
    EXPECT_EQ(Orders(columns), (std::vector<int>{0, 3, 2, 1}));

    std::mt19937 random(7);
    std::uniform_int_distribution<int> anyIndex(0, 3);
    std::uniform_int_distribution<int> anyOrder(-2, 6);
    for (int step = 0; step < 500; ++step) {
        columns.Items(anyIndex(random)).SetOrder(anyOrder(random));
        ASSERT_TRUE(IsPermutation(Orders(columns))) << "step " << step;
    }
}

TEST(KvListColumnInfos, FindsByOrderAndByVisiblePosition)
{
    TKvColumnInfos infos;
    MakeColumns(infos, 5);
    TKvListColumnInfos& columns = infos.ColumnInfos();
    // Left to right: C3 C1 C4 C0 C2, with C1 and C0 hidden.
    const int orders[] = {3, 1, 4, 0, 2};
    for (int i = 0; i < 5; ++i)
        columns.Items(i).SetOrder(orders[i]);
    ASSERT_EQ(Orders(columns), (std::vector<int>{3, 1, 4, 0, 2}));
    columns.Items(1).Visible = false;
    columns.Items(0).Visible = false;

    EXPECT_EQ(columns.FindByOrder(4), &columns.Items(2));
    EXPECT_EQ(columns.FindByOrder(5), nullptr);
    EXPECT_EQ(columns.VisibleCount(), 3);
    EXPECT_EQ(columns.VisiblePosition(columns.Items(0)), -1);
    EXPECT_EQ(columns.VisiblePosition(columns.Items(3)), 0);
    EXPECT_EQ(columns.VisiblePosition(columns.Items(4)), 1);
    EXPECT_EQ(columns.VisiblePosition(columns.Items(2)), 2);
    EXPECT_EQ(columns.FindByVisiblePosition(0), &columns.Items(3));
    EXPECT_EQ(columns.FindByVisiblePosition(2), &columns.Items(2));
    EXPECT_EQ(columns.FindByVisiblePosition(3), nullptr);
}

TEST(KvListColumnInfos, LoadingRestoresStoredPermutationsExactly)
{
    std::vector<std::vector<int>> permutations = {
        {0, 1, 2, 3, 4, 5}, {5, 4, 3, 2, 1, 0}, {1, 2, 3, 4, 5, 0}, {2, 0, 1, 5, 3, 4}};
    std::vector<int> shuffled(25);
    std::iota(shuffled.begin(), shuffled.end(), 0);
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(2024));
    permutations.push_back(shuffled);

    for (const std::vector<int>& stored : permutations) {
        TKvMemIniFile ini = EmptyIni();
        for (size_t i = 0; i < stored.size(); ++i)
            ini.WriteInteger("DesignColumn", "C" + std::to_string(i) + "_Order", stored[i]);
        TKvColumnInfos infos;
        MakeColumns(infos, static_cast<int>(stored.size()));
        // Loading over an already configured set gives the same result.
        infos.ColumnInfos().Items(0).SetOrder(static_cast<int>(stored.size()) - 1);
        infos.ColumnInfos().LoadFromIni(ini);
        EXPECT_EQ(Orders(infos.ColumnInfos()), stored);
    }
}

TEST(KvListColumnInfos, LoadingBadValues)
{
    TKvMemIniFile ini = EmptyIni();
    ini.WriteString("DesignColumn", "C0_Order", "2");
    ini.WriteString("DesignColumn", "C1_Order", "99");
    ini.WriteString("DesignColumn", "C2_Order", "-1");
    ini.WriteString("DesignColumn", "C0_Width", "abc");
    ini.WriteString("DesignColumn", "C1_Width", "-30");
    ini.WriteString("DesignColumn", "C2_Width", "100000");
    ini.WriteString("DesignColumn", "C1_Visible", "0");
    ini.WriteString("DesignColumn", "C2_Visible", "yes");
    TKvColumnInfos infos;
    MakeColumns(infos, 4);
    infos.ColumnInfos().Items(0).SetDefaultWidth(120);
    infos.ColumnInfos().Items(3).SetDefaultVisible(false);
    infos.ColumnInfos().LoadFromIni(ini);

    // C0 took order 2 from C2; 99 and -1 leave C1 and C2 where that put them.
    EXPECT_EQ(Orders(infos.ColumnInfos()), (std::vector<int>{2, 1, 0, 3}));
    const TKvListColumnInfos& columns = infos.ColumnInfos();
    EXPECT_EQ(columns.Items(0).Width, 120);
    EXPECT_EQ(columns.Items(1).Width, -30);
    EXPECT_EQ(columns.Items(2).Width, 100000);
    EXPECT_EQ(columns.Items(3).Width, 50);
    EXPECT_FALSE(columns.Items(1).Visible);
    EXPECT_TRUE(columns.Items(2).Visible);
    EXPECT_FALSE(columns.Items(3).Visible);

    // Stored orders that are no permutation still leave one.
    TKvMemIniFile same = EmptyIni();
    for (int i = 0; i < 4; ++i)
        same.WriteInteger("DesignColumn", "C" + std::to_string(i) + "_Order", 1);
    infos.ColumnInfos().LoadFromIni(same);
    EXPECT_TRUE(IsPermutation(Orders(infos.ColumnInfos())));
}

TEST(KvListColumnInfos, SavingWritesThreeKeysPerColumnInIndexOrder)
{
    TKvColumnInfos infos;
    FillScanlarkColumns(infos);
    TKvListColumnInfos& columns = infos.ColumnInfos();
    columns.Items(ScanlarkColumn::Size).SetOrder(0);
    columns.Items(ScanlarkColumn::Path).Visible = false;
    columns.Items(ScanlarkColumn::JPEG_Comment).Width = 333;

    TKvMemIniFile ini = EmptyIni();
    ini.WriteString("Option", "Before", "1");
    columns.SaveToIni(ini);
    const std::vector<std::string> keys = ini.ReadSection("DesignColumn");
    ASSERT_EQ(keys.size(), 3u * ScanlarkColumn::Count);
    const std::vector<std::string> firstKeys(keys.begin(), keys.begin() + 4);
    EXPECT_EQ(firstKeys, (std::vector<std::string>{"Name_Visible", "Name_Order", "Name_Width", "FullFileName_Visible"}));
    EXPECT_EQ(keys.back(), "JPEG_Trailer_Width");
    for (size_t i = 0; i < ScanlarkColumn::Count; ++i) {
        const std::string ident = ScanlarkColumnTable()[i].IdentName;
        EXPECT_EQ(keys[3 * i], ident + "_Visible");
        EXPECT_EQ(keys[3 * i + 1], ident + "_Order");
        EXPECT_EQ(keys[3 * i + 2], ident + "_Width");
    }
    EXPECT_EQ(ini.ReadString("DesignColumn", "Name_Order", ""), "5");
    EXPECT_EQ(ini.ReadString("DesignColumn", "Size_Order", ""), "0");
    EXPECT_EQ(ini.ReadString("DesignColumn", "Path_Visible", ""), "0");
    EXPECT_EQ(ini.ReadString("DesignColumn", "FindIndex_Visible", ""), "0");
    EXPECT_EQ(ini.ReadString("DesignColumn", "Name_Visible", ""), "1");
    EXPECT_EQ(ini.ReadString("DesignColumn", "JPEG_Comment_Width", ""), "333");

    // What was saved loads back into a fresh set.
    TKvColumnInfos loaded;
    FillScanlarkColumns(loaded);
    loaded.ColumnInfos().LoadFromIni(ini);
    EXPECT_EQ(Orders(loaded.ColumnInfos()), Orders(columns));
    EXPECT_FALSE(loaded.ColumnInfos().Items(ScanlarkColumn::Path).Visible);
    EXPECT_EQ(loaded.ColumnInfos().Items(ScanlarkColumn::JPEG_Comment).Width, 333);

    // Another section name; an empty set writes nothing at all.
    TKvColumnInfos other;
    MakeColumns(other, 1);
    other.SetIniSectionName("Other");
    TKvMemIniFile otherIni = EmptyIni();
    other.ColumnInfos().SaveToIni(otherIni);
    EXPECT_EQ(otherIni.ReadSection("Other"), (std::vector<std::string>{"C0_Visible", "C0_Order", "C0_Width"}));
    TKvColumnInfos none;
    TKvMemIniFile noneIni = EmptyIni();
    none.ColumnInfos().SaveToIni(noneIni);
    EXPECT_TRUE(noneIni.ReadSections().empty());
}

TEST(KvListColumnInfos, AssignCopiesEveryFieldOfEveryItem)
{
    TKvColumnInfos source;
    MakeColumns(source, 3);
    TKvListColumnInfo& item = source.ColumnInfos().Items(1);
    item.Alignment = Qt::AlignRight;
    item.AutoSize = true;
    item.MaxWidth = 300;
    item.MinWidth = 20;
    item.ImageIndex = 4;
    item.SetDefaultWidth(90);
    item.Width = 95;
    item.SetDefaultVisible(false);
    item.Visible = true;
    item.SetOrder(0);

    TKvColumnInfos copy;
    MakeColumns(copy, 5);
    copy.SetIniSectionName("Copy");
    copy.SetColumnInfos(source.ColumnInfos());
    const TKvListColumnInfos& columns = copy.ColumnInfos();
    ASSERT_EQ(columns.Count(), 3);
    EXPECT_EQ(copy.IniSectionName(), "Copy");
    EXPECT_EQ(Orders(columns), Orders(source.ColumnInfos()));
    const TKvListColumnInfo& copied = columns.Items(1);
    EXPECT_EQ(&copied.Collection(), &columns);
    EXPECT_EQ(copied.IdentName, "C1");
    EXPECT_EQ(copied.Caption, QStringLiteral("列1"));
    EXPECT_EQ(copied.Alignment, Qt::AlignRight);
    EXPECT_TRUE(copied.AutoSize);
    EXPECT_EQ(copied.MaxWidth, 300);
    EXPECT_EQ(copied.MinWidth, 20);
    EXPECT_EQ(copied.ImageIndex, 4);
    EXPECT_EQ(copied.DefaultWidth(), 90);
    EXPECT_EQ(copied.Width, 95);
    EXPECT_FALSE(copied.DefaultVisible());
    EXPECT_TRUE(copied.Visible);

    // The copies are the copy's own: swapping there leaves the source alone.
    copy.ColumnInfos().Items(2).SetOrder(0);
    EXPECT_EQ(source.ColumnInfos().Items(1).Order(), 0);
    copy.ColumnInfos().Assign(copy.ColumnInfos());
    EXPECT_EQ(copy.ColumnInfos().Count(), 3);
}

TEST(ScanlarkColumns, TheMainListsTwentyFiveColumnsThenTheDeepChecksFourHidden)
{
    TKvColumnInfos infos;
    MakeColumns(infos, 2);
    FillScanlarkColumns(infos);
    const TKvListColumnInfos& columns = infos.ColumnInfos();
    ASSERT_EQ(columns.Count(), 29);
    ASSERT_EQ(ScanlarkColumnTable().size(), 29u);

    const char* idents[] = {"Name", "FullFileName", "Path", "PathOnly", "FindIndex", "Size", "SizeDetail",
                            "TypeName", "LastWriteTime", "Attr", "CreationTime", "LastAccessTime", "JPEG_Error",
                            "JPEG_AddBinary", "JPEG_Format", "JPEG_MacBinary", "JPEG_Grayscale", "JPEG_Width",
                            "JPEG_Height", "JPEG_ThumbWidth", "JPEG_ThumbHeight", "JPEG_Version", "JPEG_Comment",
                            "JPEG_Quality", "JPEG_IJGQuality", "JPEG_DeepVerdict", "JPEG_SoundFraction",
                            "JPEG_FirstBadRow", "JPEG_Trailer"};
    for (int i = 0; i < 29; ++i) {
        EXPECT_EQ(columns.Items(i).IdentName, idents[i]) << i;
        EXPECT_EQ(columns.Items(i).Order(), i);
    }
    for (int i = 25; i < 29; ++i)
        EXPECT_FALSE(columns.Items(i).DefaultVisible()) << i;
    EXPECT_EQ(columns.Items(ScanlarkColumn::JPEG_DeepVerdict).Caption, QStringLiteral("画像データ"));
    EXPECT_EQ(columns.Items(ScanlarkColumn::JPEG_SoundFraction).Caption, QStringLiteral("無傷の割合"));
    EXPECT_EQ(columns.Items(ScanlarkColumn::JPEG_FirstBadRow).Caption, QStringLiteral("破損開始行"));
    EXPECT_EQ(columns.Items(ScanlarkColumn::JPEG_Trailer).Caption, QStringLiteral("付加データ"));
    EXPECT_EQ(columns.Items(ScanlarkColumn::Name).Caption, QStringLiteral("名前"));
    EXPECT_EQ(columns.Items(ScanlarkColumn::JPEG_ThumbWidth).Caption, QStringLiteral("横ピクセル(サムネイル)"));
    EXPECT_EQ(columns.Items(ScanlarkColumn::JPEG_IJGQuality).Caption, QStringLiteral("IJG圧縮品質(1-100)"));
    EXPECT_EQ(columns.Items(ScanlarkColumn::JPEG_MacBinary).Caption, QStringLiteral("Macバイナリ"));

    EXPECT_EQ(columns.Items(ScanlarkColumn::Size).Alignment, Qt::AlignRight);
    EXPECT_EQ(columns.Items(ScanlarkColumn::JPEG_Grayscale).Alignment, Qt::AlignHCenter);
    EXPECT_EQ(columns.Items(ScanlarkColumn::JPEG_Version).Alignment, Qt::AlignLeft);
    EXPECT_EQ(columns.Items(ScanlarkColumn::Attr).DefaultWidth(), 50);
    EXPECT_EQ(columns.Items(ScanlarkColumn::JPEG_Error).Width, 170);
    EXPECT_EQ(columns.Items(ScanlarkColumn::LastWriteTime).DefaultWidth(), 145);

    std::vector<int> hidden;
    for (int i = 0; i < 25; ++i)
        if (!columns.Items(i).DefaultVisible())
            hidden.push_back(i);
    EXPECT_EQ(hidden, (std::vector<int>{ScanlarkColumn::FullFileName, ScanlarkColumn::PathOnly,
                                        ScanlarkColumn::FindIndex, ScanlarkColumn::SizeDetail, ScanlarkColumn::Attr,
                                        ScanlarkColumn::CreationTime, ScanlarkColumn::LastAccessTime}));
}
