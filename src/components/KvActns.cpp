#include "components/KvActns.h"

#include "components/KvAbout.h"
#include "platform/DisplayPath.h"
#include "platform/InstallLayout.h"

#include <QApplication>
#include <QByteArray>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QKeySequence>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QVariant>

#include <vector>

const char* const KorvelCopyright = "Copyright (C) 2024 Korvel";

namespace {

// Dynamic property holding the hint as given: the tooltip and status tip
// alone cannot tell whether the hint had a bar.
const char* const HintProperty = "kvHint";

}  // namespace

QString GetShortHint(const QString& hint, qsizetype splitFrom)
{
    const qsizetype bar = hint.indexOf(u'|', splitFrom);
    return bar < 0 ? hint : hint.left(bar);
}

QString GetLongHint(const QString& hint, qsizetype splitFrom)
{
    const qsizetype bar = hint.indexOf(u'|', splitFrom);
    return bar < 0 ? hint : hint.mid(bar + 1);
}

void SetHint(QAction* action, const QString& hint, qsizetype splitFrom)
{
    action->setToolTip(GetShortHint(hint, splitFrom));
    action->setStatusTip(GetLongHint(hint, splitFrom));
    action->setProperty(HintProperty, hint);
}

QString Hint(const QAction* action)
{
    const QVariant stored = action->property(HintProperty);
    if (stored.isValid())
        return stored.toString();
    if (action->statusTip().isEmpty())
        return action->toolTip();
    return action->toolTip() + u'|' + action->statusTip();
}

QString ExecutableFolder()
{
    return QCoreApplication::applicationDirPath();
}

TKvBaseAction::TKvBaseAction(QObject* parent)
    : QAction(parent), window_(qobject_cast<QWidget*>(parent)), urlOpener_(&QDesktopServices::openUrl)
{
    setEnabled(true);
    connect(this, &QAction::triggered, this, [this] { Execute(); });
}

QWidget* TKvBaseAction::Window() const
{
    return window_ ? window_->window() : nullptr;
}

namespace {

struct DisplaySettingsProgram {
    const char* desktop;  // as named in XDG_CURRENT_DESKTOP
    const char* program;
    QStringList arguments;
};

const std::vector<DisplaySettingsProgram>& DisplaySettingsPrograms()
{
    static const std::vector<DisplaySettingsProgram> programs = {
        {"GNOME", "gnome-control-center", {QStringLiteral("display")}},
        {"KDE", "systemsettings", {QStringLiteral("kcm_kscreen")}},
        {"XFCE", "xfce4-display-settings", {}},
        {"X-Cinnamon", "cinnamon-settings", {QStringLiteral("display")}},
        {"MATE", "mate-display-properties", {}},
        {"LXQt", "lxqt-config-monitor", {}},
        {"", "arandr", {}},
    };
    return programs;
}

}  // namespace

TKvOpenDeskAction::TKvOpenDeskAction(QObject* parent)
    : TKvBaseAction(parent),
      programStarter_([](const QString& program, const QStringList& arguments) {
          return QProcess::startDetached(program, arguments);
      })
{
}

void TKvOpenDeskAction::Execute()
{
    const QStringList desktops = qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts);
    // The running desktop's own program first: a machine may carry several.
    for (const bool ownDesktopOnly : {true, false}) {
        for (const DisplaySettingsProgram& candidate : DisplaySettingsPrograms()) {
            if (ownDesktopOnly && !desktops.contains(QLatin1String(candidate.desktop), Qt::CaseInsensitive))
                continue;
            const QString found = QStandardPaths::findExecutable(QLatin1String(candidate.program));
            if (!found.isEmpty()) {
                programStarter_(found, candidate.arguments);
                return;
            }
        }
    }
}

TKvViewHelpHtmlAction::TKvViewHelpHtmlAction(QObject* parent) : TKvBaseAction(parent) {}

namespace {

QStringList searchedFolders(const QStringList& searchFolders)
{
    return searchFolders.isEmpty() ? QStringList{ExecutableFolder()} : searchFolders;
}

}  // namespace

QString TKvViewHelpHtmlAction::TargetPath() const
{
    for (const QString& folder : searchedFolders(SearchFolders)) {
        const QFileInfo candidate(folder + u'/' + FileName);
        if (candidate.isFile())
            return QDir::cleanPath(candidate.absoluteFilePath());
    }
    return {};
}

void TKvViewHelpHtmlAction::Execute()
{
    const QString path = TargetPath();
    if (!path.isEmpty() && UrlOpener()(QUrl::fromLocalFile(path)))
        return;
    QString text;
    if (path.isEmpty()) {
        text =
            QCoreApplication::translate("Actions", "ヘルプファイル %1 が見つかりません。\n探した場所:").arg(FileName);
        for (const QString& folder : searchedFolders(SearchFolders))
            text += u'\n' + QDir::cleanPath(folder + u'/' + FileName);
    } else {
        text =
            QCoreApplication::translate(
                "Actions",
                "ヘルプファイルを開けません。\n%1\nHTML を開くプログラム(ブラウザ)が設定されているか確認してください。")
                .arg(path);
    }
    QMessageBox::warning(Window(), QCoreApplication::translate("Actions", "注意"), text);
}

QStringList HelpSearchFolders(const QString& executableFolder)
{
    const std::string installed = InstalledDataFolder(FromQtFileName(executableFolder));
    return {executableFolder, QDir::cleanPath(QtFileName(installed))};
}

TKvAboutAction::TKvAboutAction(QObject* parent) : TKvBaseAction(parent) {}

TKvAboutAction::~TKvAboutAction() = default;

std::unique_ptr<TKvAboutBox> TKvAboutAction::CreateAboutBox() const
{
    auto box = std::make_unique<TKvAboutBox>(Window(), UrlOpener());
    box->SetProgramIcon(QApplication::windowIcon());
    box->SetApplication(ApplicationName, ApplicationVer);
    box->SetCopyright(CopyrightInfo);
    box->SetContacts(HomePageUrl, EmailAddress);
    box->AppendComment(Comment);
    return box;
}

void TKvAboutAction::Execute()
{
    std::unique_ptr<TKvAboutBox> box = CreateAboutBox();
    // The box is a child of the window: should the window go while the box is
    // shown, it has freed the box already.
    const QPointer<TKvAboutBox> alive = box.get();
    box->exec();
    if (!alive)
        (void)box.release();
}

TKvExitAction::TKvExitAction(QObject* parent) : TKvBaseAction(parent) {}

void TKvExitAction::Execute()
{
    if (QWidget* window = Window())
        window->close();
    else
        QApplication::closeAllWindows();
}

TKvOpenAppFolderAction::TKvOpenAppFolderAction(QObject* parent) : TKvBaseAction(parent) {}

void TKvOpenAppFolderAction::Execute()
{
    UrlOpener()(QUrl::fromLocalFile(ExecutableFolder()));
}

namespace {

template <typename Action>
Action* MakeKorvelAction(QWidget* window, const char* name, const QString& caption, const QString& hint)
{
    auto* action = new Action(window);
    action->setObjectName(QLatin1String(name));
    action->setProperty("category", QStringLiteral("Korvel"));
    action->setText(caption);
    SetHint(action, hint);
    return action;
}

}  // namespace

TKvKorvelActions CreateKorvelActions(QWidget* window)
{
    TKvKorvelActions actions;
    actions.KvViewHelpHtmlActionSl =
        MakeKorvelAction<TKvViewHelpHtmlAction>(window, "KvViewHelpHtmlActionSl",
                                                QCoreApplication::translate("Actions", "ヘルプ(&H)"),
                                                QCoreApplication::translate("Actions",
                                                                            "ヘルプ|ヘルプのHTMLを開きます。"));
    actions.KvViewHelpHtmlActionSl->setShortcut(QKeySequence(Qt::Key_F1));
    // The page in the window's language: the catalogue names the page.
    actions.KvViewHelpHtmlActionSl->FileName = QCoreApplication::translate("Actions", "slhelp/index.html");
    actions.KvViewHelpHtmlActionSl->SearchFolders = HelpSearchFolders(ExecutableFolder());

    actions.KvAboutActionSl =
        MakeKorvelAction<TKvAboutAction>(window, "KvAboutActionSl",
                                         QCoreApplication::translate("Actions", "バージョン情報(&A)"),
                                         QCoreApplication::translate("Actions",
                                                                     "バージョン情報|バージョン情報を表示します。"));
    actions.KvAboutActionSl->Comment = {
        QCoreApplication::translate("Actions", "JPEG画像の表示には Independent JPEG Group のコードを使用しています。")};
    actions.KvAboutActionSl->CopyrightInfo = QString::fromUtf8(KorvelCopyright);

    actions.KvOpenAppFolderAction1 = MakeKorvelAction<TKvOpenAppFolderAction>(
        window, "KvOpenAppFolderAction1",
        QCoreApplication::translate("Actions", "アプリケーションのフォルダを開く(&O)"),
        QCoreApplication::translate("Actions", "アプリケーションのフォルダを開く|アプリケーションのフォルダを開く"));

    actions.KvExitAction1 =
        MakeKorvelAction<TKvExitAction>(window, "KvExitAction1", QCoreApplication::translate("Actions", "終了(&X)"),
                                        QCoreApplication::translate("Actions", "終了|アプリケーションを終了します。"));
    return actions;
}

QPushButton* ActionButton(QAction* action, const QString& objectName, QWidget* parent)
{
    auto* button = new QPushButton(action->text(), parent);
    button->setObjectName(objectName);
    button->setEnabled(action->isEnabled());
    QObject::connect(action, &QAction::changed, button, [button, action] {
        button->setText(action->text());
        button->setEnabled(action->isEnabled());
    });
    QObject::connect(button, &QPushButton::clicked, action, &QAction::trigger);
    return button;
}
