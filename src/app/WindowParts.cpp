#include "app/WindowParts.h"

#include "app/ConstsSl.h"
#include "components/KvRecentControl.h"
#include "platform/DisplayPath.h"

#include <QLabel>
#include <QMainWindow>

void WindowParts::SetPanelText(int panel, const QString& text) const
{
    if (panel >= 0 && panel < static_cast<int>(SB.size()))
        SB[static_cast<size_t>(panel)]->setText(text);
}

QString WindowParts::PanelText(int panel) const
{
    return panel >= 0 && panel < static_cast<int>(SB.size()) ? SB[static_cast<size_t>(panel)]->text() : QString();
}

void WindowParts::UpdateCaption() const
{
    QString caption;
    if (const TKvRecentItem* now = KvRecentControl1->NowItem())
        caption = QStringLiteral("%1 - %2").arg(DisplayPath(now->Path), ProductTitle);
    if (caption != Window->windowTitle())
        Window->setWindowTitle(caption);
}
