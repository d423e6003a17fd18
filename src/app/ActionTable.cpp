// The action table of the main window and the rules that enable its
// actions; ActionTable.h says what each part does.
#include "app/ActionTable.h"

#include "app/ActionIcons.h"
#include "app/WindowParts.h"
#include "components/KvActns.h"

#include <QAction>
#include <QActionGroup>
#include <QToolButton>

#include <iterator>

namespace {

using Rule = ActionRule;

struct ActionRow {
    QAction* WindowParts::*member;
    const char* objectName;
    const char* category;
    const char* caption;
    const char* hint;  // short|long
    int image;         // slot of the image strip, -1 none
    bool checkable;
    int tag;
    Rule rule;
};

// clang-format off
constexpr ActionRow kActions[] = {
    {&WindowParts::SelectFolderAct, "SelectFolderAct", "File", "フォルダを選択(&F)...", "フォルダを選択|フォルダを選択", -1, false, 0, Rule::None},
    {&WindowParts::OpenShellAct, "OpenShellAct", "File", "アプリケーションから開く(&H)", "アプリケーションから開く|選択しているファイルをアプリケーションから開きます。", -1, false, 0, Rule::RowsSelected},
    {&WindowParts::OpenExplorerAct, "OpenExplorerAct", "File", "エクスプローラ(&E)", "エクスプローラ|選択しているファイルをエクスプローラで開きます。", -1, false, 0, Rule::RowsSelected},
    {&WindowParts::OpenFolderAct, "OpenFolderAct", "File", "フォルダを開く(&O)", "フォルダを開く|選択しているファイルのフォルダ、または現在のフォルダを開きます。", -1, false, 0, Rule::None},
    {&WindowParts::DeleteFileAct, "DeleteFileAct", "File", "ファイルを削除(&D)", "ファイルを削除|選択しているファイルを削除します。更新しないとリストに反映されません。", 17, false, 0, Rule::RowsSelected},
    {&WindowParts::NameCopyAct, "NameCopyAct", "File", "ファイル名のコピー(&N)", "ファイル名のコピー|フォーカスのあるファイルのフルパスを、クリップボードにコピーします。", -1, false, 0, Rule::RowFocused},
    {&WindowParts::SearchFindAct, "SearchFindAct", "Edit", "検索(&F)...", "検索|指定された文字列を検索する", 15, false, 0, Rule::ListHasRows},
    {&WindowParts::SearchFindNextAct, "SearchFindNextAct", "Edit", "次を検索(&N)", "次を検索|直前の検索を繰り返す", 16, false, 0, Rule::ListHasRows},
    {&WindowParts::CopyFileAct, "CopyFileAct", "Edit", "フォルダへコピー(&O)...", "フォルダへコピー|選択したファイルをフォルダへコピーします。", -1, false, 0, Rule::RowsSelected},
    {&WindowParts::MoveFileAct, "MoveFileAct", "Edit", "フォルダへ移動(&V)...", "フォルダへ移動|選択したファイルをフォルダへ移動します。", -1, false, 0, Rule::RowsSelected},
    {&WindowParts::KeepFoldersAct, "KeepFoldersAct", "Edit", "元のフォルダ構成を保つ(&K)", "元のフォルダ構成を保つ|フォルダへコピー・移動で、一覧のフォルダからのフォルダ構成をコピー先・移動先に作ります。", -1, true, 0, Rule::None},
    {&WindowParts::UndoSetAsideAct, "UndoSetAsideAct", "Edit", "元に戻す(&U)", "元に戻す|元のフォルダ構成を保って移動したファイルを、元の場所に戻します。", -1, false, 0, Rule::SetAsideUndoable},
    {&WindowParts::SelectAllAct, "SelectAllAct", "Edit", "すべて選択(&A)", "すべて選択|すべてのファイルを選択します。", -1, false, 0, Rule::ListHasRows},
    {&WindowParts::SelectChangeAct, "SelectChangeAct", "Edit", "選択の切り替え(&I)", "選択の切り替え|選択の切り替えを行います。", -1, false, 0, Rule::ListHasRows},
    {&WindowParts::SelectErrorsActSl, "SelectErrorsActSl", "Edit", "エラーを選択(&R)", "エラーを選択|エラーをすべて選択します。エラーチェック後に有効です。", -1, false, 0, Rule::ListHasRows},
    {&WindowParts::StopAct, "StopAct", "View", "中止(&P)", "中止|中止します。", 3, false, 0, Rule::None},
    {&WindowParts::ColumnsEditAct, "ColumnsEditAct", "View", "列の設定(&N)...", "列の設定|列の設定を行います。", -1, false, 1, Rule::None},
    {&WindowParts::RefreshAct, "RefreshAct", "View", "更新(&R)", "更新|更新の種類を選択。", -1, false, 0, Rule::None},
    {&WindowParts::RefreshAllAct, "RefreshAllAct", "View", "最新の情報に更新(&R)", "更新|フォルダとファイルを最新の情報に更新します。", 4, false, 0, Rule::None},
    {&WindowParts::RefreshFoldersAct, "RefreshFoldersAct", "View", "フォルダ情報を更新(&R)", "更新|フォルダのみを最新の情報に更新します。", 18, false, 1, Rule::None},
    {&WindowParts::RefreshFilesAct, "RefreshFilesAct", "View", "ファイル情報を更新(&R)", "更新|ファイルのみを最新の情報に更新します。", 19, false, 2, Rule::None},
    {&WindowParts::SubFolderSearchAct, "SubFolderSearchAct", "View", "サブフォルダも検索(&U)", "サブフォルダも検索|サブフォルダも検索を切り替えます。", 11, true, 0, Rule::None},
    {&WindowParts::HiddenFileViewAct, "HiddenFileViewAct", "View", "隠しファイルを表示(&I)", "隠しファイルを表示|隠しファイルを表示を切り替えます。", 12, true, 0, Rule::None},
    {&WindowParts::FolderBarVisibleAct, "FolderBarVisibleAct", "View", "フォルダ(&F)", "フォルダ|フォルダを表示します。", 13, true, 0, Rule::None},
    {&WindowParts::DoNowAct, "DoNowAct", "View", "すぐにエラーチェック開始(&D)", "すぐにエラーチェック開始|すぐにエラーチェック開始を切り替えます。", 14, true, 0, Rule::None},
    {&WindowParts::MoveAct, "MoveAct", "Move", "移動(&M)", "移動|いろいろな移動を選択します。", -1, false, 0, Rule::None},
    {&WindowParts::BackAct, "BackAct", "Move", "戻る(&B)", "戻る|前に戻ります。", 0, false, 0, Rule::HistoryBack},
    {&WindowParts::ForwardAct, "ForwardAct", "Move", "進む(&F)", "進む|次に進みます。", 1, false, 0, Rule::HistoryForward},
    {&WindowParts::UpFolderAct, "UpFolderAct", "Move", "1 つ上のフォルダへ(&U)", "上へ|現在開いているフォルダの、1 つ上のフォルダに移動します。", 2, false, 0, Rule::None},
    {&WindowParts::MoveThisFolderAct, "MoveThisFolderAct", "Move", "このフォルダに移動(&M)", "このフォルダに移動|フォーカスのあるファイルのフォルダに移動します。", -1, false, 0, Rule::RowFocused},
    {&WindowParts::GoAct, "GoAct", "Others", "", "移動|指定したフォルダに移動します。", 8, false, 0, Rule::None},
    {&WindowParts::ActRecentEdit, "ActRecentEdit", "Tools", "履歴の編集(&E)...", "履歴の編集|履歴の編集", -1, false, 0, Rule::None},
    {&WindowParts::OptionDetailAct, "OptionDetailAct", "QvTools", "オプション(&O)...", "オプション|オプションダイアログを開きます。", 5, false, 0, Rule::None},
    {&WindowParts::JpegErrorCheckAllAct, "JpegErrorCheckAllAct", "SlRun", "すべてエラーチェック(&E)", "すべてエラーチェック|すべてエラーチェック", 20, false, 0, Rule::ListHasRows},
    {&WindowParts::DeepCheckAct, "DeepCheckAct", "SlRun", "画像データも検査する(&D)", "画像データも検査する|エラーチェックで画像データも復号して検査します。", -1, true, 0, Rule::None},
    {&WindowParts::IVNoneAct, "IVNoneAct", "ViewImage", "表示しない(&N)", "表示しない|表示しない", -1, true, 0, Rule::None},
    {&WindowParts::IVScaleNormalAct, "IVScaleNormalAct", "ViewImage", "実寸表示(&1)", "実寸表示|実寸表示", -1, true, 1, Rule::None},
    {&WindowParts::IVAutoScaleLongAct, "IVAutoScaleLongAct", "ViewImage", "自動倍率(&L)", "自動倍率|自動倍率", -1, true, 2, Rule::None},
    {&WindowParts::ImgLoadAct, "ImgLoadAct", "ImgView", "", "", -1, false, 0, Rule::None},
    {&WindowParts::ImgCloseAct, "ImgCloseAct", "ImgView", "画像を閉じる(&L)", "画像を閉じる|表示している画像を閉じます。", -1, false, 0, Rule::ImageShownOrLoading},
    {&WindowParts::ImgCopyAct, "ImgCopyAct", "ImgView", "画像のコピー(&C)", "画像のコピー|表示している画像を実寸でクリップボードにコピーします。", -1, false, 0, Rule::ImageShown},
    {&WindowParts::ImgNameCopyAct, "ImgNameCopyAct", "ImgView", "画像ファイル名のコピー(&N)", "画像ファイル名のコピー|表示している画像ファイルのフルパスをクリップボードにコピーします。", -1, false, 0, Rule::ImageShown},
    {&WindowParts::ActPreMakeList, "ActPreMakeList", "", "", "", -1, false, 0, Rule::None},
};
// clang-format on

// The fact a rule reads, when the facts hold it.
std::optional<bool> RuleFact(Rule rule, const ActionFacts& facts)
{
    switch (rule) {
    case Rule::None: return std::nullopt;
    case Rule::RowFocused: return facts.RowFocused;
    case Rule::RowsSelected: return facts.RowsSelected;
    case Rule::ListHasRows: return facts.ListHasRows;
    case Rule::HistoryBack: return facts.HistoryBack;
    case Rule::HistoryForward: return facts.HistoryForward;
    case Rule::ImageShown: return facts.ImageShown;
    case Rule::SetAsideUndoable: return facts.SetAsideUndoable;
    case Rule::ImageShownOrLoading:
        if (!facts.ImageShown || !facts.ImageLoading)
            return std::nullopt;
        return *facts.ImageShown || *facts.ImageLoading;
    }
    return std::nullopt;
}

}  // namespace

void CreateWindowActions(QWidget* owner, WindowParts& parts)
{
    for (const ActionRow& row : kActions) {
        auto* action = new QAction(QString::fromUtf8(row.caption), owner);
        action->setObjectName(QString::fromLatin1(row.objectName));
        action->setProperty("category", QString::fromLatin1(row.category));
        action->setData(row.tag);
        SetHint(action, QString::fromUtf8(row.hint));
        if (row.image >= 0)
            action->setIcon(ActionIcon(row.image));
        action->setCheckable(row.checkable);
        parts.*row.member = action;
    }
    parts.FolderBarVisibleAct->setChecked(true);

    auto* imageModes = new QActionGroup(owner);
    for (QAction* mode : {parts.IVNoneAct, parts.IVScaleNormalAct, parts.IVAutoScaleLongAct}) {
        imageModes->addAction(mode);
        QObject::connect(mode, &QAction::triggered, owner, [&parts, mode] {
            mode->setChecked(true);
            parts.AppOptions->ImgViewMode = static_cast<uint8_t>(mode->data().toInt());
        });
    }
    const TKvKorvelActions korvel = CreateKorvelActions(owner);
    parts.KvViewHelpHtmlActionSl = korvel.KvViewHelpHtmlActionSl;
    parts.KvAboutActionSl = korvel.KvAboutActionSl;
    parts.KvOpenAppFolderAction1 = korvel.KvOpenAppFolderAction1;
    parts.KvExitAction1 = korvel.KvExitAction1;
}

void ApplyActionRules(const WindowParts& parts, const ActionFacts& facts)
{
    for (const ActionRow& row : kActions) {
        const std::optional<bool> enabled = RuleFact(row.rule, facts);
        QAction* action = parts.*row.member;
        if (enabled && action->isEnabled() != *enabled)
            action->setEnabled(*enabled);
    }
}

void BindRefreshButton(const WindowParts& parts)
{
    QAction* bound = nullptr;
    switch (parts.AppOptions ? parts.AppOptions->RefreshMode : 0) {
    case 0: bound = parts.RefreshAllAct; break;
    case 1: bound = parts.RefreshFoldersAct; break;
    case 2: bound = parts.RefreshFilesAct; break;
    default: return;  // keeps the action it has
    }
    if (parts.TBtnRefresh->defaultAction() != bound)
        parts.TBtnRefresh->setDefaultAction(bound);
}

void CheckImageViewMode(const WindowParts& parts)
{
    if (!parts.AppOptions)
        return;
    QAction* const modes[] = {parts.IVNoneAct, parts.IVScaleNormalAct, parts.IVAutoScaleLongAct};
    const uint8_t mode = parts.AppOptions->ImgViewMode;
    if (mode < std::size(modes) && !modes[mode]->isChecked())
        modes[mode]->setChecked(true);
}
