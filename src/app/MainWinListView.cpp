// The file list's handlers: cells, sorting, find and the selection commands
// go to the list's controller (FileListController); the set-up connects the
// list and its actions. Its keys and mouse are in MainWinInput.cpp.
#include "app/FileListController.h"
#include "app/MainWin.h"
#include "components/KvFindDialog.h"
#include "components/KvListView.h"

#include <QAction>
#include <QEvent>

#include <functional>

namespace {

// Hands one type of event of an object to a function (the window's own
// eventFilter belongs to the navigation code).
class TEventHook : public QObject {
public:
    TEventHook(QObject* watched, QEvent::Type type, std::function<void()> handler)
        : QObject(watched), type_(type), handler_(std::move(handler))
    {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() == type_)
            handler_();
        return QObject::eventFilter(watched, e);
    }

private:
    QEvent::Type type_;
    std::function<void()> handler_;
};

}  // namespace

QString TFormScanlark::LVFilesData(int row, int column) const
{
    return fileList_->CellText(row, column);
}

QIcon TFormScanlark::LVFilesIcon(int row, int column) const
{
    return fileList_->CellIcon(row, column);
}

int TFormScanlark::LVFilesDataFind(const QString& text, int startIndex, bool wrap) const
{
    return fileList_->FindName(text, startIndex, wrap);
}

void TFormScanlark::LVFilesColumnClick(int viewColumn)
{
    fileList_->SortByColumn(viewColumn);
}

void TFormScanlark::SaveSelection(TKvRecentItem& item) const
{
    fileList_->SaveSelection(item);
}

void TFormScanlark::RestoreSelection(TKvRecentItem& item)
{
    fileList_->RestoreSelection(item);
}

int TFormScanlark::FindFileIndex(const std::string& fullFileName) const
{
    return fileList_->FindFileIndex(fullFileName);
}

void TFormScanlark::RepaintVisibleRows()
{
    fileList_->RepaintVisibleRows();
}

void TFormScanlark::UpdateStatusBar()
{
    fileList_->UpdateStatusBar();
}

void TFormScanlark::LVFilesChange()
{
    // Children still signal while the window is being torn down, after the
    // actions and buttons the rules touch are gone.
    if (closed_)
        return;
    UpdateStatusBar();
    // The rules follow at once: code that fills the list may run a command
    // right after (the check that starts when a listing ends).
    ActionList1Update();
}

void TFormScanlark::SearchFindActExecute()
{
    if (!FindDialog1) {
        FindDialog1 = new TKvFindDialog(this);
        connect(FindDialog1, &TKvFindDialog::findRequested, this, &TFormScanlark::FindDialog1Find);
    }
    FindDialog1->ShowForInput();
}

void TFormScanlark::SearchFindNextActExecute()
{
    FindDialog1Find();
}

void TFormScanlark::FindDialog1Find()
{
    fileList_->FindNext(FindDialog1 ? FindDialog1->FindText() : QString());
}

void TFormScanlark::SelectAllActExecute()
{
    fileList_->SelectAll();
}

void TFormScanlark::SelectChangeActExecute()
{
    fileList_->InvertSelection();
}

void TFormScanlark::SetupFileListView()
{
    LVFiles->SetCellTextFunction(std::bind_front(&TFormScanlark::LVFilesData, this));
    LVFiles->SetCellIconFunction(std::bind_front(&TFormScanlark::LVFilesIcon, this));
    LVFiles->SetDataFindFunction(std::bind_front(&TFormScanlark::LVFilesDataFind, this));
    connect(LVFiles, &TKvListView::columnClicked, this, &TFormScanlark::LVFilesColumnClick);

    connect(LVFiles->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TFormScanlark::LVFilesChange);
    connect(LVFiles->selectionModel(), &QItemSelectionModel::currentChanged, this, &TFormScanlark::LVFilesChange);
    connect(LVFiles->model(), &QAbstractItemModel::modelReset, this, &TFormScanlark::LVFilesChange);

    connect(LVFiles, &QAbstractItemView::clicked, this, &TFormScanlark::LVFilesClick);
    connect(LVFiles, &QAbstractItemView::doubleClicked, this, &TFormScanlark::LVFilesDblClick);
    // The menu itself is opened by the layout's own connection.
    connect(LVFiles, &QWidget::customContextMenuRequested, this, &TFormScanlark::LVFilesContextPopup);
    LVFiles->viewport()->setMouseTracking(true);
    new TEventHook(LVFiles->viewport(), QEvent::MouseMove, std::bind_front(&TFormScanlark::LVFilesMouseMove, this));

    connect(SearchFindAct, &QAction::triggered, this, &TFormScanlark::SearchFindActExecute);
    connect(SearchFindNextAct, &QAction::triggered, this, &TFormScanlark::SearchFindNextActExecute);
    connect(SelectAllAct, &QAction::triggered, this, &TFormScanlark::SelectAllActExecute);
    connect(SelectChangeAct, &QAction::triggered, this, &TFormScanlark::SelectChangeActExecute);
    UpdateStatusBar();
}
