#include "app/KvShell.h"

#include "paths/BytePath.h"
#include "platform/DisplayPath.h"
#include "platform/KvTrash.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTimer>

#include <memory>
#include <utility>

bool DeleteToRecycleBin(QWidget* owner, const std::string& path)
{
    const QString name = DisplayPath(path);
    const auto answer =
        QMessageBox::question(owner, QCoreApplication::translate("MainWindow", "ごみ箱へ移動"),
                              QCoreApplication::translate("MainWindow", "\"%1\" をごみ箱に移動しますか?").arg(name),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return true;
    std::string errorText;
    if (!MoveToTrash(path, errorText)) {
        QMessageBox::warning(owner, QCoreApplication::translate("MainWindow", "注意"),
                             QString::fromStdString(errorText));
        return true;
    }
    return false;
}

namespace {

void ShowItemsOverDBus(const QStringList& urls, std::function<void(bool)> done)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        done(false);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << urls << QString();
    // Asynchronous: starting a file manager can take seconds, and the window
    // must not freeze meanwhile.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 10000));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [done = std::move(done)](QDBusPendingCallWatcher* finished) {
                         done(!finished->isError());
                         finished->deleteLater();
                     });
}

}  // namespace

namespace {

// How long xdg-open may take to say that it could not open a URL. Some
// desktops' openers wait for the program they start; one still running
// after this has opened the URL.
constexpr int kOpenerAnswerMs = 5000;

void OpenWithDesktop(const QUrl& url, std::function<void(bool)> done)
{
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        done(QDesktopServices::openUrl(url));  // the platform's own way, if any
        return;
    }
    // Without a parent, and never deleted while running: the program it
    // starts outlives the window.
    auto* process = new QProcess;
    process->setProgram(opener);
    process->setArguments({QString::fromLatin1(url.toEncoded())});
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    auto answer = std::make_shared<std::function<void(bool)>>(std::move(done));
    const auto answerOnce = [answer](bool opened) {
        if (*answer)
            std::exchange(*answer, nullptr)(opened);
    };
    QObject::connect(process, &QProcess::finished, process, [process, answerOnce](int code, QProcess::ExitStatus status) {
        answerOnce(status == QProcess::NormalExit && code == 0);
        process->deleteLater();
    });
    QObject::connect(process, &QProcess::errorOccurred, process, [process, answerOnce](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            answerOnce(false);
            process->deleteLater();
        }
    });
    QTimer::singleShot(kOpenerAnswerMs, process, [answerOnce] { answerOnce(true); });
    process->start();
}

// Collects the answers of one command's opens and reports the failures in
// one message once the last answer is in.
class OpenReport {
public:
    OpenReport(QWidget* owner, QString failure, size_t expected)
        : owner_(owner), failure_(std::move(failure)), pending_(expected)
    {
    }
    void Answer(const std::string& path, bool opened)
    {
        if (!opened && !failed_.contains(DisplayPath(path)))
            failed_ << DisplayPath(path);
        if (--pending_ == 0 && !failed_.isEmpty())
            Show();
    }

private:
    void Show() const
    {
        constexpr qsizetype kNamesShown = 10;
        QStringList names = failed_.mid(0, kNamesShown);
        if (failed_.size() > kNamesShown)
            names << QCoreApplication::translate("MainWindow", "ほか %1 件").arg(failed_.size() - kNamesShown);
        QMessageBox::warning(owner_, QCoreApplication::translate("MainWindow", "注意"), failure_.arg(names.join(u'\n')));
    }

    QPointer<QWidget> owner_;
    QString failure_;
    size_t pending_;
    QStringList failed_;
};

QString FilesNotOpened()
{
    return QCoreApplication::translate(
        "MainWindow", "次のファイルを開けませんでした。\n%1\nこの種類のファイルを開くプログラムが設定されているか確認してください。");
}

QString FoldersNotOpened()
{
    return QCoreApplication::translate(
        "MainWindow",
        "次のフォルダを開けませんでした。\n%1\nフォルダを開くプログラム(ファイル マネージャ)が設定されているか確認してください。");
}

}  // namespace

TKvDesktopServices& DesktopServices()
{
    static TKvDesktopServices services{OpenWithDesktop, ShowItemsOverDBus};
    return services;
}

QUrl FileUrlOfPath(const std::string& path)
{
    const QByteArray encoded = QByteArray::fromStdString(path).toPercentEncoding("/");
    return QUrl::fromEncoded("file://" + encoded, QUrl::StrictMode);
}

void ShellOpenFiles(QWidget* owner, const std::vector<std::string>& files)
{
    auto report = std::make_shared<OpenReport>(owner, FilesNotOpened(), files.size());
    for (const std::string& file : files)
        DesktopServices().OpenUrl(FileUrlOfPath(file), [report, file](bool opened) { report->Answer(file, opened); });
}

void ShellOpenFolders(QWidget* owner, const std::vector<std::string>& folders)
{
    auto report = std::make_shared<OpenReport>(owner, FoldersNotOpened(), folders.size());
    for (const std::string& folder : folders) {
        const std::string path = WithTrailingSlash(folder);
        DesktopServices().OpenUrl(FileUrlOfPath(path), [report, path](bool opened) { report->Answer(path, opened); });
    }
}

void ExploreFolders(QWidget* owner, const std::vector<std::string>& files)
{
    auto report = std::make_shared<OpenReport>(owner, FoldersNotOpened(), files.size());
    for (const std::string& file : files) {
        const std::string folder = WithTrailingSlash(FolderOfPath(file));
        DesktopServices().ShowItems({QString::fromLatin1(FileUrlOfPath(file).toEncoded())},
                                    [report, folder](bool shown) {
                                        if (shown)
                                            report->Answer(folder, true);
                                        else
                                            DesktopServices().OpenUrl(FileUrlOfPath(folder), [report, folder](bool opened) {
                                                report->Answer(folder, opened);
                                            });
                                    });
    }
}
