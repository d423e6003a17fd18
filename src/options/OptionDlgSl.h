// The options dialog ("オプション"): the general settings on the page "全般"
// and the columns of the main file list on the page "列の設定". Its controls
// are the working copy: OptionsToDlgAct fills them from the live settings,
// DlgToOptionsAct (after OK) writes them back and applies them, "キャンセル"
// leaves everything as it was. Nothing is written to the settings file here.
//
// The column editor lists every column of the main list in configured
// order, one row each: the check box says shown, the caption names it, and
// two hidden cells carry the width and the column's collection index (the
// row format of TKvListView::ColumnsToEditor). The first designed column
// (index 0) stays in the top row and shown.
//
// Object names: the controls as named below, the actions by their names
// ("RowsUpAct" ...), their buttons "ButtonRowsUp", "ButtonRowsDown",
// "ButtonRowsShow", "ButtonRowsHide", "ButtonRowsReset", "ButtonDefault",
// and "ButtonOK", "ButtonCancel". Main thread only.
#pragma once

#include <QDialog>

class QAction;
class QCheckBox;
class QComboBox;
class QSpinBox;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;
class TScanlarkOptions;

class TOptionDialog : public QDialog {
    Q_OBJECT

public:
    // options: the live settings and where they are held; they must outlive
    // the dialog.
    explicit TOptionDialog(TScanlarkOptions& options, QWidget* parent = nullptr);

    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheetGeneral = nullptr;
    QWidget* TabSheetColumns = nullptr;
    QCheckBox* CheckBoxSubFolderSearch = nullptr;
    QCheckBox* CheckBoxHiddenFileView = nullptr;
    QCheckBox* CheckBoxDoNow = nullptr;
    // Also decode the image data (the deep check), our own addition.
    QCheckBox* CheckBoxDeepCheck = nullptr;
    QCheckBox* CheckBoxFolderBarVisible = nullptr;
    QComboBox* ComboBoxFilePriority = nullptr;
    QComboBox* ComboBoxImgViewMode = nullptr;
    QTreeWidget* ListViewCE = nullptr;
    // The number field and its up-down control in one (0 .. 1600).
    QSpinBox* EditWidth = nullptr;

    QAction* DefaultAct = nullptr;
    QAction* OptionsToDlgAct = nullptr;
    QAction* DlgToOptionsAct = nullptr;
    QAction* RowsUpAct = nullptr;
    QAction* RowsDownAct = nullptr;
    QAction* RowsShowAct = nullptr;
    QAction* RowsHideAct = nullptr;
    QAction* RowsResetAct = nullptr;

protected:
    void showEvent(QShowEvent* e) override;

private:
    // The page of the columns opens with the keyboard in the column editor.
    void PageControl1Change();
    void CreateGeneralPage();
    void CreateColumnsPage();
    void OptionsToDlgActExecute();
    void DlgToOptionsActExecute();
    void DefaultActExecute();
    void RowsUpActExecute();
    void RowsDownActExecute();
    void RowsShowActExecute();
    void RowsHideActExecute();
    void RowsResetActExecute();
    // Moves the focused row by delta (-1 up, +1 down), keeping it focused,
    // selected and in view.
    void MoveFocusedRow(int delta);
    // The enabling rules of the row actions.
    void ActionList1Update();
    void ListViewCEChange(QTreeWidgetItem* item, int column);
    void ListViewCESelectItem();
    void EditWidthChange(int value);

    TScanlarkOptions& options_;
    // False while the program itself fills or reorders the editor.
    bool changeHandlerAttached_ = true;
    // True while the width field is set from a row, so that setting it
    // writes nothing back.
    bool showingRowWidth_ = false;
};
