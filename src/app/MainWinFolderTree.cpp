// The folder tree, the address box's drop-down list and folders or files
// dropped on the window: each turns a person's choice into OpenFolder. The
// tree's and the box's own state is in their controllers
// (FolderTreeController, AddressBoxController); their keys are in
// MainWinInput.cpp.
#include "app/AddressBoxController.h"
#include "app/FolderTreeController.h"
#include "app/MainWin.h"
#include "app/NavigationController.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QCompleter>
#include <QToolBar>
#include <QTreeView>

void TFormScanlark::SetupFolderTree()
{
    connect(STV->selectionModel(), &QItemSelectionModel::currentChanged, this, &TFormScanlark::STVChange);
    connect(CBRecent, &QComboBox::activated, this, &TFormScanlark::CBRecentSelect);
    // A match clicked in the list under the address box opens at once.
    connect(CBRecent->completer(), qOverload<const QString&>(&QCompleter::activated), this,
            [this] { ExecuteAction(GoAct); });
    // As in file managers: Ctrl+L and Alt+D from anywhere in the window.
    FocusAddressAct->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_L), QKeySequence(Qt::ALT | Qt::Key_D)});
    addAction(FocusAddressAct);
    connect(FocusAddressAct, &QAction::triggered, this, &TFormScanlark::FocusAddressActExecute);
}

void TFormScanlark::FocusAddressActExecute()
{
    TB2->show();  // the keys bring a hidden address bar back
    addressBox_->Focus();
}

void TFormScanlark::FileDropTargetFileDrop(const std::string& path)
{
    navigation_->OpenFolder(path);
}

void TFormScanlark::STVChange(const QModelIndex& current)
{
    if (const std::optional<std::string> folder = folderTree_->FolderToOpen(current))
        navigation_->OpenFolder(*folder);
}

void TFormScanlark::STVDeleteFolder()
{
    folderTree_->DeleteSelectedFolder();
}

void TFormScanlark::CBRecentSelect(int index)
{
    // Choices made while the list is open are left to Enter or Go.
    if (CBRecent->view()->isVisible() || index < 0)
        return;
    navigation_->OpenFolder(addressBox_->ItemPath(index));
}
