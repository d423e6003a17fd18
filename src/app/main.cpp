// Program entry: one window per user. A second start hands its first
// argument to the running window and ends without a window of its own.
#include "ConstsSl.h"
#include "KvPath.h"
#include "KvSingleInstance.h"
#include "MainWin.h"
#include "OptionsSl.h"
#include "QtTranslations.h"

#include <QApplication>
#include <QFileInfo>
#include <QSocketNotifier>

#include <csignal>

#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onTerminationSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(signalPipe[1], &byte, 1);
}

// SIGTERM, SIGINT and SIGHUP close the window in order, so the settings and
// "folder.txt" are saved as on a normal close.
void closeOnTerminationSignals(QWidget* window)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, window);
    QObject::connect(notifier, &QSocketNotifier::activated, window, [window] {
        char byte;
        [[maybe_unused]] const ssize_t ignored = ::read(signalPipe[0], &byte, 1);
        window->close();
    });
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    InstallJapaneseQtTranslations(app);
    QApplication::setApplicationName(ProductTitle);
    QApplication::setOrganizationName(QStringLiteral("Korvel"));
    // The raw bytes: a path that is not UTF-8 must reach the window unchanged.
    // A relative path means one below this process's working folder, which a
    // running window does not share: it is made absolute before anything.
    const std::string argument = argc > 1 ? AbsolutePath(argv[1], CurrentWorkingFolder()) : std::string();

    TKvSingleInstance instance(SingleInstanceName);
    if (!instance.Acquire()) {
        SendCopyDataString(instance, argument, argument.empty() ? kCopyDataRaiseOnly : kCopyDataOpenPath);
        return 0;
    }

    const QFileInfo executable(QCoreApplication::applicationFilePath());
    const std::string folder = SettingsFolder(FromQtFileName(executable.absolutePath()));
    const std::string settingsName = FromQtFileName(executable.completeBaseName()) + ".ini";
    TFormScanlark window(argument, folder, settingsName);
    instance.OnMessage = [&window](uint32_t tag, const std::string& path) {
        window.setWindowState((window.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
        window.show();
        window.raise();
        window.activateWindow();
        window.WMCopyData(tag, path);
    };
    closeOnTerminationSignals(&window);
    window.show();
    return QApplication::exec();
}
