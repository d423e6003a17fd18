#include "app/PreviewController.h"

#include "app/ActionTable.h"
#include "app/FileListController.h"
#include "app/KvShell.h"
#include "app/WindowParts.h"
#include "catalogue/KvFileInfo.h"
#include "catalogue/KvFileInfos.h"
#include "components/DamageBand.h"
#include "components/KvImageView.h"
#include "components/KvListView.h"
#include "decode/DeepInfo.h"
#include "decode/KvJpegDecoder.h"
#include "platform/DisplayPath.h"
#include "platform/ErrorText.h"
#include "platform/KvPreviewLoader.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QMainWindow>
#include <QMimeData>
#include <QSplitter>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <mutex>
#include <utility>

namespace {

// The area above the pane (the list and the splitter) keeps at least this
// much of the panel's height.
constexpr int kAboveSplitterMinimum = 30;

// How long the memory of the last photo let go of is kept for the next load
// once loads stop coming.
constexpr int kSpareKeptMs = 1000;

// Whether name ends in ".jpg" or ".jpeg", without regard to ASCII case:
// the only pictures the preview decodes.
bool HasJpegExtension(const std::string& name)
{
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return false;
    std::string extension = name.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return extension == "jpg" || extension == "jpeg";
}

// The pixels of the last image the pane let go of, for the next load to
// decode into: going from one photo to the next of the same size then needs
// no fresh memory, whose first touch costs about a tenth of the decode.
// Loads take it on the loader's thread, and the last copy of an image may be
// dropped on any thread (the clipboard's, the loader's), hence the lock.
struct SparePixels {
    std::mutex lock;
    TKvDecodedImage pixels;
};

SparePixels& Spare()
{
    static SparePixels spare;
    return spare;
}

TKvDecodedImage TakeSparePixels()
{
    TKvDecodedImage taken;
    const std::lock_guard guard(Spare().lock);
    std::swap(taken, Spare().pixels);
    return taken;
}

// Makes pixels the spare; the spare they replace is let go on this thread.
void KeepSparePixels(TKvDecodedImage pixels)
{
    const std::lock_guard guard(Spare().lock);
    std::swap(pixels, Spare().pixels);
}

struct ImagePixels {
    TKvPixelMemory memory;
    size_t capacity;
};

// The decoded pixels as an image that owns them, without a copy; when the
// last copy of the image goes, they become the spare.
QImage ToImage(TKvDecodedImage decoded)
{
    auto* owner = new ImagePixels{std::move(decoded.Pixels), decoded.Capacity};
    const auto release = [](void* info) {
        std::unique_ptr<ImagePixels> pixels(static_cast<ImagePixels*>(info));
        TKvDecodedImage spare;
        spare.Pixels = std::move(pixels->memory);
        spare.Capacity = pixels->capacity;
        KeepSparePixels(std::move(spare));
    };
    return QImage(reinterpret_cast<uchar*>(owner->memory.get()), decoded.Width, decoded.Height,
                  static_cast<qsizetype>(decoded.Width) * 4, QImage::Format_RGB32, release, owner);
}

// What a load makes on the loader's thread: the decoded image, owning its
// pixels, and for the automatic scale the copy the pane will draw, so that
// the window's thread only swaps pictures.
struct LoadedPreview {
    QImage image;
    QImage autoScaled;
    QString failure;  // why there is no image
};

// What the pane says in place of a picture that cannot be shown.
QString CannotShowText(const QString& reason)
{
    return QCoreApplication::translate("Preview", "表示できません: %1").arg(reason);
}

QString FailureText(const TKvDecodedImage& failed)
{
    switch (failed.Failure) {
    case TKvDecodeFailure::Unreadable:
        return CannotShowText(QCoreApplication::translate("Preview", "ファイルを読めません (%1)")
                                  .arg(QString::fromStdString(ErrorText(failed.SystemError))));
    case TKvDecodeFailure::NotAFile: return CannotShowText(QCoreApplication::translate("Preview", "通常のファイルではありません"));
    case TKvDecodeFailure::TooLarge:
        return CannotShowText(QCoreApplication::translate("Preview", "画像が大きすぎます (%1×%2)")
                                  .arg(QString::number(failed.DeclaredWidth), QString::number(failed.DeclaredHeight)));
    case TKvDecodeFailure::UnsupportedColour: return CannotShowText(QCoreApplication::translate("Preview", "この色の形式には対応していません"));
    case TKvDecodeFailure::NoMemory: return CannotShowText(QCoreApplication::translate("Preview", "メモリが足りません"));
    case TKvDecodeFailure::NotJpeg:
    case TKvDecodeFailure::None: break;
    }
    return CannotShowText(QCoreApplication::translate("Preview", "JPEG として読めません"));
}

LoadedPreview LoadPreview(const std::string& path, QSize fitInto, const std::atomic<bool>& abandoned)
{
    TKvDecodedImage spare = TakeSparePixels();
    TKvDecodedImage decoded = DecodeJpegFile(path, &spare, &abandoned);
    if (decoded.Empty() || abandoned) {
        LoadedPreview failed;
        if (decoded.Empty())
            failed.failure = FailureText(decoded);
        // An abandoned or failed decode leaves its memory to the next one.
        KeepSparePixels(decoded.Empty() ? std::move(spare) : std::move(decoded));
        return failed;
    }
    QImage image = ToImage(std::move(decoded));
    QImage autoScaled = fitInto.isEmpty() ? QImage() : TKvImageView::AutoScaledCopy(image, fitInto);
    return {std::move(image), std::move(autoScaled), QString()};
}

}  // namespace

PreviewController::PreviewController(WindowParts& parts, const FileListController& list)
    : parts_(parts), list_(list), loader_(std::make_unique<TKvPreviewLoader>())
{
    // The list keeps the rest of the panel; the pane keeps its height when
    // the window is resized and can be made as low as its double click asks.
    QSplitter* splitter = parts.Splitter2;
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 0);
    splitter->setChildrenCollapsible(false);
    parts.LVFiles->setMinimumHeight(kAboveSplitterMinimum - splitter->handleWidth());
    parts.ImgView32->setMinimumHeight(1);

    spareTimer_ = new QTimer(parts.Window);
    spareTimer_->setSingleShot(true);
    spareTimer_->setInterval(kSpareKeptMs);
    QObject::connect(spareTimer_, &QTimer::timeout, parts.Window, [this] {
        if (!loader_->Pending())
            TakeSparePixels();
    });
}

PreviewController::~PreviewController() = default;

void PreviewController::WatchListFocus()
{
    // The loader as the context: the list still signals while the window's
    // children are torn down, after the loader is gone.
    QObject::connect(parts_.LVFiles->selectionModel(), &QItemSelectionModel::currentChanged, loader_.get(),
                     [this] { AbandonLoadOfUnfocusedFile(); });
}

void PreviewController::ReportFacts(ActionFacts& facts) const
{
    facts.ImageShown = !parts_.ImgView32->Empty();
    // Closing also abandons a load on its way: the menus, a listing and a
    // check that start meanwhile reach it through ImgCloseAct.
    facts.ImageLoading = loader_->Pending();
}

void PreviewController::UpdateActions()
{
    ActionFacts facts;
    ReportFacts(facts);
    ApplyActionRules(parts_, facts);
}

// --- View modes --------------------------------------------------------------

void PreviewController::ShowPane()
{
    TKvImageView* pane = parts_.ImgView32;
    if (!pane->isHidden())
        return;
    pane->show();
    const int total = parts_.Splitter2->height() - parts_.Splitter2->handleWidth();
    parts_.Splitter2->setSizes({std::max(0, total - paneHeight_), paneHeight_});
}

void PreviewController::HidePane()
{
    CancelLoad();
    parts_.AppOptions->ImgViewMode = 0;
    TKvImageView* pane = parts_.ImgView32;
    if (!pane->isHidden())
        paneHeight_ = pane->height();
    pane->hide();  // and with it the splitter's handle
    pane->Clear();  // the hint stays
    TakeSparePixels();
    UpdateActions();
}

void PreviewController::ShowActualSize()
{
    parts_.AppOptions->ImgViewMode = 1;
    ShowPane();
    parts_.ImgView32->SetScale(1.0f);
}

void PreviewController::ShowAutoScaled()
{
    parts_.AppOptions->ImgViewMode = 2;
    ShowPane();
    parts_.ImgView32->AutoScale();
}

// --- Load, close, copy -------------------------------------------------------

void PreviewController::Load()
{
    const TKvFileInfo* entry = list_.FocusedEntry();
    TKvImageView* pane = parts_.ImgView32;
    const uint8_t mode = parts_.AppOptions->ImgViewMode;
    // A mode outside 0..2 read from the settings shows no pane: nothing to load into.
    if (mode == 0 || pane->isHidden() || !entry || !parts_.Window->isActiveWindow())
        return;
    std::string fullPath = entry->Path + entry->Name;
    if (loader_->Pending() && fullPath == loadingPath_)
        return;  // already on its way
    if (!HasJpegExtension(entry->Name)) {
        Close();
        pane->SetMessage(CannotShowText(QCoreApplication::translate("Preview", "JPEG ファイルではありません")));
        return;
    }
    // The pane shows the picture it has until the new one is decoded; the
    // decode goes into the memory the one before that left.
    const QSize fitInto = mode == 2 ? pane->viewport()->size() : QSize();
    loadingPath_ = fullPath;
    loader_->Start([this, path = std::move(fullPath), fitInto](const std::atomic<bool>& abandoned) {
        LoadedPreview loaded = LoadPreview(path, fitInto, abandoned);
        return [this, path, loaded = std::move(loaded)] {
            ShowLoaded(path, loaded.image, loaded.autoScaled, loaded.failure);
        };
    });
    spareTimer_->stop();
    pane->setCursor(Qt::BusyCursor);
    UpdateActions();
}

void PreviewController::ShowLoaded(const std::string& path, const QImage& image, const QImage& autoScaled,
                                   const QString& failure)
{
    TKvImageView* pane = parts_.ImgView32;
    pane->unsetCursor();
    loadingPath_.clear();
    if (image.isNull()) {
        Close();
        pane->SetMessage(failure);
        return;
    }
    pane->SetBitmap(image, autoScaled);  // the picture before becomes the spare
    shownPath_ = path;
    const std::optional<DeepInfo> deep = ShownDeepInfo(path);
    if (deep)
        pane->SetBands(DamageBands(*deep, image.height()));
    // One pass of arg: a "%2" in a file name stays as it is.
    pane->SetHint(QStringLiteral("|%1 <%2x%3>%4")
                      .arg(DisplayPath(path), QString::number(image.width()), QString::number(image.height()),
                           deep ? DamageHint(*deep) : QString()));
    UpdateActions();
    switch (parts_.AppOptions->ImgViewMode) {
    case 1: parts_.IVScaleNormalAct->trigger(); break;
    case 2: parts_.IVAutoScaleLongAct->trigger(); break;
    default: break;
    }
    spareTimer_->start();
}

std::optional<DeepInfo> PreviewController::ShownDeepInfo(const std::string& path) const
{
    const int row = list_.FindFileIndex(path);
    if (row < 0)
        return std::nullopt;
    const TKvJpegInfoReadLock lock;  // a check may be replacing the records
    const DeepInfo* deep = parts_.KvFileInfos1->FileInfoList().FileInfos(row)->DeepCheckInfo();
    return deep ? std::optional<DeepInfo>(*deep) : std::nullopt;
}

void PreviewController::CancelLoad()
{
    if (!loader_->Pending())
        return;
    loader_->Cancel();
    loadingPath_.clear();
    parts_.ImgView32->unsetCursor();
    UpdateActions();
    spareTimer_->start();
}

void PreviewController::AbandonLoadOfUnfocusedFile()
{
    if (!loader_->Pending())
        return;
    const TKvFileInfo* focused = list_.FocusedEntry();
    if (!focused || focused->Path + focused->Name != loadingPath_)
        CancelLoad();
}

void PreviewController::Close()
{
    CancelLoad();
    parts_.ImgView32->Clear();
    TakeSparePixels();  // an empty pane keeps no memory
    parts_.ImgView32->SetHint(QString());
    shownPath_.clear();
    UpdateActions();
}

void PreviewController::EmptyPane()
{
    parts_.ImgView32->SetMessage(QString());  // about a file no longer in hand
    parts_.ImgCloseAct->trigger();
}

void PreviewController::CopyImage() const
{
    if (!parts_.ImgView32->Empty())
        QApplication::clipboard()->setImage(parts_.ImgView32->Bitmap());  // its own size, whatever the scale
}

void PreviewController::CopyFileName() const
{
    // From the kept bytes rather than cut out of the hint, which a name
    // holding " <" would cut short. The text is the name as shown; the URL
    // carries the bytes, so a name that is not UTF-8 reaches a file
    // manager as the file it is.
    if (parts_.ImgView32->Empty())
        return;
    auto* clip = new QMimeData;
    clip->setUrls({FileUrlOfPath(shownPath_)});
    clip->setText(DisplayPath(shownPath_));
    QApplication::clipboard()->setMimeData(clip);
}

// --- Fitting the pane ---------------------------------------------------------

void PreviewController::FitPaneToImage()
{
    // The image's height and the pane's own chrome (frame and scroll bar),
    // so that the whole height of the image shows; the pane stays anchored
    // at the bottom and the list keeps its minimum above it.
    TKvImageView* pane = parts_.ImgView32;
    QSplitter* splitter = parts_.Splitter2;
    const int chrome = pane->height() - pane->viewport()->height();
    const int bottom = splitter->height();
    int height = std::max(1, std::min(pane->BitmapRectHeight() + chrome, bottom - kAboveSplitterMinimum));
    // A double click that would change nothing, right after the one that
    // fitted the pane, gives the list back the height it had.
    if (heightBeforeFit_ > 0 && pane->height() == height)
        height = std::exchange(heightBeforeFit_, 0);
    else
        heightBeforeFit_ = pane->height();
    splitter->setSizes({bottom - splitter->handleWidth() - height, height});
}
