// Ready-made commands that carry their whole behaviour (help page, About
// window, application folder, display settings, exit), and the hint helpers
// every action of the program goes through.
//
// Main thread only, like every QAction.
#pragma once

#include <QAction>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <memory>
#include <utility>

class QPushButton;
class TKvAboutBox;

// A hint is "short|long": the text before the first "|" is the tooltip, the
// rest goes to the status line. A hint without "|" serves as both. The bar is
// looked for from position splitFrom on, so that a leading text which may
// hold a "|" of its own (a folder name) stays whole in the short part.
QString GetShortHint(const QString& hint, qsizetype splitFrom = 0);
QString GetLongHint(const QString& hint, qsizetype splitFrom = 0);

// Sets action's tooltip and status tip from hint, split as above, and
// remembers hint itself for Hint().
void SetHint(QAction* action, const QString& hint, qsizetype splitFrom = 0);
// The hint last given to SetHint; for an action that never got one, its
// tooltip and status tip joined by "|" (the tooltip alone when it has no
// status tip).
QString Hint(const QAction* action);

// A push button that stands for action: its caption, its enabled state and
// its click follow the action.
QPushButton* ActionButton(QAction* action, const QString& objectName, QWidget* parent);

// Opens a URL with the desktop's handler; answers whether it was handed over.
using TKvUrlOpener = std::function<bool(const QUrl& url)>;
// Starts a program detached; answers whether it started.
using TKvProgramStarter = std::function<bool(const QString& program, const QStringList& arguments)>;

// The folder of the running executable, without a trailing "/".
QString ExecutableFolder();

// Base of the family: always enabled, and running Execute() when triggered.
// The window the action works for is its parent's window when the parent is
// a widget, else the one given with SetWindow().
class TKvBaseAction : public QAction {
public:
    explicit TKvBaseAction(QObject* parent = nullptr);

    QWidget* Window() const;
    void SetWindow(QWidget* window) { window_ = window; }

    // How URLs and files are handed to the desktop; QDesktopServices::openUrl
    // unless replaced (tests capture the URL instead of starting a browser).
    const TKvUrlOpener& UrlOpener() const { return urlOpener_; }
    void SetUrlOpener(TKvUrlOpener opener) { urlOpener_ = std::move(opener); }

    virtual void Execute() {}

private:
    QPointer<QWidget> window_;
    TKvUrlOpener urlOpener_;
};

// Opens the desktop's display settings: the settings program of the running
// desktop when it is installed, else the first installed one of a known set.
// Nothing happens when none is installed.
class TKvOpenDeskAction : public TKvBaseAction {
public:
    explicit TKvOpenDeskAction(QObject* parent = nullptr);

    const TKvProgramStarter& ProgramStarter() const { return programStarter_; }
    void SetProgramStarter(TKvProgramStarter starter) { programStarter_ = std::move(starter); }

    void Execute() override;

private:
    TKvProgramStarter programStarter_;
};

// Opens the HTML file FileName, looked for in SearchFolders, with the
// desktop's handler. When no folder holds it, or the handler refuses it, a
// message over Window() says so instead.
class TKvViewHelpHtmlAction : public TKvBaseAction {
public:
    explicit TKvViewHelpHtmlAction(QObject* parent = nullptr);

    // Path of the HTML file relative to each of SearchFolders.
    QString FileName;
    // Folders looked in, in this order; the executable's folder alone when
    // empty.
    QStringList SearchFolders;

    // The first of SearchFolders + "/" + FileName that is a file; empty when
    // none is.
    QString TargetPath() const;

    void Execute() override;
};

// Where the help file of this program is looked for: beside the executable
// (the build folder, a portable copy), then in an installed copy's data
// folder (InstalledDataFolder).
QStringList HelpSearchFolders(const QString& executableFolder);

// Shows the About window modally over Window().
class TKvAboutAction : public TKvBaseAction {
public:
    explicit TKvAboutAction(QObject* parent = nullptr);
    ~TKvAboutAction() override;

    QString ApplicationName;
    QString ApplicationVer;
    QStringList Comment;  // lines appended to the memo
    QString CopyrightInfo;
    // The maker's home page and mail address; either may be empty (the
    // window then shows none rather than a made-up one).
    QString HomePageUrl;
    QString EmailAddress;

    // The About window filled from the properties, not yet shown. Execute()
    // shows it modally and frees it when it closes.
    std::unique_ptr<TKvAboutBox> CreateAboutBox() const;

    void Execute() override;
};

// Closes Window() through its own close handling; without a window, closes
// every top-level window of the application.
class TKvExitAction : public TKvBaseAction {
public:
    explicit TKvExitAction(QObject* parent = nullptr);

    void Execute() override;
};

// Opens the executable's folder with the desktop's handler (the file manager).
class TKvOpenAppFolderAction : public TKvBaseAction {
public:
    explicit TKvOpenAppFolderAction(QObject* parent = nullptr);

    void Execute() override;
};

// The maker's copyright line, shown by the About window.
extern const char* const KorvelCopyright;

// The main window's four instances of the "Korvel" category, with their
// captions, hints, shortcut and help file, owned by and working for window.
// The window still gives the About action the application name and version.
struct TKvKorvelActions {
    TKvViewHelpHtmlAction* KvViewHelpHtmlActionSl = nullptr;
    TKvAboutAction* KvAboutActionSl = nullptr;
    TKvOpenAppFolderAction* KvOpenAppFolderAction1 = nullptr;
    TKvExitAction* KvExitAction1 = nullptr;
};
TKvKorvelActions CreateKorvelActions(QWidget* window);
