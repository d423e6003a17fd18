// The window's dialogs: the options ("オプション(&O)..." and "列の設定(&N)...")
// and the history editor ("履歴の編集(&E)..."), each handed to the dialogs'
// controller (DialogsController).
#include "app/DialogsController.h"
#include "app/MainWin.h"

#include <QAction>

void TFormScanlark::SetupDialogs()
{
    connect(OptionDetailAct, &QAction::triggered, this, [this] { OptionDetailActExecute(OptionDetailAct); });
    connect(ColumnsEditAct, &QAction::triggered, this, &TFormScanlark::ColumnsEditActExecute);
    connect(ActRecentEdit, &QAction::triggered, this, &TFormScanlark::ActRecentEditExecute);
}

void TFormScanlark::ColumnsEditActExecute()
{
    OptionDetailActExecute(ColumnsEditAct);
}

void TFormScanlark::OptionDetailActExecute(QAction* sender)
{
    // ColumnsEditAct carries tag 1.
    dialogs_->EditOptions(sender && sender->data().toInt() == 1);
}

void TFormScanlark::ActRecentEditExecute()
{
    dialogs_->EditHistory();
}
