// The image preview under the file list: its view modes, loading the
// focused file, closing, copying, and fitting the pane to the image.
#include "app/ActionTable.h"
#include "app/MainWin.h"
#include "catalogue/KvFileInfos.h"
#include "components/KvImageView.h"
#include "components/KvListView.h"
#include "decode/KvJpegDecoder.h"
#include "platform/DisplayPath.h"
#include "platform/KvPreviewLoader.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QSplitter>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <mutex>

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
};

LoadedPreview LoadPreview(const std::string& path, QSize fitInto, const std::atomic<bool>& abandoned)
{
    TKvDecodedImage spare = TakeSparePixels();
    TKvDecodedImage decoded = DecodeJpegFile(path, &spare, &abandoned);
    if (decoded.Empty() || abandoned) {
        // An abandoned or failed decode leaves its memory to the next one.
        KeepSparePixels(decoded.Empty() ? std::move(spare) : std::move(decoded));
        return {};
    }
    QImage image = ToImage(std::move(decoded));
    QImage autoScaled = fitInto.isEmpty() ? QImage() : TKvImageView::AutoScaledCopy(image, fitInto);
    return {std::move(image), std::move(autoScaled)};
}

}  // namespace

void TFormScanlark::PreviewLoaderDeleter::operator()(TKvPreviewLoader* loader) const
{
    delete loader;
}

void TFormScanlark::SetupPreview()
{
    // The list keeps the rest of the panel; the pane keeps its height when
    // the window is resized and can be made as low as its double click asks.
    Splitter2->setStretchFactor(0, 1);
    Splitter2->setStretchFactor(1, 0);
    Splitter2->setChildrenCollapsible(false);
    LVFiles->setMinimumHeight(kAboveSplitterMinimum - Splitter2->handleWidth());
    ImgView32->setMinimumHeight(1);

    PMImgView = new QMenu(this);
    PMImgView->setObjectName(QStringLiteral("PMImgView"));
    QMenu* modes = PMImgView->addMenu(QStringLiteral("画像の表示(&V)"));
    modes->addActions({IVNoneAct, IVScaleNormalAct, IVAutoScaleLongAct});
    PMImgView->addSeparator();
    PMImgView->addActions({ImgCopyAct, ImgNameCopyAct});
    PMImgView->addSeparator();
    PMImgView->addAction(ImgCloseAct);
    ImgView32->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ImgView32, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        ActionList1Update();
        PMImgView->popup(ImgView32->mapToGlobal(at));
    });

    connect(IVNoneAct, &QAction::triggered, this, &TFormScanlark::IVNoneActExecute);
    connect(IVScaleNormalAct, &QAction::triggered, this, &TFormScanlark::IVScaleNormalActExecute);
    connect(IVAutoScaleLongAct, &QAction::triggered, this, &TFormScanlark::IVAutoScaleLongActExecute);
    connect(ImgLoadAct, &QAction::triggered, this, &TFormScanlark::ImgLoadActExecute);
    connect(ImgCloseAct, &QAction::triggered, this, &TFormScanlark::ImgCloseActExecute);
    connect(ImgCopyAct, &QAction::triggered, this, &TFormScanlark::ImgCopyActExecute);
    connect(ImgNameCopyAct, &QAction::triggered, this, &TFormScanlark::ImgNameCopyActExecute);
    connect(ImgView32, &TKvImageView::DblClick, this, &TFormScanlark::ImgView32DblClick);

    previewLoader_.reset(new TKvPreviewLoader);
    // The loader as the context: the list still signals while the window's
    // children are torn down, after the loader is gone.
    connect(LVFiles->selectionModel(), &QItemSelectionModel::currentChanged, previewLoader_.get(),
            [this] { AbandonPreviewOfUnfocusedFile(); });
    previewSpareTimer_ = new QTimer(this);
    previewSpareTimer_->setSingleShot(true);
    previewSpareTimer_->setInterval(kSpareKeptMs);
    connect(previewSpareTimer_, &QTimer::timeout, this, [this] {
        if (!previewLoader_->Pending())
            TakeSparePixels();
    });
    UpdatePreviewActions();
}

void TFormScanlark::UpdatePreviewActions()
{
    ActionFacts facts;
    facts.ImageShown = !ImgView32->Empty();
    // Closing also abandons a load on its way: the menus, a listing and a
    // check that start meanwhile reach it through this action.
    facts.ImageLoading = previewLoader_ && previewLoader_->Pending();
    ApplyActionRules(*this, facts);
}

// --- View modes --------------------------------------------------------------

void TFormScanlark::ShowPreviewPane()
{
    if (!ImgView32->isHidden())
        return;
    ImgView32->show();
    const int total = Splitter2->height() - Splitter2->handleWidth();
    Splitter2->setSizes({std::max(0, total - previewPaneHeight_), previewPaneHeight_});
}

void TFormScanlark::IVNoneActExecute()
{
    CancelPreviewLoad();
    AppOptions->ImgViewMode = 0;
    if (!ImgView32->isHidden())
        previewPaneHeight_ = ImgView32->height();
    ImgView32->hide();  // and with it the splitter's handle
    ImgView32->Clear();  // the hint stays
    TakeSparePixels();
    UpdatePreviewActions();
}

void TFormScanlark::IVScaleNormalActExecute()
{
    AppOptions->ImgViewMode = 1;
    ShowPreviewPane();
    ImgView32->SetScale(1.0f);
}

void TFormScanlark::IVAutoScaleLongActExecute()
{
    AppOptions->ImgViewMode = 2;
    ShowPreviewPane();
    ImgView32->AutoScale();
}

// --- Load, close, copy -------------------------------------------------------

void TFormScanlark::ImgLoadActExecute()
{
    const int row = LVFiles->currentRow();
    const TKvThreadFileInfoList& files = KvFileInfos1->FileInfoList();
    // A mode outside 0..2 read from the settings shows no pane: nothing to load into.
    if (AppOptions->ImgViewMode == 0 || ImgView32->isHidden() || row < 0 || row >= files.Count() || !isActiveWindow())
        return;
    const TKvFileInfo& entry = *files.FileInfos(row);
    std::string fullPath = entry.Path + entry.Name;
    if (previewLoader_->Pending() && fullPath == previewLoading_)
        return;  // already on its way
    if (!HasJpegExtension(entry.Name)) {
        ImgCloseActExecute();  // no message: the pane is simply empty
        return;
    }
    // The pane shows the picture it has until the new one is decoded; the
    // decode goes into the memory the one before that left.
    const QSize fitInto = AppOptions->ImgViewMode == 2 ? ImgView32->viewport()->size() : QSize();
    previewLoading_ = fullPath;
    previewLoader_->Start([this, path = std::move(fullPath), fitInto](const std::atomic<bool>& abandoned) {
        LoadedPreview loaded = LoadPreview(path, fitInto, abandoned);
        return [this, path, loaded = std::move(loaded)] { ShowLoadedPreview(path, loaded.image, loaded.autoScaled); };
    });
    previewSpareTimer_->stop();
    ImgView32->setCursor(Qt::BusyCursor);
    UpdatePreviewActions();
}

void TFormScanlark::ShowLoadedPreview(const std::string& path, const QImage& image, const QImage& autoScaled)
{
    ImgView32->unsetCursor();
    previewLoading_.clear();
    if (image.isNull()) {
        ImgCloseActExecute();  // no message: the pane is simply empty
        return;
    }
    ImgView32->SetBitmap(image, autoScaled);  // the picture before becomes the spare
    previewPath_ = path;
    // One pass of arg: a "%2" in a file name stays as it is.
    ImgView32->SetHint(QStringLiteral("|%1 <%2x%3>")
                           .arg(DisplayPath(path), QString::number(image.width()), QString::number(image.height())));
    UpdatePreviewActions();
    switch (AppOptions->ImgViewMode) {
    case 1: IVScaleNormalAct->trigger(); break;
    case 2: IVAutoScaleLongAct->trigger(); break;
    default: break;
    }
    previewSpareTimer_->start();
}

void TFormScanlark::CancelPreviewLoad()
{
    if (!previewLoader_->Pending())
        return;
    previewLoader_->Cancel();
    previewLoading_.clear();
    ImgView32->unsetCursor();
    UpdatePreviewActions();
    previewSpareTimer_->start();
}

void TFormScanlark::AbandonPreviewOfUnfocusedFile()
{
    if (!previewLoader_->Pending())
        return;
    const int row = LVFiles->currentRow();
    const TKvThreadFileInfoList& files = KvFileInfos1->FileInfoList();
    const bool stillFocused = row >= 0 && row < files.Count()
                              && files.FileInfos(row)->Path + files.FileInfos(row)->Name == previewLoading_;
    if (!stillFocused)
        CancelPreviewLoad();
}

void TFormScanlark::ImgCloseActExecute()
{
    CancelPreviewLoad();
    ImgView32->Clear();
    TakeSparePixels();  // an empty pane keeps no memory
    ImgView32->SetHint(QString());
    previewPath_.clear();
    UpdatePreviewActions();
}

void TFormScanlark::ImgCopyActExecute()
{
    if (!ImgView32->Empty())
        QApplication::clipboard()->setImage(ImgView32->Bitmap());  // its own size, whatever the scale
}

void TFormScanlark::ImgNameCopyActExecute()
{
    // From the kept bytes rather than cut out of the hint, which a name
    // holding " <" would cut short.
    if (!ImgView32->Empty())
        QApplication::clipboard()->setText(DisplayPath(previewPath_));
}

// --- Fitting the pane ---------------------------------------------------------

void TFormScanlark::ImgView32DblClick()
{
    // The image's height and the pane's own chrome (frame and scroll bar),
    // so that the whole height of the image shows; the pane stays anchored
    // at the bottom and the list keeps its minimum above it.
    const int chrome = ImgView32->height() - ImgView32->viewport()->height();
    const int bottom = Splitter2->height();
    const int height = std::max(1, std::min(ImgView32->BitmapRectHeight() + chrome, bottom - kAboveSplitterMinimum));
    Splitter2->setSizes({bottom - Splitter2->handleWidth() - height, height});
}
