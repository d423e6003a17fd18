// Program entry: one window per user. A second start hands its first
// argument to the running window and ends without a window of its own.
// Every start ends with a window or with a message: a running window that
// does not answer makes a second start fail loudly, and a hand-over that
// cannot be set up (or cannot be trusted) leaves this start its own window.
#include "app/ConstsSl.h"
#include "app/KvSingleInstance.h"
#include "app/MainWin.h"
#include "app/QtTranslations.h"
#include "app/StartArgument.h"
#include "options/OptionsSl.h"
#include "paths/BytePath.h"
#include "platform/DisplayPath.h"
#include "version/Version.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

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
// "folder.txt" are saved as on a normal close. Caught before the window
// exists: a signal that comes while it is being made waits in the pipe and
// closes it once the event loop runs.
void catchTerminationSignals()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

void closeOnTerminationSignals(QWidget* window)
{
    if (signalPipe[0] < 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, window);
    QObject::connect(notifier, &QSocketNotifier::activated, window, [window] {
        char byte;
        [[maybe_unused]] const ssize_t ignored = ::read(signalPipe[0], &byte, 1);
        window->close();
    });
}

// How long a second start waits for the running window to take its path.
// SCANLARK_HANDOVER_TIMEOUT_MS shortens it where a test cannot wait.
int handOverTimeoutMs()
{
    const char* text = std::getenv("SCANLARK_HANDOVER_TIMEOUT_MS");
    const long value = text ? std::strtol(text, nullptr, 10) : 0;
    return value > 0 && value <= 600000 ? static_cast<int>(value) : 10000;
}

void printWarning(const std::string& text)
{
    std::fprintf(stderr, "scanlark: %s\n", text.c_str());
}

// The path given to this start was not opened anywhere: say so on stderr
// and, where there is a screen to show it, in a dialog.
void reportNoAnswer(const std::string& argument, const std::string& why)
{
    printWarning("the running window did not take over" + (argument.empty() ? "" : " " + argument) + ": " + why);
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        return;
    QString text = QCoreApplication::translate("MainWindow", "起動中の %1 が応答しません。").arg(ProductTitle);
    if (!argument.empty())
        text += QCoreApplication::translate("MainWindow", "\n%1 は開かれませんでした。").arg(DisplayPath(argument));
    QMessageBox::warning(nullptr, QCoreApplication::translate("MainWindow", "注意"), text);
}

// A second start hands its argument to the running window. Returns this
// start's exit code, or -1 when it is to open a window of its own (warnings
// then say why).
int handOver(const TKvSingleInstance& instance, const std::string& argument, std::vector<std::string>& warnings)
{
    std::string why;
    switch (SendCopyDataString(instance, argument, argument.empty() ? kCopyDataRaiseOnly : kCopyDataOpenPath,
                               handOverTimeoutMs(), why)) {
    case TKvSingleInstance::HandOver::Delivered:
        return 0;
    case TKvSingleInstance::HandOver::NoAnswer:
        for (const std::string& warning : warnings)
            printWarning(warning);
        reportNoAnswer(argument, why);
        return 1;
    case TKvSingleInstance::HandOver::Refused:
        break;
    }
    warnings.push_back("no hand-over, opening a window of its own: " + why);
    return -1;
}

// Control bytes as \xHH, so that an argument cannot drive the terminal.
std::string escapedForTerminal(const std::string& bytes)
{
    std::string out;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u != 0x7F) {
            out += c;
            continue;
        }
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\x%02x", u);
        out += escape;
    }
    return out;
}

// Help and version need no window system: answered before QApplication.
// Returns the exit code, or -1 to go on.
int answerWithoutWindow(const StartRequest& request)
{
    switch (request.kind) {
    case StartRequest::Kind::Help:
        std::fwrite(kStartHelp.data(), 1, kStartHelp.size(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 2;
    case StartRequest::Kind::Version:
        std::printf("scanlark (Scanlark) %s\n", SCANLARK_VERSION);
        return std::fflush(stdout) == 0 ? 0 : 2;
    case StartRequest::Kind::Usage:
        std::fprintf(stderr, "scanlark: unknown option '%s'\nTry 'scanlark --help'.\n",
                     escapedForTerminal(request.argument).c_str());
        return 2;
    case StartRequest::Kind::Window:
        break;
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (const StartRequest early = ReadStartArguments(argc, argv); early.kind != StartRequest::Kind::Usage)
        if (const int code = answerWithoutWindow(early); code >= 0)
            return code;
    QApplication app(argc, argv);
    // Qt has taken its own options out of argv; anything else that looks
    // like an option is not a folder name.
    const StartRequest request = ReadStartArguments(argc, argv);
    if (const int code = answerWithoutWindow(request); code >= 0)
        return code;
    InstallTranslations(app, LanguageFromEnvironment());
    QApplication::setApplicationName(ProductTitle);
    QApplication::setOrganizationName(QStringLiteral("Korvel"));
    // Ties the window to the installed .desktop file (its name and icon).
    QGuiApplication::setDesktopFileName(QStringLiteral("com.korvel.Scanlark"));
    // The raw bytes: a path that is not UTF-8 must reach the window unchanged.
    // A relative path means one below this process's working folder, which a
    // running window does not share: it is made absolute before anything.
    // A launcher may hand over a file: URL instead of a path.
    const std::string argument =
        !request.hasArgument ? std::string() : StartArgumentPath(request.argument, CurrentWorkingFolder());

    TKvSingleInstance instance(SingleInstanceName);
    const bool ownWindow = instance.Acquire();
    std::vector<std::string> warnings = instance.Warnings();
    if (!ownWindow) {
        if (const int code = handOver(instance, argument, warnings); code >= 0)
            return code;
    } else if (!instance.Listening()) {
        warnings.push_back("no hand-over to this window from later starts");
    }
    // Said once this start is sure to open its window and a termination
    // signal would close it in order.
    catchTerminationSignals();
    for (const std::string& warning : warnings)
        printWarning(warning);

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
    // A path handed over after the window has closed would show it again
    // after its settings were saved, and keep the process from ending.
    QObject::connect(&app, &QGuiApplication::lastWindowClosed, &instance, &TKvSingleInstance::Release);
    closeOnTerminationSignals(&window);
    window.show();
    return QApplication::exec();
}
