// The image preview under the file list: its view modes, loading the
// focused file off the window's thread, closing, copying, fitting the pane
// to the image, and the preview's facts for the action rules. Where the
// deep check found damage in the shown file, the pane draws a band over the
// damaged rows and the hint says where. Parts used: ImgView32, Splitter2,
// LVFiles, KvFileInfos1, AppOptions, Window and the view-mode and image
// actions.
//
// Loads decode on the loader's thread, into the memory of the photo shown
// before when it has room, and make the automatic scale's copy there; the
// pane keeps its picture, with a busy cursor over it, until the new one
// arrives. The controller owns the loader, so the loader's thread is joined
// before the window's widgets go.
#pragma once

#include <memory>
#include <optional>
#include <string>

class FileListController;
class QImage;
class QString;
class QTimer;
class TKvPreviewLoader;
struct ActionFacts;
struct DeepInfo;
struct WindowParts;

class PreviewController {
public:
    PreviewController(WindowParts& parts, const FileListController& list);
    ~PreviewController();
    PreviewController(const PreviewController&) = delete;
    PreviewController& operator=(const PreviewController&) = delete;

    // A load of a file that loses the list's focus is abandoned from now on.
    void WatchListFocus();

    // The view modes: no pane, actual size, automatic scale.
    void HidePane();
    void ShowActualSize();
    void ShowAutoScaled();

    // Loads the focused file when the pane is shown and the window active;
    // a file that cannot be shown empties the pane, which says why.
    void Load();
    // Abandons the load on its way and empties the pane.
    void Close();
    // Empties the pane as a listing or a check starts. It goes through
    // ImgCloseAct, which is enabled only when there is something to close.
    void EmptyPane();
    // The image at its own size, and its file's name, to the clipboard.
    void CopyImage() const;
    void CopyFileName() const;
    // Makes the pane as high as the image, the list keeping its minimum;
    // when it already is, right after such a fit, the height before it.
    void FitPaneToImage();

    // ImageShown and ImageLoading.
    void ReportFacts(ActionFacts& facts) const;
    // Applies the action rules of the preview's facts.
    void UpdateActions();

private:
    // Shows the pane at the height it had when it was hidden.
    void ShowPane();
    // A load's end, on the main thread: its picture into the pane, or an
    // empty pane saying failure when image is null.
    void ShowLoaded(const std::string& path, const QImage& image, const QImage& autoScaled, const QString& failure);
    // A copy of the deep check's result for the listed file at path, if any
    // (the pane draws its damage and names it in the hint).
    std::optional<DeepInfo> ShownDeepInfo(const std::string& path) const;
    // Abandons the load on its way, if any; the pane keeps what it shows.
    void CancelLoad();
    // The list's focus moved: a load of a file no longer focused is abandoned.
    void AbandonLoadOfUnfocusedFile();

    WindowParts& parts_;
    const FileListController& list_;
    // The shown file's path as bytes (the hint shows it for display only).
    std::string shownPath_;
    // The file the pending load decodes.
    std::string loadingPath_;
    int paneHeight_ = 128;
    // The pane's height before the last fit to the image; 0 when restored.
    int heightBeforeFit_ = 0;
    QTimer* spareTimer_ = nullptr;  // lets the spare pixels go once loads stop
    // Last, so that it goes first: its thread is joined while all else the
    // loads reach is still there.
    std::unique_ptr<TKvPreviewLoader> loader_;
};
