// The image preview's handlers: its view modes, loading the focused file,
// closing, copying and fitting the pane go to the preview's controller
// (PreviewController); the set-up connects the pane, its menu and actions.
#include "app/MainWin.h"
#include "app/PreviewController.h"
#include "components/KvImageView.h"

#include <QAction>
#include <QMenu>

void TFormScanlark::SetupPreview()
{
    ImgView32->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ImgView32, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        ActionList1Update();
        PMImgView->popup(ImgView32->mapToGlobal(at));
    });

    connect(IVNoneAct, &QAction::triggered, this, &TFormScanlark::IVNoneActExecute);
    connect(IVScaleNormalAct, &QAction::triggered, this, &TFormScanlark::IVScaleNormalActExecute);
    connect(IVAutoScaleLongAct, &QAction::triggered, this, &TFormScanlark::IVAutoScaleLongActExecute);
    connect(ImgLoadAct, &QAction::triggered, this, &TFormScanlark::ImgLoadActExecute);
    connect(ImgCloseAct, &QAction::triggered, this, &TFormScanlark::ImgCloseActExecute);
    connect(ImgCopyAct, &QAction::triggered, this, &TFormScanlark::ImgCopyActExecute);
    connect(ImgNameCopyAct, &QAction::triggered, this, &TFormScanlark::ImgNameCopyActExecute);
    connect(ImgView32, &TKvImageView::DblClick, this, &TFormScanlark::ImgView32DblClick);
    preview_->WatchListFocus();
    preview_->UpdateActions();
}

void TFormScanlark::IVNoneActExecute()
{
    preview_->HidePane();
}

void TFormScanlark::IVScaleNormalActExecute()
{
    preview_->ShowActualSize();
}

void TFormScanlark::IVAutoScaleLongActExecute()
{
    preview_->ShowAutoScaled();
}

void TFormScanlark::ImgLoadActExecute()
{
    preview_->Load();
}

void TFormScanlark::ImgCloseActExecute()
{
    preview_->Close();
}

void TFormScanlark::ImgCopyActExecute()
{
    preview_->CopyImage();
}

void TFormScanlark::ImgNameCopyActExecute()
{
    preview_->CopyFileName();
}

void TFormScanlark::ImgView32DblClick()
{
    preview_->FitPaneToImage();
}
