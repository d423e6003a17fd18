// Acting on the chosen files: copy or move them to a folder (keeping their
// folders, and undoing such a move), delete them,
// open them or their folder, copy the focused file's name, each handed to
// the controller of file operations (FileOperationsController).
#include "app/FileOperationsController.h"
#include "app/MainWin.h"

#include <QAction>

void TFormScanlark::SetupFileOperations()
{
    connect(CopyFileAct, &QAction::triggered, this, &TFormScanlark::CopyFileActExecute);
    connect(MoveFileAct, &QAction::triggered, this, &TFormScanlark::MoveFileActExecute);
    connect(UndoSetAsideAct, &QAction::triggered, this, &TFormScanlark::UndoSetAsideActExecute);
    connect(DeleteFileAct, &QAction::triggered, this, &TFormScanlark::DeleteFileActExecute);
    connect(OpenShellAct, &QAction::triggered, this, &TFormScanlark::OpenShellActExecute);
    connect(OpenExplorerAct, &QAction::triggered, this, &TFormScanlark::OpenExplorerActExecute);
    connect(OpenFolderAct, &QAction::triggered, this, &TFormScanlark::OpenFolderActExecute);
    connect(NameCopyAct, &QAction::triggered, this, &TFormScanlark::NameCopyActExecute);
}

void TFormScanlark::CopyFileActExecute()
{
    fileOps_->SendSelectedFiles(false);
}

void TFormScanlark::MoveFileActExecute()
{
    fileOps_->SendSelectedFiles(true);
}

void TFormScanlark::UndoSetAsideActExecute()
{
    fileOps_->UndoSetAside();
}

void TFormScanlark::DeleteFileActExecute()
{
    fileOps_->DeleteSelectedFiles(listKeyModifiers_);
}

void TFormScanlark::OpenShellActExecute()
{
    fileOps_->OpenSelectedFiles();
}

void TFormScanlark::OpenExplorerActExecute()
{
    fileOps_->ShowSelectedFiles();
}

void TFormScanlark::OpenFolderActExecute()
{
    fileOps_->OpenSelectedFolders();
}

void TFormScanlark::NameCopyActExecute()
{
    fileOps_->CopyFocusedFileName();
}
