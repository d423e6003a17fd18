#include "components/KvFileOperationDialogs.h"

#include "catalogue/KvUtils.h"
#include "platform/DisplayPath.h"
#include "platform/KvFileOperations.h"
#include "platform/KvThread.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <sys/stat.h>

#include <atomic>
#include <mutex>
#include <optional>

namespace {

struct TKindTexts {
    const char* Title;
    const char* Verb;  // what is done to a file, for the failure list
    const char* Working;
};

TKindTexts TextsOf(TKvFileOperationKind kind)
{
    switch (kind) {
    case TKvFileOperationKind::Copy:
        return {QT_TRANSLATE_NOOP("FileOperationDialogs", "ファイルのコピー"),
                QT_TRANSLATE_NOOP("FileOperationDialogs", "コピー"),
                QT_TRANSLATE_NOOP("FileOperationDialogs", "コピーしています...")};
    case TKvFileOperationKind::Move:
        return {QT_TRANSLATE_NOOP("FileOperationDialogs", "ファイルの移動"),
                QT_TRANSLATE_NOOP("FileOperationDialogs", "移動"),
                QT_TRANSLATE_NOOP("FileOperationDialogs", "移動しています...")};
    case TKvFileOperationKind::Trash:
        return {QT_TRANSLATE_NOOP("FileOperationDialogs", "ごみ箱へ移動"),
                QT_TRANSLATE_NOOP("FileOperationDialogs", "ごみ箱へ移動"),
                QT_TRANSLATE_NOOP("FileOperationDialogs", "ごみ箱へ移動しています...")};
    case TKvFileOperationKind::Delete: break;
    }
    return {QT_TRANSLATE_NOOP("FileOperationDialogs", "ファイルの削除"),
            QT_TRANSLATE_NOOP("FileOperationDialogs", "削除"),
            QT_TRANSLATE_NOOP("FileOperationDialogs", "削除しています...")};
}

// A button of a question, its caption from the catalogue and its object
// name for the tests.
QPushButton* addButton(QMessageBox& box, const char* caption, QMessageBox::ButtonRole role, const char* name)
{
    QPushButton* button = box.addButton(QCoreApplication::translate("FileOperationDialogs", caption), role);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

QString LastComponent(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return DisplayPath(slash == std::string::npos ? path : path.substr(slash + 1));
}

// The progress the worker reports, read by the dialog's timer.
class TProgressBox {
public:
    void Set(const TKvFileProgress& progress)
    {
        const std::lock_guard lock(mutex_);
        progress_ = progress;
    }
    std::optional<TKvFileProgress> Get() const
    {
        const std::lock_guard lock(mutex_);
        return progress_;
    }

private:
    mutable std::mutex mutex_;
    std::optional<TKvFileProgress> progress_;
};

class TProgressDialog : public QDialog {
public:
    TProgressDialog(QWidget* owner, TKvFileOperationKind kind, size_t count) : QDialog(owner), kind_(kind), count_(count)
    {
        setObjectName(QStringLiteral("FileOperationProgressDialog"));
        setWindowTitle(QCoreApplication::translate("FileOperationDialogs", TextsOf(kind).Title));
        setWindowModality(Qt::ApplicationModal);
        auto* layout = new QVBoxLayout(this);
        heading_ = new QLabel(QCoreApplication::translate("FileOperationDialogs", TextsOf(kind).Working), this);
        name_ = new QLabel(this);
        name_->setObjectName(QStringLiteral("FileOperationName"));
        name_->setTextFormat(Qt::PlainText);
        name_->setMinimumWidth(420);
        counts_ = new QLabel(this);
        counts_->setObjectName(QStringLiteral("FileOperationCounts"));
        bar_ = new QProgressBar(this);
        bar_->setRange(0, 1000);
        cancel_ = new QPushButton(QCoreApplication::translate("FileOperationDialogs", "キャンセル"), this);
        cancel_->setObjectName(QStringLiteral("FileOperationCancel"));
        auto* buttons = new QDialogButtonBox(this);
        buttons->addButton(cancel_, QDialogButtonBox::RejectRole);
        for (QWidget* widget : {static_cast<QWidget*>(heading_), static_cast<QWidget*>(name_),
                                static_cast<QWidget*>(counts_), static_cast<QWidget*>(bar_)})
            layout->addWidget(widget);
        layout->addWidget(buttons);
        connect(buttons, &QDialogButtonBox::rejected, this, &TProgressDialog::reject);
    }

    bool CancelRequested() const { return cancelled_.load(); }

    void Show(const std::optional<TKvFileProgress>& progress)
    {
        if (isVisible())
            return;
        Update(progress);
        show();
    }

    void Update(const std::optional<TKvFileProgress>& progress)
    {
        if (!progress)
            return;
        name_->setText(LastComponent(progress->Current));
        QString counts = QCoreApplication::translate("FileOperationDialogs", "%1 / %2 ファイル")
                             .arg(progress->Index + 1)
                             .arg(count_);
        const bool hasBytes = kind_ == TKvFileOperationKind::Copy || kind_ == TKvFileOperationKind::Move;
        if (hasBytes && progress->BytesTotal > 0)
            counts += QCoreApplication::translate("FileOperationDialogs", "  (このファイル %1 / %2)")
                          .arg(SizeToStr(static_cast<int64_t>(progress->BytesDone)),
                               SizeToStr(static_cast<int64_t>(progress->BytesTotal)));
        double share = static_cast<double>(progress->Index);
        if (progress->BytesTotal > 0)
            share += static_cast<double>(progress->BytesDone) / static_cast<double>(progress->BytesTotal);
        const int permille = count_ ? static_cast<int>(1000.0 * share / static_cast<double>(count_)) : 0;
        bar_->setValue(permille);
        // The bar counts the whole run, the bytes the current file: say both.
        if (count_ > 1)
            counts += QCoreApplication::translate("FileOperationDialogs", "  全体 %1%").arg(permille / 10);
        counts_->setText(counts);
    }

    // Esc, the close box and the button all cancel; the dialog stays until
    // the worker has stopped.
    void reject() override
    {
        cancelled_ = true;
        heading_->setText(QCoreApplication::translate("FileOperationDialogs", "キャンセルしています..."));
        cancel_->setEnabled(false);
    }

private:
    TKvFileOperationKind kind_;
    size_t count_;
    std::atomic<bool> cancelled_{false};
    QLabel* heading_;
    QLabel* name_;
    QLabel* counts_;
    QProgressBar* bar_;
    QPushButton* cancel_;
};

QString DescribeFile(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return QCoreApplication::translate("FileOperationDialogs", "(不明)");
    const QDateTime modified =
        QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000);
    return QCoreApplication::translate("FileOperationDialogs", "%1、%2")
        .arg(SizeToStr(info.st_size), QLocale::system().toString(modified, QLocale::ShortFormat));
}

TKvConflictReply AskConflict(QWidget* owner, TKvFileOperationKind kind, const std::string& source,
                             const std::string& destination)
{
    const QString verb = kind == TKvFileOperationKind::Move
                             ? QCoreApplication::translate("FileOperationDialogs", "移動")
                             : QCoreApplication::translate("FileOperationDialogs", "コピー");
    QMessageBox box(QMessageBox::Question, QCoreApplication::translate("FileOperationDialogs", "ファイル名の重複"),
                    QCoreApplication::translate("FileOperationDialogs",
                                                "%1先に「%2」という名前のファイルがすでにあります。\n置き換えますか?")
                        .arg(verb, LastComponent(destination)),
                    QMessageBox::NoButton, owner);
    box.setObjectName(QStringLiteral("FileConflictDialog"));
    box.setTextFormat(Qt::PlainText);
    // Both folders: two cards hold the same names, and only the folder
    // tells which file is which.
    box.setInformativeText(
        QCoreApplication::translate("FileOperationDialogs",
                                    "置き換えられるファイル: %1\n    (%2)\n%3するファイル: %4\n    (%5)\n"
                                    "置き換えられるファイルはごみ箱に移動します。")
            .arg(DisplayPath(destination), DescribeFile(destination), verb, DisplayPath(source), DescribeFile(source)));
    QPushButton* overwrite = addButton(box, QT_TRANSLATE_NOOP("FileOperationDialogs", "上書き(&O)"),
                                       QMessageBox::AcceptRole, "OverwriteButton");
    QPushButton* keepBoth = addButton(box, QT_TRANSLATE_NOOP("FileOperationDialogs", "両方とも残す(&K)"),
                                      QMessageBox::AcceptRole, "KeepBothButton");
    QPushButton* skip = addButton(box, QT_TRANSLATE_NOOP("FileOperationDialogs", "スキップ(&S)"),
                                  QMessageBox::RejectRole, "SkipButton");
    QPushButton* cancel = addButton(box, QT_TRANSLATE_NOOP("FileOperationDialogs", "キャンセル"),
                                    QMessageBox::DestructiveRole, "CancelButton");
    box.setDefaultButton(skip);
    box.setEscapeButton(cancel);
    auto* all =
        new QCheckBox(QCoreApplication::translate("FileOperationDialogs", "以降のすべての重複に同じ処理を行う(&A)"));
    all->setObjectName(QStringLiteral("ApplyToAllCheck"));
    box.setCheckBox(all);
    box.exec();
    TKvConflictReply reply;
    reply.ApplyToAll = all->isChecked();
    if (box.clickedButton() == overwrite)
        reply.Answer = TKvConflictAnswer::Overwrite;
    else if (box.clickedButton() == keepBoth)
        reply.Answer = TKvConflictAnswer::KeepBoth;
    else if (box.clickedButton() == skip)
        reply.Answer = TKvConflictAnswer::Skip;
    else
        reply.Answer = TKvConflictAnswer::Cancel;  // also a box closed by quitting
    return reply;
}

// The trash cannot take a file that is to be overwritten: it would be lost
// for good. Skipping is the default.
bool AskOverwriteWithoutTrash(QWidget* owner, const std::string& destination, const std::string& reason)
{
    QMessageBox box(
        QMessageBox::Warning, QCoreApplication::translate("FileOperationDialogs", "ファイル名の重複"),
        QCoreApplication::translate("FileOperationDialogs",
                                    "「%1」をごみ箱に移動できません。上書きすると元に戻せません。\n上書きしますか?")
            .arg(DisplayPath(destination)),
        QMessageBox::NoButton, owner);
    box.setObjectName(QStringLiteral("OverwriteWithoutTrashDialog"));
    box.setTextFormat(Qt::PlainText);
    box.setInformativeText(QString::fromStdString(reason));
    QPushButton* overwrite = addButton(box, QT_TRANSLATE_NOOP("FileOperationDialogs", "上書き(&O)"),
                                       QMessageBox::DestructiveRole, "OverwriteButton");
    QPushButton* skip = addButton(box, QT_TRANSLATE_NOOP("FileOperationDialogs", "スキップ(&S)"),
                                  QMessageBox::RejectRole, "SkipButton");
    box.setDefaultButton(skip);
    box.setEscapeButton(skip);
    box.exec();
    return box.clickedButton() == overwrite;
}

void ShowFailures(QWidget* owner, TKvFileOperationKind kind, const std::vector<TKvFileFailure>& failures)
{
    QDialog dialog(owner);
    dialog.setObjectName(QStringLiteral("FileFailureDialog"));
    dialog.setWindowTitle(QCoreApplication::translate("FileOperationDialogs", TextsOf(kind).Title));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(
        new QLabel(QCoreApplication::translate("FileOperationDialogs", "%1できなかったファイルがあります (%2 個)。")
                       .arg(QCoreApplication::translate("FileOperationDialogs", TextsOf(kind).Verb))
                       .arg(failures.size()),
                   &dialog));
    auto* list = new QTreeWidget(&dialog);
    list->setObjectName(QStringLiteral("FileFailureList"));
    list->setHeaderLabels({QCoreApplication::translate("FileOperationDialogs", "ファイル"),
                           QCoreApplication::translate("FileOperationDialogs", "理由")});
    list->setRootIsDecorated(false);
    for (const TKvFileFailure& failure : failures)
        new QTreeWidgetItem(list, {DisplayPath(failure.Path), QString::fromStdString(failure.Reason)});
    list->resizeColumnToContents(0);
    list->setMinimumWidth(560);
    layout->addWidget(list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    layout->addWidget(buttons);
    dialog.exec();
}

class TFileOperationThread : public TKvThread {
public:
    TFileOperationThread(const TKvFileOperationWork& work, TKvFileOperationCallbacks callbacks)
        : work_(work), callbacks_(std::move(callbacks))
    {
    }
    ~TFileOperationThread() override
    {
        Terminate();
        WaitFor();
    }
    // Read once Finished().
    const TKvFileOperationResult& Result() const { return result_; }
    using TKvThread::Synchronize;

protected:
    void Execute() override { result_ = work_(callbacks_); }

private:
    const TKvFileOperationWork& work_;
    TKvFileOperationCallbacks callbacks_;
    TKvFileOperationResult result_;
};

}  // namespace

TKvFileOperationResult RunFileOperationWork(QWidget* owner, TKvFileOperationKind kind, size_t count,
                                            const TKvFileOperationWork& work)
{
    TProgressBox progress;
    TProgressDialog dialog(owner, kind, count);
    QEventLoop loop;
    bool switchingPhase = false;
    const auto showDialog = [&] {
        if (dialog.isVisible())
            return;
        dialog.Show(progress.Get());
        // Leave the loop that holds input back, for one that takes it.
        switchingPhase = true;
        loop.quit();
    };

    TFileOperationThread* threadRef = nullptr;
    TKvFileOperationCallbacks callbacks;
    callbacks.OnProgress = [&progress](const TKvFileProgress& value) { progress.Set(value); };
    callbacks.CancelRequested = [&] { return dialog.CancelRequested() || threadRef->Terminated(); };
    if (kind == TKvFileOperationKind::Copy || kind == TKvFileOperationKind::Move) {
        callbacks.OnConflict = [&](const std::string& source, const std::string& destination) {
            TKvConflictReply reply{TKvConflictAnswer::Cancel, false};
            threadRef->Synchronize([&] {
                if (dialog.CancelRequested() || threadRef->Terminated())
                    return;
                showDialog();
                reply = AskConflict(&dialog, kind, source, destination);
            });
            return reply;
        };
        callbacks.OnOverwriteWithoutTrash = [&](const std::string& destination, const std::string& reason) {
            bool overwrite = false;
            threadRef->Synchronize([&] {
                if (dialog.CancelRequested() || threadRef->Terminated())
                    return;
                showDialog();
                overwrite = AskOverwriteWithoutTrash(&dialog, destination, reason);
            });
            return overwrite;
        };
    }
    TFileOperationThread thread(work, std::move(callbacks));
    threadRef = &thread;
    thread.OnTerminate = [&loop](QObject*) { loop.quit(); };

    QTimer showTimer;
    showTimer.setSingleShot(true);
    QObject::connect(&showTimer, &QTimer::timeout, &dialog, showDialog);
    QTimer refreshTimer;
    QObject::connect(&refreshTimer, &QTimer::timeout, &dialog, [&] { dialog.Update(progress.Get()); });
    showTimer.start(500);
    refreshTimer.start(100);
    thread.Resume();

    QApplication::setOverrideCursor(Qt::BusyCursor);
    while (!thread.Finished()) {
        switchingPhase = false;
        loop.exec(dialog.isVisible() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
        if (!thread.Finished() && !switchingPhase) {
            // The application is quitting: its loops no longer run.
            thread.Terminate();
            thread.WaitFor();
        }
    }
    QApplication::restoreOverrideCursor();
    showTimer.stop();
    refreshTimer.stop();
    dialog.hide();

    TKvFileOperationResult result = thread.Result();
    if (!thread.FatalErrorText().isEmpty())
        result.Failures.push_back({std::string(), thread.FatalErrorText().toStdString()});
    if (!result.Failures.empty())
        ShowFailures(owner, kind, result.Failures);
    return result;
}

TKvFileOperationResult RunFileOperation(QWidget* owner, TKvFileOperationKind kind,
                                        const std::vector<std::string>& sources, const std::string& destinationFolder)
{
    const TKvFileOperationWork work = [&](const TKvFileOperationCallbacks& callbacks) {
        switch (kind) {
        case TKvFileOperationKind::Copy: return CopyFiles(sources, destinationFolder, callbacks);
        case TKvFileOperationKind::Move: return MoveFiles(sources, destinationFolder, callbacks);
        case TKvFileOperationKind::Trash: return DeleteFiles(sources, true, callbacks);
        case TKvFileOperationKind::Delete: break;
        }
        return DeleteFiles(sources, false, callbacks);
    };
    return RunFileOperationWork(owner, kind, sources.size(), work);
}

bool ConfirmDelete(QWidget* owner, const std::vector<std::string>& paths, bool toTrash)
{
    if (paths.empty())
        return false;
    const QString what =
        paths.size() == 1
            ? QCoreApplication::translate("FileOperationDialogs", "「%1」").arg(LastComponent(paths.front()))
            : QCoreApplication::translate("FileOperationDialogs", "%1 個のファイル").arg(paths.size());
    QMessageBox box(QMessageBox::Question,
                    QCoreApplication::translate(
                        "FileOperationDialogs",
                        TextsOf(toTrash ? TKvFileOperationKind::Trash : TKvFileOperationKind::Delete).Title),
                    toTrash ? QCoreApplication::translate("FileOperationDialogs", "%1をごみ箱に移動しますか?").arg(what)
                            : QCoreApplication::translate("FileOperationDialogs",
                                                          "%1を完全に削除しますか?\nこの操作は元に戻せません。")
                                  .arg(what),
                    QMessageBox::Yes | QMessageBox::No, owner);
    box.setObjectName(QStringLiteral("DeleteConfirmDialog"));
    box.setTextFormat(Qt::PlainText);
    if (!toTrash)
        box.setIcon(QMessageBox::Warning);
    box.setDefaultButton(toTrash ? QMessageBox::Yes : QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}
