#include "KvRTL/EtcLists/IntegerList.h"
#include "KvRTL/EtcLists/KvEtcLists.h"
#include "KvRTL/EtcLists/MyList.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace {

// Distinct non-null references to store in a list.
int gSlots[64];
void* slot(int i) { return &gSlots[i]; }

// Records every Notify call, in order.
class RecordingList : public TMyList {
public:
    std::vector<std::pair<void*, TListNotification>> calls;

protected:
    void Notify(void* item, TListNotification action) override { calls.emplace_back(item, action); }
};

void expectListError(const std::function<void()>& operation, intptr_t data)
{
    try {
        operation();
        ADD_FAILURE() << "no EListError";
    } catch (const EListError& error) {
        EXPECT_STREQ(error.what(), "Listエラー");
        EXPECT_STREQ(error.SourceFile(), "EtcLists\\MyList");
        EXPECT_EQ(error.SourceLine(), 117);
        EXPECT_EQ(error.Data(), data);
    }
}

std::vector<void*> contents(const TMyList& list)
{
    std::vector<void*> items;
    for (int32_t i = 0; i < list.Count(); ++i)
        items.push_back(list.Items(i));
    return items;
}

std::vector<int32_t> values(const TMyRecordList<int32_t>& list)
{
    std::vector<int32_t> items;
    for (int32_t i = 0; i < list.Count(); ++i)
        items.push_back(list.Items(i));
    return items;
}

// ---- TMyList: growth ----

TEST(MyListGrowth, CapacityAfterEachAdd)
{
    // Adds so far -> capacity: +4 up to 8, +16 up to 64, then +capacity/4.
    const std::vector<std::pair<int, int32_t>> rows = {
        {1, 4}, {4, 4}, {5, 8}, {8, 8}, {9, 12}, {12, 12}, {13, 28}, {29, 44},
        {45, 60}, {61, 76}, {77, 95}, {96, 118}, {119, 147},
    };
    TMyList list;
    EXPECT_EQ(list.Capacity(), 0);
    int added = 0;
    for (const auto& [adds, capacity] : rows) {
        while (added < adds) {
            list.Add(nullptr);
            ++added;
        }
        EXPECT_EQ(list.Capacity(), capacity) << "after " << adds << " adds";
    }
}

TEST(MyListGrowth, GrowthStepAtGivenCapacity)
{
    // Capacity set directly, then filled; the next Add grows by the step.
    const std::vector<std::pair<int32_t, int32_t>> rows = {
        {8, 12}, {9, 25}, {64, 80}, {65, 81}, {68, 85}, {100, 125}, {1000, 1250},
    };
    for (const auto& [from, to] : rows) {
        TMyList list;
        list.SetCapacity(from);
        list.SetCount(from);
        list.Add(nullptr);
        EXPECT_EQ(list.Capacity(), to) << "from " << from;
        EXPECT_EQ(list.Count(), from + 1);
    }
}

TEST(MyListGrowth, GrowingKeepsItems)
{
    TMyList list;
    std::vector<void*> expected;
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(list.Add(slot(i)), i);
        expected.push_back(slot(i));
    }
    EXPECT_EQ(contents(list), expected);
}

// ---- TMyList: Notify ----

TEST(MyListNotify, AddAndDeleteNotifyNonNullItemsOnly)
{
    RecordingList list;
    list.Add(slot(0));
    list.Add(nullptr);
    list.Add(slot(1));
    list.Delete(1);  // the null item: no call
    list.Delete(0);
    const std::vector<std::pair<void*, TListNotification>> expected = {
        {slot(0), lnAdded}, {slot(1), lnAdded}, {slot(0), lnDeleted}};
    EXPECT_EQ(list.calls, expected);
    EXPECT_EQ(contents(list), std::vector<void*>{slot(1)});
}

TEST(MyListNotify, DeleteClosesTheGapBeforeNotifying)
{
    class CheckingList : public TMyList {
    public:
        std::vector<std::vector<void*>> seen;

    protected:
        void Notify(void*, TListNotification action) override
        {
            if (action == lnDeleted)
                seen.push_back(contents(*this));
        }
    };
    CheckingList list;
    for (int i = 0; i < 4; ++i)
        list.Add(slot(i));
    list.Delete(1);
    ASSERT_EQ(list.seen.size(), 1u);
    EXPECT_EQ(list.seen[0], (std::vector<void*>{slot(0), slot(2), slot(3)}));
}

TEST(MyListNotify, ShrinkingCountDeletesFromTheEnd)
{
    RecordingList list;
    for (int i = 0; i < 5; ++i)
        list.Add(slot(i));
    list.Add(nullptr);
    list.calls.clear();

    list.SetCount(2);
    const std::vector<std::pair<void*, TListNotification>> expected = {
        {slot(4), lnDeleted}, {slot(3), lnDeleted}, {slot(2), lnDeleted}};
    EXPECT_EQ(list.calls, expected);
    EXPECT_EQ(contents(list), (std::vector<void*>{slot(0), slot(1)}));
    EXPECT_EQ(list.Capacity(), 8);  // shrinking the count keeps the capacity
}

TEST(MyListNotify, GrowingCountFillsWithNullSilently)
{
    RecordingList list;
    list.Add(slot(0));
    list.calls.clear();
    list.SetCount(30);
    EXPECT_TRUE(list.calls.empty());
    EXPECT_EQ(list.Count(), 30);
    EXPECT_EQ(list.Capacity(), 30);
    EXPECT_EQ(list.Items(0), slot(0));
    for (int32_t i = 1; i < 30; ++i)
        EXPECT_EQ(list.Items(i), nullptr) << i;
}

TEST(MyListNotify, SlotsReusedAfterShrinkAreNull)
{
    TMyList list;
    for (int i = 0; i < 4; ++i)
        list.Add(slot(i));
    list.SetCount(1);
    list.SetCount(4);
    EXPECT_EQ(contents(list), (std::vector<void*>{slot(0), nullptr, nullptr, nullptr}));
}

TEST(MyListNotify, ClearDeletesEveryItemAndFreesCapacity)
{
    RecordingList list;
    for (int i = 0; i < 3; ++i)
        list.Add(slot(i));
    list.calls.clear();
    list.Clear();
    EXPECT_EQ(list.calls.size(), 3u);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Capacity(), 0);
    list.Add(slot(5));  // usable again, growing from 0
    EXPECT_EQ(list.Capacity(), 4);
}

// ---- TMyList: bounds ----

TEST(MyListBounds, MisuseRaisesListError)
{
    constexpr int32_t limit = TMyList::MaxListSize;
    static_assert(limit == 134'217'727);
    struct Row {
        const char* what;
        std::function<void(TMyList&)> operation;
        intptr_t data;
    };
    // The list holds 3 items when each row runs.
    const std::vector<Row> rows = {
        {"Items(-1)", [](TMyList& l) { l.Items(-1); }, -1},
        {"Items(Count)", [](TMyList& l) { l.Items(3); }, 3},
        {"Items(min)", [](TMyList& l) { l.Items(std::numeric_limits<int32_t>::min()); },
         std::numeric_limits<int32_t>::min()},
        {"Delete(-1)", [](TMyList& l) { l.Delete(-1); }, -1},
        {"Delete(Count)", [](TMyList& l) { l.Delete(3); }, 3},
        {"SetCapacity below Count", [](TMyList& l) { l.SetCapacity(2); }, 2},
        {"SetCapacity(-1)", [](TMyList& l) { l.SetCapacity(-1); }, -1},
        {"SetCapacity above limit", [](TMyList& l) { l.SetCapacity(limit + 1); }, limit + 1},
        {"SetCount(-1)", [](TMyList& l) { l.SetCount(-1); }, -1},
        {"SetCount above limit", [](TMyList& l) { l.SetCount(limit + 1); }, limit + 1},
        {"SetCount(max int)", [](TMyList& l) { l.SetCount(std::numeric_limits<int32_t>::max()); },
         std::numeric_limits<int32_t>::max()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        RecordingList list;
        for (int i = 0; i < 3; ++i)
            list.Add(slot(i));
        list.calls.clear();
        expectListError([&] { row.operation(list); }, row.data);
        // A refused operation changes nothing.
        EXPECT_EQ(contents(list), (std::vector<void*>{slot(0), slot(1), slot(2)}));
        EXPECT_EQ(list.Capacity(), 4);
        EXPECT_TRUE(list.calls.empty());
    }
}

TEST(MyListBounds, EmptyListHasNoItemZero)
{
    TMyList list;
    expectListError([&] { list.Items(0); }, 0);
    expectListError([&] { list.Delete(0); }, 0);
}

TEST(MyListBounds, ListErrorIsCatchableAsStdException)
{
    TMyList list;
    try {
        list.Items(0);
        FAIL() << "no exception";
    } catch (const std::exception& error) {
        EXPECT_EQ(std::string(error.what()), "Listエラー");
    }
}

TEST(MyListBounds, CapacityMayShrinkToCount)
{
    TMyList list;
    for (int i = 0; i < 5; ++i)
        list.Add(slot(i));
    list.SetCapacity(5);
    EXPECT_EQ(list.Capacity(), 5);
    EXPECT_EQ(contents(list), (std::vector<void*>{slot(0), slot(1), slot(2), slot(3), slot(4)}));
}

TEST(MyListBounds, GrowThatMakesNoRoomIsRefused)
{
    class StuckList : public TMyList {
    protected:
        void Grow() override {}
    };
    StuckList list;
    expectListError([&] { list.Add(slot(0)); }, 0);
    EXPECT_EQ(list.Count(), 0);
}

// ---- Record lists ----

// Counts live records, to see that a record list frees what it allocated.
struct Tracked {
    static inline int live = 0;
    int value;
    Tracked(int v) : value(v) { ++live; }
    Tracked(const Tracked& other) : value(other.value) { ++live; }
    ~Tracked() { --live; }
};

class UnrelatedObject : public TPersistent {};

TEST(IntegerList, AddAndItemsRoundTrip)
{
    const std::vector<int32_t> input = {0, -1, 1, std::numeric_limits<int32_t>::min(),
                                        std::numeric_limits<int32_t>::max(), 42, 42};
    TIntegerList list;
    for (size_t i = 0; i < input.size(); ++i)
        EXPECT_EQ(list.Add(input[i]), static_cast<int32_t>(i));
    EXPECT_EQ(list.Count(), static_cast<int32_t>(input.size()));
    EXPECT_EQ(values(list), input);
}

TEST(IntegerList, IndexOutOfRangeRaisesListError)
{
    TIntegerList list;
    list.Add(7);
    expectListError([&] { list.Items(1); }, 1);
    expectListError([&] { list.Items(-1); }, -1);
}

TEST(IntegerList, ClearEmptiesAndStaysUsable)
{
    TIntegerList list;
    for (int32_t i = 0; i < 20; ++i)
        list.Add(i);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    list.Add(5);
    EXPECT_EQ(values(list), std::vector<int32_t>{5});
}

TEST(IntegerList, AssignCopiesValuesInOrder)
{
    struct Row {
        std::vector<int32_t> target;
        std::vector<int32_t> source;
    };
    const std::vector<Row> rows = {
        {{}, {3, 1, 2}},
        {{9, 9, 9, 9, 9}, {3, 1, 2}},
        {{1, 2, 3}, {}},  // an empty source empties the target
        {{}, {}},
    };
    for (const Row& row : rows) {
        TIntegerList target;
        TIntegerList source;
        for (int32_t v : row.target)
            target.Add(v);
        for (int32_t v : row.source)
            source.Add(v);
        target.Assign(source);
        EXPECT_EQ(values(target), row.source);
        EXPECT_EQ(values(source), row.source);
    }
}

TEST(IntegerList, AssignedListIsIndependentOfItsSource)
{
    TIntegerList source;
    source.Add(1);
    TIntegerList target;
    target.Assign(source);
    source.Clear();
    source.Add(2);
    target.Add(3);
    EXPECT_EQ(values(target), (std::vector<int32_t>{1, 3}));
    EXPECT_EQ(values(source), std::vector<int32_t>{2});
}

TEST(IntegerList, AssignFromAnyInt32RecordList)
{
    TNumericList<int32_t> source;
    source.Add(-4);
    source.Add(8);
    TIntegerList target;
    target.Assign(source);
    EXPECT_EQ(values(target), (std::vector<int32_t>{-4, 8}));
}

TEST(IntegerList, AssignToItselfKeepsValues)
{
    TIntegerList list;
    list.Add(1);
    list.Add(2);
    TPersistent& same = list;
    list.Assign(same);
    EXPECT_EQ(values(list), (std::vector<int32_t>{1, 2}));
}

TEST(IntegerList, AssignFromUnrelatedClassFailsAndKeepsValues)
{
    TIntegerList list;
    list.Add(1);
    UnrelatedObject unrelated;
    EXPECT_THROW(list.Assign(unrelated), EAssignError);
    TNumericList<double> doubles;  // a record list, but of another record type
    doubles.Add(2.5);
    EXPECT_THROW(list.Assign(doubles), EAssignError);
    EXPECT_EQ(values(list), std::vector<int32_t>{1});
    // Nor does an unrelated object take a list's values.
    EXPECT_THROW(unrelated.Assign(list), EAssignError);
}

TEST(RecordList, RecordsAreFreedByClearAssignAndDestruction)
{
    ASSERT_EQ(Tracked::live, 0);
    {
        TMyRecordList<Tracked> list;
        for (int i = 0; i < 10; ++i)
            list.Add(Tracked(i));
        EXPECT_EQ(Tracked::live, 10);
        EXPECT_EQ(list.Items(9).value, 9);
        EXPECT_EQ(Tracked::live, 10);

        list.Clear();
        EXPECT_EQ(Tracked::live, 0);

        for (int i = 0; i < 5; ++i)
            list.Add(Tracked(i));
        TMyRecordList<Tracked> empty;
        list.Assign(empty);
        EXPECT_EQ(list.Count(), 0);
        EXPECT_EQ(Tracked::live, 0);

        TMyRecordList<Tracked> source;
        for (int i = 0; i < 3; ++i)
            source.Add(Tracked(i * 10));
        for (int i = 0; i < 7; ++i)
            list.Add(Tracked(i));
        list.Assign(source);
        EXPECT_EQ(Tracked::live, 6);  // 3 in source, 3 copies; the old 7 freed
        EXPECT_EQ(list.Items(2).value, 20);
    }
    EXPECT_EQ(Tracked::live, 0);
}

}  // namespace
