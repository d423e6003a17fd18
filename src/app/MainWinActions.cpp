// The window's side of the action table (ActionTable.h): the concerns'
// controllers report their facts, the rules of kActions enable the actions,
// and a short poll keeps them current whatever changed them.
#include "app/ActionTable.h"
#include "app/FileListController.h"
#include "app/FileOperationsController.h"
#include "app/MainWin.h"
#include "app/NavigationController.h"
#include "app/PreviewController.h"

#include <QTimer>

void TFormScanlark::SetupActionRules()
{
    // The rules are cheap (no walk over the rows), so a short poll keeps the
    // actions current whatever changed them; commands run them first anyway.
    ActionUpdateTimer = new QTimer(this);
    ActionUpdateTimer->setObjectName(QStringLiteral("ActionUpdateTimer"));
    ActionUpdateTimer->setInterval(100);
    connect(ActionUpdateTimer, &QTimer::timeout, this, &TFormScanlark::ActionUpdateTimerTimer);
    ActionUpdateTimer->start();
    ActionList1Update();
}

void TFormScanlark::ActionList1Update()
{
    ActionFacts facts;
    fileList_->ReportFacts(facts);
    navigation_->ReportFacts(facts);
    preview_->ReportFacts(facts);
    fileOps_->ReportFacts(facts);
    ApplyActionRules(*this, facts);
    BindRefreshButton(*this);
    CheckImageViewMode(*this);
}

void TFormScanlark::ActionUpdateTimerTimer()
{
    if (isVisible() && !closed_)
        ActionList1Update();
}
