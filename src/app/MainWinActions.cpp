// The action table of the main window: caption, hint ("short|long"), image
// slot, check behaviour, tag and shortcut of every command.
#include "app/ActionIcons.h"
#include "app/ConstsSl.h"
#include "app/MainWin.h"
#include "catalogue/KvFileInfos.h"
#include "components/KvActns.h"

#include <QAction>
#include <QActionGroup>
#include <QTreeView>

// The table names the window's private actions: the window befriends it.
struct TFormScanlarkActionTable {
    struct ActionRow {
        QAction* TFormScanlark::*member;
        const char* objectName;
        const char* category;
        const char* caption;
        const char* hint;  // short|long
        int image;         // slot of the image strip, -1 none
        bool checkable;
        int tag;
    };

    // clang-format off
    static constexpr ActionRow Rows[] = {
        {&TFormScanlark::SelectFolderAct, "SelectFolderAct", "File", "フォルダを選択(&F)...", "フォルダを選択|フォルダを選択", -1, false, 0},
        {&TFormScanlark::OpenShellAct, "OpenShellAct", "File", "アプリケーションから開く(&H)", "アプリケーションから開く|選択しているファイルをアプリケーションから開きます。", -1, false, 0},
        {&TFormScanlark::OpenExplorerAct, "OpenExplorerAct", "File", "エクスプローラ(&E)", "エクスプローラ|選択しているファイルをエクスプローラで開きます。", -1, false, 0},
        {&TFormScanlark::OpenFolderAct, "OpenFolderAct", "File", "フォルダを開く(&O)", "フォルダを開く|選択しているファイルのフォルダ、または現在のフォルダを開きます。", -1, false, 0},
        {&TFormScanlark::DeleteFileAct, "DeleteFileAct", "File", "ファイルを削除(&D)", "ファイルを削除|選択しているファイルを削除します。更新しないとリストに反映されません。", 17, false, 0},
        {&TFormScanlark::NameCopyAct, "NameCopyAct", "File", "ファイル名のコピー(&N)", "ファイル名のコピー|フォーカスのあるファイルのフルパスを、クリップボードにコピーします。", -1, false, 0},
        {&TFormScanlark::SearchFindAct, "SearchFindAct", "Edit", "検索(&F)...", "検索|指定された文字列を検索する", 15, false, 0},
        {&TFormScanlark::SearchFindNextAct, "SearchFindNextAct", "Edit", "次を検索(&N)", "次を検索|直前の検索を繰り返す", 16, false, 0},
        {&TFormScanlark::CopyFileAct, "CopyFileAct", "Edit", "フォルダへコピー(&O)...", "フォルダへコピー|選択したファイルをフォルダへコピーします。", -1, false, 0},
        {&TFormScanlark::MoveFileAct, "MoveFileAct", "Edit", "フォルダへ移動(&V)...", "フォルダへ移動|選択したファイルをフォルダへ移動します。", -1, false, 0},
        {&TFormScanlark::SelectAllAct, "SelectAllAct", "Edit", "すべて選択(&A)", "すべて選択|すべてのファイルを選択します。", -1, false, 0},
        {&TFormScanlark::SelectChangeAct, "SelectChangeAct", "Edit", "選択の切り替え(&I)", "選択の切り替え|選択の切り替えを行います。", -1, false, 0},
        {&TFormScanlark::SelectErrorsActSl, "SelectErrorsActSl", "Edit", "エラーを選択(&R)", "エラーを選択|エラーをすべて選択します。エラーチェック後に有効です。", -1, false, 0},
        {&TFormScanlark::StopAct, "StopAct", "View", "中止(&P)", "中止|中止します。", 3, false, 0},
        {&TFormScanlark::ColumnsEditAct, "ColumnsEditAct", "View", "列の設定(&N)...", "列の設定|列の設定を行います。", -1, false, 1},
        {&TFormScanlark::RefreshAct, "RefreshAct", "View", "更新(&R)", "更新|更新の種類を選択。", -1, false, 0},
        {&TFormScanlark::RefreshAllAct, "RefreshAllAct", "View", "最新の情報に更新(&R)", "更新|フォルダとファイルを最新の情報に更新します。", 4, false, 0},
        {&TFormScanlark::RefreshFoldersAct, "RefreshFoldersAct", "View", "フォルダ情報を更新(&R)", "更新|フォルダのみを最新の情報に更新します。", 18, false, 1},
        {&TFormScanlark::RefreshFilesAct, "RefreshFilesAct", "View", "ファイル情報を更新(&R)", "更新|ファイルのみを最新の情報に更新します。", 19, false, 2},
        {&TFormScanlark::SubFolderSearchAct, "SubFolderSearchAct", "View", "サブフォルダも検索(&U)", "サブフォルダも検索|サブフォルダも検索を切り替えます。", 11, true, 0},
        {&TFormScanlark::HiddenFileViewAct, "HiddenFileViewAct", "View", "隠しファイルを表示(&I)", "隠しファイルを表示|隠しファイルを表示を切り替えます。", 12, true, 0},
        {&TFormScanlark::FolderBarVisibleAct, "FolderBarVisibleAct", "View", "フォルダ(&F)", "フォルダ|フォルダを表示します。", 13, true, 0},
        {&TFormScanlark::DoNowAct, "DoNowAct", "View", "すぐにエラーチェック開始(&D)", "すぐにエラーチェック開始|すぐにエラーチェック開始を切り替えます。", 14, true, 0},
        {&TFormScanlark::MoveAct, "MoveAct", "Move", "移動(&M)", "移動|いろいろな移動を選択します。", -1, false, 0},
        {&TFormScanlark::BackAct, "BackAct", "Move", "戻る(&B)", "戻る|前に戻ります。", 0, false, 0},
        {&TFormScanlark::ForwardAct, "ForwardAct", "Move", "進む(&F)", "進む|次に進みます。", 1, false, 0},
        {&TFormScanlark::UpFolderAct, "UpFolderAct", "Move", "1 つ上のフォルダへ(&U)", "上へ|現在開いているフォルダの、1 つ上のフォルダに移動します。", 2, false, 0},
        {&TFormScanlark::MoveThisFolderAct, "MoveThisFolderAct", "Move", "このフォルダに移動(&M)", "このフォルダに移動|フォーカスのあるファイルのフォルダに移動します。", -1, false, 0},
        {&TFormScanlark::GoAct, "GoAct", "Others", "", "移動|指定したフォルダに移動します。", 8, false, 0},
        {&TFormScanlark::ActRecentEdit, "ActRecentEdit", "Tools", "履歴の編集(&E)...", "履歴の編集|履歴の編集", -1, false, 0},
        {&TFormScanlark::OptionDetailAct, "OptionDetailAct", "QvTools", "オプション(&O)...", "オプション|オプションダイアログを開きます。", 5, false, 0},
        {&TFormScanlark::JpegErrorCheckAllAct, "JpegErrorCheckAllAct", "SlRun", "すべてエラーチェック(&E)", "すべてエラーチェック|すべてエラーチェック", 20, false, 0},
        {&TFormScanlark::IVNoneAct, "IVNoneAct", "ViewImage", "表示しない(&N)", "表示しない|表示しない", -1, true, 0},
        {&TFormScanlark::IVScaleNormalAct, "IVScaleNormalAct", "ViewImage", "実寸表示(&1)", "実寸表示|実寸表示", -1, true, 1},
        {&TFormScanlark::IVAutoScaleLongAct, "IVAutoScaleLongAct", "ViewImage", "自動倍率(&L)", "自動倍率|自動倍率", -1, true, 2},
        {&TFormScanlark::ImgLoadAct, "ImgLoadAct", "ImgView", "", "", -1, false, 0},
        {&TFormScanlark::ImgCloseAct, "ImgCloseAct", "ImgView", "画像を閉じる(&L)", "画像を閉じる|表示している画像を閉じます。", -1, false, 0},
        {&TFormScanlark::ImgCopyAct, "ImgCopyAct", "ImgView", "画像のコピー(&C)", "画像のコピー|表示している画像を実寸でクリップボードにコピーします。", -1, false, 0},
        {&TFormScanlark::ImgNameCopyAct, "ImgNameCopyAct", "ImgView", "画像ファイル名のコピー(&N)", "画像ファイル名のコピー|表示している画像ファイルのフルパスをクリップボードにコピーします。", -1, false, 0},
        {&TFormScanlark::ActPreMakeList, "ActPreMakeList", "", "", "", -1, false, 0},
    };
    // clang-format on
};

void TFormScanlark::CreateActions()
{
    for (const TFormScanlarkActionTable::ActionRow& row : TFormScanlarkActionTable::Rows) {
        auto* action = new QAction(QString::fromUtf8(row.caption), this);
        action->setObjectName(QString::fromLatin1(row.objectName));
        action->setProperty("category", QString::fromLatin1(row.category));
        action->setData(row.tag);
        SetHint(action, QString::fromUtf8(row.hint));
        if (row.image >= 0)
            action->setIcon(ActionIcon(row.image));
        action->setCheckable(row.checkable);
        this->*row.member = action;
    }
    FolderBarVisibleAct->setChecked(true);

    auto* imageModes = new QActionGroup(this);
    for (QAction* mode : {IVNoneAct, IVScaleNormalAct, IVAutoScaleLongAct}) {
        imageModes->addAction(mode);
        connect(mode, &QAction::triggered, this, [this, mode] {
            mode->setChecked(true);
            AppOptions->ImgViewMode = static_cast<uint8_t>(mode->data().toInt());
        });
    }
    const TKvKorvelActions korvel = CreateKorvelActions(this);
    KvViewHelpHtmlActionSl = korvel.KvViewHelpHtmlActionSl;
    KvAboutActionSl = korvel.KvAboutActionSl;
    KvOpenAppFolderAction1 = korvel.KvOpenAppFolderAction1;
    KvExitAction1 = korvel.KvExitAction1;
}
