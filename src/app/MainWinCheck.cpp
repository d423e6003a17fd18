// Checking from the window: check all, stop, the end of a check, progress
// in the status bar while it runs, and selecting the damaged files, each
// handed to the check's controller (CheckController).
#include "app/CheckController.h"
#include "app/MainWin.h"
#include "inspection/KvJpegChecker.h"

#include <QAction>
#include <QTimer>

namespace {

// The status bar and the rows follow a running check this often (a timer
// on the main thread, not a hand-off per file).
constexpr int kProgressRefreshMs = 200;

}  // namespace

void TFormScanlark::SetupCheck()
{
    KvThreadJpegChecker1->OnTerminate = [this](QObject* sender) { KvThreadJpegChecker1Terminate(sender); };
    connect(JpegErrorCheckAllAct, &QAction::triggered, this, &TFormScanlark::JpegErrorCheckAllActExecute);
    connect(StopAct, &QAction::triggered, this, &TFormScanlark::StopActExecute);
    connect(SelectErrorsActSl, &QAction::triggered, this, &TFormScanlark::SelectErrorsActSlExecute);
    CheckProgressTimer = new QTimer(this);
    CheckProgressTimer->setInterval(kProgressRefreshMs);
    connect(CheckProgressTimer, &QTimer::timeout, this, &TFormScanlark::CheckProgressTimerTimer);
}

void TFormScanlark::CheckProgressTimerTimer()
{
    check_->FollowProgress();
}

void TFormScanlark::JpegErrorCheckAllActExecute()
{
    check_->CheckAll();
}

void TFormScanlark::StopActExecute()
{
    check_->Stop();
}

void TFormScanlark::KvThreadJpegChecker1Terminate(QObject*)
{
    check_->CheckEnded();
}

void TFormScanlark::SelectErrorsActSlExecute()
{
    check_->SelectDamaged();
}
