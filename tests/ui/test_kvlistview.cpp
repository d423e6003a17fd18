// The column-configurable list view: columns built from the set, sort marks,
// the column editor, row selection and the owner-data model.
#include "components/KvListView.h"
#include "components/ScanlarkColumns.h"
#include "KvRTL/EtcLists/KvEtcLists.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

QStringList Captions(const TKvListView& view)
{
    QStringList captions;
    for (int column = 0; column < view.ColumnCount(); ++column)
        captions << view.ColumnCaption(column);
    return captions;
}

std::vector<int> Tags(const TKvListView& view)
{
    std::vector<int> tags;
    for (int column = 0; column < view.ColumnCount(); ++column)
        tags.push_back(view.ColumnTag(column));
    return tags;
}

QIcon RedIcon()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::red);
    return QIcon(pixmap);
}

std::vector<int> Values(const TIntegerList& list)
{
    std::vector<int> values;
    for (int32_t i = 0; i < list.Count(); ++i)
        values.push_back(list.Items(i));
    return values;
}

// Four columns "A" (left), "B" (right), "C" (centre), "D", all shown.
class ListViewTest : public ::testing::Test {
protected:
    ListViewTest()
    {
        const char* captions[] = {"A", "B", "C", "D"};
        const Qt::Alignment alignments[] = {Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter, Qt::AlignLeft};
        for (int i = 0; i < 4; ++i) {
            TKvListColumnInfo& info = infos.ColumnInfos().Add();
            info.Caption = QString::fromLatin1(captions[i]);
            info.Alignment = alignments[i];
            info.SetDefaultWidth(40 + 10 * i);
        }
        view.ColumnInfos = &infos;
    }

    TKvListColumnInfo& Info(int index) { return infos.ColumnInfos().Items(index); }

    TKvColumnInfos infos;
    TKvListView view;
};

} // namespace

TEST_F(ListViewTest, ColumnsFollowTheConfiguredOrderVisibilityAndWidths)
{
    EXPECT_EQ(view.ColumnCount(), 0);  // nothing until UpdateColumns
    Info(3).SetOrder(0);               // D B C A
    Info(1).Visible = false;           // D C A
    Info(2).Width = 77;
    Info(2).ImageIndex = 0;
    Info(0).ImageIndex = 5;
    view.SetHeaderImages({RedIcon()});
    view.UpdateColumns();

    EXPECT_EQ(Tags(view), (std::vector<int>{3, 2, 0}));
    EXPECT_EQ(Captions(view), (QStringList{"D", "C", "▲A"}));
    EXPECT_EQ(view.ColumnWidth(1), 77);
    EXPECT_EQ(view.ColumnWidth(0), 70);
    const QHeaderView* header = view.header();
    EXPECT_TRUE(header->isSectionHidden(1));
    for (int column = 0; column < 3; ++column)
        EXPECT_EQ(header->logicalIndex(column), view.ColumnTag(column));
    EXPECT_EQ(view.listModel()->headerData(2, Qt::Horizontal, Qt::TextAlignmentRole).toInt(),
              int(Qt::AlignHCenter | Qt::AlignVCenter));
    EXPECT_TRUE(view.listModel()->headerData(2, Qt::Horizontal, Qt::DecorationRole).isValid());
    EXPECT_FALSE(view.listModel()->headerData(0, Qt::Horizontal, Qt::DecorationRole).isValid());

    // A new row count keeps the columns.
    view.SetRowCount(10);
    EXPECT_EQ(Tags(view), (std::vector<int>{3, 2, 0}));
    EXPECT_EQ(header->logicalIndex(0), 3);
    EXPECT_EQ(view.ColumnWidth(1), 77);

    // Widths dragged by the user go back to the descriptions.
    view.header()->resizeSection(2, 123);
    view.StoreColumnWidths();
    EXPECT_EQ(Info(2).Width, 123);
    EXPECT_EQ(Info(1).Width, 50);

    // A stored negative width shows as an empty column, not an error.
    Info(0).Width = -5;
    view.UpdateColumns();
    EXPECT_EQ(view.ColumnWidth(2), 0);

    for (int i = 0; i < 4; ++i)
        Info(i).Visible = false;
    view.UpdateColumns();
    EXPECT_EQ(view.ColumnCount(), 0);
    EXPECT_EQ(header->count() - header->hiddenSectionCount(), 0);
}

TEST(KvListViewRedraw, RebuildingLeavesTheCallersSuspensionAsItWas)
{
    TKvColumnInfos infos;
    FillScanlarkColumns(infos);
    QWidget window;
    auto* view = new TKvListView(&window);
    view->ColumnInfos = &infos;
    QTreeWidget* editor = new QTreeWidget(&window);

    // Suspended through the window: both come back with it.
    window.setUpdatesEnabled(false);
    view->UpdateColumns();
    view->ColumnsToEditor(editor);
    window.setUpdatesEnabled(true);
    EXPECT_TRUE(view->updatesEnabled());
    EXPECT_TRUE(editor->updatesEnabled());

    // Suspended by the caller itself: still suspended afterwards.
    view->setUpdatesEnabled(false);
    editor->setUpdatesEnabled(false);
    view->UpdateColumns();
    view->DefaultColumnsToEditor(editor);
    EXPECT_FALSE(view->updatesEnabled());
    EXPECT_FALSE(editor->updatesEnabled());
}

TEST_F(ListViewTest, SortMarkFlipsAndMoves)
{
    view.UpdateColumns();
    EXPECT_EQ(Captions(view), (QStringList{"▲A", "B", "C", "D"}));

    view.SortColumnClick(0);
    EXPECT_TRUE(view.SortDown);
    EXPECT_EQ(Captions(view), (QStringList{"▼A", "B", "C", "D"}));
    view.SortColumnClick(0);
    EXPECT_FALSE(view.SortDown);
    EXPECT_EQ(Captions(view), (QStringList{"▲A", "B", "C", "D"}));
    view.SortColumnClick(0);
    view.SortColumnClick(2);
    EXPECT_EQ(view.SortColumnIndex, 2);
    EXPECT_FALSE(view.SortDown);
    EXPECT_EQ(Captions(view), (QStringList{"A", "B", "▲C", "D"}));

    // Clicks count by real column: with A hidden, real column 0 is B.
    Info(0).Visible = false;
    view.UpdateColumns();
    view.SortColumnClick(0);
    EXPECT_EQ(view.SortColumnIndex, 1);
    EXPECT_EQ(Captions(view), (QStringList{"▲B", "C", "D"}));
    view.SortColumnClick(7);  // no such column
    EXPECT_EQ(view.SortColumnIndex, 1);

    // Other marks; an empty caption shows the mark alone.
    view.SortMarkUp = QStringLiteral("^");
    Info(3).Caption.clear();
    view.SortColumnClick(2);
    EXPECT_EQ(Captions(view), (QStringList{"B", "C", "^"}));
}

TEST_F(ListViewTest, WithoutSortMarksTheSortStateStillChanges)
{
    view.SortMarkUse = false;
    view.UpdateColumns();
    view.SortColumnClick(1);
    view.SortColumnClick(1);
    EXPECT_EQ(view.SortColumnIndex, 1);
    EXPECT_TRUE(view.SortDown);
    EXPECT_EQ(view.SortMarkText(), QString());
    EXPECT_EQ(Captions(view), (QStringList{"A", "B", "C", "D"}));
}

TEST_F(ListViewTest, HiddenSortColumnShowsNoMarkUntilAClick)
{
    view.SortColumnIndex = 1;
    view.SortDown = true;
    Info(1).Visible = false;
    view.UpdateColumns();
    EXPECT_EQ(Captions(view), (QStringList{"A", "C", "D"}));
    view.SortColumnClick(2);
    EXPECT_EQ(Captions(view), (QStringList{"A", "C", "▲D"}));
}

TEST_F(ListViewTest, HeaderClickReportsTheRealColumnAndDoesNotSort)
{
    Info(0).SetOrder(3);  // D B C A
    view.UpdateColumns();
    view.SetRowCount(3);
    view.SetCellTextFunction([](int row, int column) { return QString::number(10 * row + column); });
    view.resize(400, 200);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    QSignalSpy clicks(&view, &TKvListView::columnClicked);
    const QHeaderView* header = view.header();
    const int x = header->sectionViewportPosition(view.ColumnTag(2)) + 5;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks.at(0).at(0).toInt(), 2);
    EXPECT_EQ(view.SortColumnIndex, 0);  // the owner decides
    EXPECT_EQ(view.model()->index(0, 0).data().toString(), QStringLiteral("0"));
}

TEST_F(ListViewTest, ColumnEditorRowsAndBack)
{
    Info(2).SetOrder(0);  // C B A D
    Info(3).Visible = false;
    Info(1).Width = 99;
    QTreeWidget editor;
    view.ColumnsToEditor(&editor);
    ASSERT_EQ(editor.columnCount(), 3);
    ASSERT_EQ(editor.topLevelItemCount(), 4);
    const QString expected[][3] = {{"C", "60", "2"}, {"B", "99", "1"}, {"A", "40", "0"}, {"D", "70", "3"}};
    for (int row = 0; row < 4; ++row) {
        const QTreeWidgetItem* item = editor.topLevelItem(row);
        for (int column = 0; column < 3; ++column)
            EXPECT_EQ(item->text(column), expected[row][column]) << row << "," << column;
        EXPECT_EQ(item->checkState(0), row == 3 ? Qt::Unchecked : Qt::Checked);
        EXPECT_TRUE(item->flags() & Qt::ItemIsUserCheckable);
    }

    view.DefaultColumnsToEditor(&editor);
    ASSERT_EQ(editor.topLevelItemCount(), 4);
    EXPECT_EQ(editor.topLevelItem(0)->text(0), QStringLiteral("A"));
    EXPECT_EQ(editor.topLevelItem(1)->text(1), QStringLiteral("50"));
    EXPECT_EQ(editor.topLevelItem(3)->checkState(0), Qt::Checked);

    // Move D to the top, untick A, change B's width.
    QTreeWidgetItem* d = editor.takeTopLevelItem(3);
    editor.insertTopLevelItem(0, d);
    editor.topLevelItem(1)->setCheckState(0, Qt::Unchecked);
    editor.topLevelItem(2)->setText(1, QStringLiteral("222"));
    view.EditorToColumns(&editor);
    EXPECT_EQ(Info(3).Order(), 0);
    EXPECT_EQ(Info(0).Order(), 1);
    EXPECT_FALSE(Info(0).Visible);
    EXPECT_EQ(Info(1).Width, 222);
    view.UpdateColumns();
    EXPECT_EQ(Tags(view), (std::vector<int>{3, 1, 2}));
}

TEST_F(ListViewTest, EditorUntickingTheSortColumnMovesItLeftmost)
{
    Info(3).SetOrder(0);  // D B C A
    view.SortColumnIndex = 1;
    view.SortDown = true;
    QTreeWidget editor;
    view.ColumnsToEditor(&editor);
    editor.topLevelItem(0)->setCheckState(0, Qt::Unchecked);  // D
    editor.topLevelItem(1)->setCheckState(0, Qt::Unchecked);  // B, the sort column
    view.EditorToColumns(&editor);
    EXPECT_EQ(view.SortColumnIndex, 2);
    EXPECT_FALSE(view.SortDown);
    view.UpdateColumns();
    EXPECT_EQ(Captions(view), (QStringList{"▲C", "A"}));

    // Still shown: the sort state stays; a sort index naming no description
    // is treated as hidden.
    view.SortDown = true;
    view.EditorToColumns(&editor);
    EXPECT_EQ(view.SortColumnIndex, 2);
    EXPECT_TRUE(view.SortDown);
    view.SortColumnIndex = 17;
    view.EditorToColumns(&editor);
    EXPECT_EQ(view.SortColumnIndex, 2);
    EXPECT_FALSE(view.SortDown);

    // Rows that name no description are skipped.
    editor.topLevelItem(0)->setText(2, QStringLiteral("9"));
    editor.topLevelItem(1)->setText(2, QStringLiteral("x"));
    EXPECT_NO_THROW(view.EditorToColumns(&editor));
    EXPECT_EQ(Info(2).Order(), 2);
    EXPECT_EQ(Info(0).Order(), 3);
}

TEST_F(ListViewTest, SelectedRowsComeOutAscending)
{
    view.UpdateColumns();
    view.SetRowCount(10);
    TIntegerList list;
    list.Add(42);
    view.GetSelectedIndexes(list);
    EXPECT_EQ(Values(list), std::vector<int>{});

    for (int row : {7, 2, 5})
        view.selectRow(row, true);
    view.GetSelectedIndexes(list);
    EXPECT_EQ(Values(list), (std::vector<int>{2, 5, 7}));
    EXPECT_EQ(view.selectedRowCount(), 3);
    EXPECT_TRUE(view.isRowSelected(5));
    EXPECT_FALSE(view.isRowSelected(6));

    // Overlapping and adjacent selections count each row once.
    view.selectionModel()->select(QItemSelection(view.model()->index(4, 0), view.model()->index(8, 3)),
                                  QItemSelectionModel::Select);
    view.selectRow(5, false);
    view.GetSelectedIndexes(list);
    EXPECT_EQ(Values(list), (std::vector<int>{2, 4, 6, 7, 8}));

    view.invertSelection();
    view.GetSelectedIndexes(list);
    EXPECT_EQ(Values(list), (std::vector<int>{0, 1, 3, 5, 9}));

    // Rebuilding the columns keeps the selection; clearing keeps the focus.
    view.setCurrentRow(3);
    Info(0).Visible = false;
    view.UpdateColumns();
    Info(0).Visible = true;
    view.UpdateColumns();
    EXPECT_EQ(view.selectedRowCount(), 5);
    EXPECT_TRUE(view.isRowSelected(9));
    view.ClearSelection();
    EXPECT_EQ(view.selectedRowCount(), 0);
    EXPECT_EQ(view.currentRow(), 3);
    view.setCurrentRow(-1);
    EXPECT_EQ(view.currentRow(), -1);
    view.setCurrentRow(10);
    EXPECT_EQ(view.currentRow(), -1);
}

TEST_F(ListViewTest, TypeToFindAsksTheOwnerFromBelowTheFocusedRow)
{
    const QStringList names = {"alpha", "beta", "bravo", "charlie", "bob"};
    std::vector<std::pair<QString, int>> asked;
    view.UpdateColumns();
    view.SetRowCount(static_cast<int>(names.size()));
    view.SetDataFindFunction([&](const QString& text, int start, bool wrap) {
        asked.emplace_back(text, start);
        const int count = static_cast<int>(names.size());
        for (int step = 0; step < count; ++step) {
            const int row = (start + step) % count;
            if (!wrap && row < start)
                break;
            if (names[row].startsWith(text, Qt::CaseInsensitive))
                return row;
        }
        return -1;
    });
    // Both letters below count as typed together however slow the machine.
    const int interval = QApplication::keyboardInputInterval();
    QApplication::setKeyboardInputInterval(60 * 60 * 1000);
    const auto restore = qScopeGuard([interval] { QApplication::setKeyboardInputInterval(interval); });
    view.setCurrentRow(1);
    view.keyboardSearch(QStringLiteral("b"));
    EXPECT_EQ(view.currentRow(), 2);
    view.keyboardSearch(QStringLiteral("o"));  // "bo", from the focused row on
    EXPECT_EQ(view.currentRow(), 4);
    EXPECT_EQ(view.selectedRowCount(), 1);
    EXPECT_TRUE(view.isRowSelected(4));
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0], std::make_pair(QStringLiteral("b"), 2));
    EXPECT_EQ(asked[1], std::make_pair(QStringLiteral("bo"), 2));

    view.keyboardSearch(QStringLiteral("z"));  // not found: nothing moves
    EXPECT_EQ(view.currentRow(), 4);
}

TEST_F(ListViewTest, DraggingRespectsTheLimitsAndAutoSizeStretches)
{
    Info(1).MinWidth = 30;
    Info(1).MaxWidth = 80;
    Info(1).Width = 10;  // loaded widths are not limited
    Info(3).AutoSize = true;
    view.UpdateColumns();
    EXPECT_EQ(view.ColumnWidth(1), 10);
    EXPECT_EQ(view.header()->sectionResizeMode(3), QHeaderView::Stretch);
    EXPECT_EQ(view.header()->sectionResizeMode(1), QHeaderView::Interactive);
    view.header()->resizeSection(1, 200);
    EXPECT_EQ(view.ColumnWidth(1), 80);
    view.header()->resizeSection(1, 5);
    EXPECT_EQ(view.ColumnWidth(1), 30);
}

TEST_F(ListViewTest, ModelPassesTheItemModelTester)
{
    QStringList warnings;
    static QStringList* sink = nullptr;
    sink = &warnings;
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (type != QtDebugMsg && type != QtInfoMsg)
                sink->append(text);
        });

    view.SetCellTextFunction([](int row, int column) { return QStringLiteral("%1:%2").arg(row).arg(column); });
    view.SetCellIconFunction([](int row, int column) {
        return row == 0 && column == 0 ? RedIcon() : QIcon();
    });
    {
        QAbstractItemModelTester tester(view.model(), QAbstractItemModelTester::FailureReportingMode::Warning);
        view.UpdateColumns();
        view.SetRowCount(30);
        view.RepaintRow(3);
        view.listModel()->RowsChanged(-5, 100);
        view.SortColumnClick(1);
        infos.ColumnInfos().Add();
        view.UpdateColumns();  // a column more
        TKvColumnInfos fewer;
        fewer.ColumnInfos().Add();
        view.ColumnInfos = &fewer;
        view.UpdateColumns();  // four fewer
        view.ColumnInfos = nullptr;
        view.UpdateColumns();  // none
        view.SetRowCount(0);
        view.SetRowCount(-3);
    }
    qInstallMessageHandler(previous);
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(view.RowCount(), 0);
}

TEST_F(ListViewTest, CellsComeFromTheCallbacksByTag)
{
    Info(0).SetOrder(3);
    view.UpdateColumns();
    view.SetRowCount(5);
    view.SetCellTextFunction([](int row, int column) { return QStringLiteral("%1:%2").arg(row).arg(column); });
    view.SetCellIconFunction([](int row, int column) {
        return row == 1 && column == 0 ? RedIcon() : QIcon();
    });
    const QAbstractItemModel* model = view.model();
    const QModelIndex firstShown = model->index(4, view.ColumnTag(0));
    EXPECT_EQ(firstShown.data().toString(), QStringLiteral("4:3"));
    EXPECT_EQ(model->index(2, 1).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignRight | Qt::AlignVCenter));
    EXPECT_FALSE(model->index(2, 0).data(Qt::DecorationRole).isValid());
    EXPECT_FALSE(model->index(1, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
    EXPECT_FALSE(model->index(5, 0).isValid());
    EXPECT_FALSE(model->flags(model->index(1, 1)) & Qt::ItemIsEditable);
}

TEST(KvListViewOwnerData, HundredThousandRowsAskOnlyForRowsInView)
{
    TKvColumnInfos infos;
    FillScanlarkColumns(infos);
    TKvListView view;
    view.ColumnInfos = &infos;
    view.UpdateColumns();
    std::set<int> rowsAsked;
    int calls = 0;
    view.SetCellTextFunction([&](int row, int column) {
        ++calls;
        rowsAsked.insert(row);
        return column == ScanlarkColumn::Name ? QStringLiteral("file%1.jpg").arg(row) : QString();
    });
    view.SetRowCount(100000);
    EXPECT_EQ(view.RowCount(), 100000);
    EXPECT_EQ(view.model()->rowCount(), 100000);
    EXPECT_EQ(calls, 0);

    view.resize(600, 300);
    view.show();
    (void)view.grab();
    ASSERT_FALSE(rowsAsked.empty());
    EXPECT_LT(*rowsAsked.rbegin(), 100);
    EXPECT_LT(rowsAsked.size(), 100u);

    // Far down only the rows around the target are asked for.
    rowsAsked.clear();
    view.scrollToRow(99999);
    (void)view.grab();
    ASSERT_FALSE(rowsAsked.empty());
    EXPECT_GT(*rowsAsked.begin(), 99800);
    const auto [first, last] = view.visibleRows();
    EXPECT_GT(first, 99900);
    EXPECT_EQ(last, 99999);

    // Repainting announces just the rows in view.
    QSignalSpy changes(view.model(), &QAbstractItemModel::dataChanged);
    view.RepaintRows();
    ASSERT_EQ(changes.count(), 1);
    EXPECT_EQ(changes.at(0).at(0).value<QModelIndex>().row(), first);
    EXPECT_EQ(changes.at(0).at(1).value<QModelIndex>().row(), last);

    view.selectAll();
    EXPECT_EQ(view.selectedRowCount(), 100000);
    view.invertSelection();
    EXPECT_EQ(view.selectedRowCount(), 0);
}
