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
#include <QStringList>

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

TKvDesktopServices& DesktopServices()
{
    static TKvDesktopServices services{[](const QUrl& url) { return QDesktopServices::openUrl(url); },
                                       ShowItemsOverDBus};
    return services;
}

QUrl FileUrlOfPath(const std::string& path)
{
    const QByteArray encoded = QByteArray::fromStdString(path).toPercentEncoding("/");
    return QUrl::fromEncoded("file://" + encoded, QUrl::StrictMode);
}

void ShellOpenFile(const std::string& file)
{
    DesktopServices().OpenUrl(FileUrlOfPath(file));
}

bool ShellOpenFolder(const std::string& folder)
{
    return DesktopServices().OpenUrl(FileUrlOfPath(WithTrailingSlash(folder)));
}

void ExploreFolder(const std::string& file)
{
    const std::string folder = FolderOfPath(file);
    DesktopServices().ShowItems({QString::fromLatin1(FileUrlOfPath(file).toEncoded())}, [folder](bool shown) {
        if (!shown)
            ShellOpenFolder(folder);
    });
}
