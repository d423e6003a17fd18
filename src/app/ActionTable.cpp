// The action table of the main window and the rules that enable its
// actions; ActionTable.h says what each part does.
#include "app/ActionTable.h"

#include "app/ActionIcons.h"
#include "app/WindowParts.h"
#include "components/KvActns.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
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
    {&WindowParts::SelectFolderAct, "SelectFolderAct", "File", QT_TRANSLATE_NOOP("Actions", "フォルダを選択(&F)..."), QT_TRANSLATE_NOOP("Actions", "フォルダを選択|フォルダを選択"), -1, false, 0, Rule::None},
    {&WindowParts::OpenShellAct, "OpenShellAct", "File", QT_TRANSLATE_NOOP("Actions", "アプリケーションから開く(&H)"), QT_TRANSLATE_NOOP("Actions", "アプリケーションから開く|選択しているファイルをアプリケーションから開きます。"), -1, false, 0, Rule::RowsSelected},
    {&WindowParts::OpenExplorerAct, "OpenExplorerAct", "File", QT_TRANSLATE_NOOP("Actions", "エクスプローラ(&E)"), QT_TRANSLATE_NOOP("Actions", "エクスプローラ|選択しているファイルをエクスプローラで開きます。"), -1, false, 0, Rule::RowsSelected},
    {&WindowParts::OpenFolderAct, "OpenFolderAct", "File", QT_TRANSLATE_NOOP("Actions", "フォルダを開く(&O)"), QT_TRANSLATE_NOOP("Actions", "フォルダを開く|選択しているファイルのフォルダ、または現在のフォルダを開きます。"), -1, false, 0, Rule::None},
    {&WindowParts::DeleteFileAct, "DeleteFileAct", "File", QT_TRANSLATE_NOOP("Actions", "ファイルを削除(&D)"), QT_TRANSLATE_NOOP("Actions", "ファイルを削除|選択しているファイルを削除します。更新しないとリストに反映されません。"), 17, false, 0, Rule::RowsSelected},
    {&WindowParts::NameCopyAct, "NameCopyAct", "File", QT_TRANSLATE_NOOP("Actions", "ファイル名のコピー(&N)"), QT_TRANSLATE_NOOP("Actions", "ファイル名のコピー|フォーカスのあるファイルのフルパスを、クリップボードにコピーします。"), -1, false, 0, Rule::RowFocused},
    {&WindowParts::SearchFindAct, "SearchFindAct", "Edit", QT_TRANSLATE_NOOP("Actions", "検索(&F)..."), QT_TRANSLATE_NOOP("Actions", "検索|指定された文字列を検索する"), 15, false, 0, Rule::ListHasRows},
    {&WindowParts::SearchFindNextAct, "SearchFindNextAct", "Edit", QT_TRANSLATE_NOOP("Actions", "次を検索(&N)"), QT_TRANSLATE_NOOP("Actions", "次を検索|直前の検索を繰り返す"), 16, false, 0, Rule::ListHasRows},
    {&WindowParts::CopyFileAct, "CopyFileAct", "Edit", QT_TRANSLATE_NOOP("Actions", "フォルダへコピー(&O)..."), QT_TRANSLATE_NOOP("Actions", "フォルダへコピー|選択したファイルをフォルダへコピーします。"), -1, false, 0, Rule::RowsSelected},
    {&WindowParts::MoveFileAct, "MoveFileAct", "Edit", QT_TRANSLATE_NOOP("Actions", "フォルダへ移動(&V)..."), QT_TRANSLATE_NOOP("Actions", "フォルダへ移動|選択したファイルをフォルダへ移動します。"), -1, false, 0, Rule::RowsSelected},
    {&WindowParts::KeepFoldersAct, "KeepFoldersAct", "Edit", QT_TRANSLATE_NOOP("Actions", "元のフォルダ構成を保つ(&K)"), QT_TRANSLATE_NOOP("Actions", "元のフォルダ構成を保つ|フォルダへコピー・移動で、一覧のフォルダからのフォルダ構成をコピー先・移動先に作ります。"), -1, true, 0, Rule::None},
    {&WindowParts::UndoSetAsideAct, "UndoSetAsideAct", "Edit", QT_TRANSLATE_NOOP("Actions", "元に戻す(&U)"), QT_TRANSLATE_NOOP("Actions", "元に戻す|元のフォルダ構成を保って移動したファイルを、元の場所に戻します。"), -1, false, 0, Rule::SetAsideUndoable},
    {&WindowParts::SelectAllAct, "SelectAllAct", "Edit", QT_TRANSLATE_NOOP("Actions", "すべて選択(&A)"), QT_TRANSLATE_NOOP("Actions", "すべて選択|すべてのファイルを選択します。"), -1, false, 0, Rule::ListHasRows},
    {&WindowParts::SelectChangeAct, "SelectChangeAct", "Edit", QT_TRANSLATE_NOOP("Actions", "選択の切り替え(&I)"), QT_TRANSLATE_NOOP("Actions", "選択の切り替え|選択の切り替えを行います。"), -1, false, 0, Rule::ListHasRows},
    {&WindowParts::SelectErrorsActSl, "SelectErrorsActSl", "Edit", QT_TRANSLATE_NOOP("Actions", "エラーを選択(&R)"), QT_TRANSLATE_NOOP("Actions", "エラーを選択|エラーをすべて選択します。エラーチェック後に有効です。"), -1, false, 0, Rule::ListHasRows},
    {&WindowParts::StopAct, "StopAct", "View", QT_TRANSLATE_NOOP("Actions", "中止(&P)"), QT_TRANSLATE_NOOP("Actions", "中止|中止します。"), 3, false, 0, Rule::None},
    {&WindowParts::ColumnsEditAct, "ColumnsEditAct", "View", QT_TRANSLATE_NOOP("Actions", "列の設定(&N)..."), QT_TRANSLATE_NOOP("Actions", "列の設定|列の設定を行います。"), -1, false, 1, Rule::None},
    {&WindowParts::RefreshAct, "RefreshAct", "View", QT_TRANSLATE_NOOP("Actions", "更新(&R)"), QT_TRANSLATE_NOOP("Actions", "更新|更新の種類を選択。"), -1, false, 0, Rule::None},
    {&WindowParts::RefreshAllAct, "RefreshAllAct", "View", QT_TRANSLATE_NOOP("Actions", "最新の情報に更新(&R)"), QT_TRANSLATE_NOOP("Actions", "更新|フォルダとファイルを最新の情報に更新します。"), 4, false, 0, Rule::None},
    {&WindowParts::RefreshFoldersAct, "RefreshFoldersAct", "View", QT_TRANSLATE_NOOP("Actions", "フォルダ情報を更新(&R)"), QT_TRANSLATE_NOOP("Actions", "更新|フォルダのみを最新の情報に更新します。"), 18, false, 1, Rule::None},
    {&WindowParts::RefreshFilesAct, "RefreshFilesAct", "View", QT_TRANSLATE_NOOP("Actions", "ファイル情報を更新(&R)"), QT_TRANSLATE_NOOP("Actions", "更新|ファイルのみを最新の情報に更新します。"), 19, false, 2, Rule::None},
    {&WindowParts::SubFolderSearchAct, "SubFolderSearchAct", "View", QT_TRANSLATE_NOOP("Actions", "サブフォルダも検索(&U)"), QT_TRANSLATE_NOOP("Actions", "サブフォルダも検索|サブフォルダも検索を切り替えます。"), 11, true, 0, Rule::None},
    {&WindowParts::HiddenFileViewAct, "HiddenFileViewAct", "View", QT_TRANSLATE_NOOP("Actions", "隠しファイルを表示(&I)"), QT_TRANSLATE_NOOP("Actions", "隠しファイルを表示|隠しファイルを表示を切り替えます。"), 12, true, 0, Rule::None},
    {&WindowParts::FolderBarVisibleAct, "FolderBarVisibleAct", "View", QT_TRANSLATE_NOOP("Actions", "フォルダ(&F)"), QT_TRANSLATE_NOOP("Actions", "フォルダ|フォルダを表示します。"), 13, true, 0, Rule::None},
    {&WindowParts::DoNowAct, "DoNowAct", "View", QT_TRANSLATE_NOOP("Actions", "すぐにエラーチェック開始(&D)"), QT_TRANSLATE_NOOP("Actions", "すぐにエラーチェック開始|すぐにエラーチェック開始を切り替えます。"), 14, true, 0, Rule::None},
    {&WindowParts::MoveAct, "MoveAct", "Move", QT_TRANSLATE_NOOP("Actions", "移動(&M)"), QT_TRANSLATE_NOOP("Actions", "移動|いろいろな移動を選択します。"), -1, false, 0, Rule::None},
    {&WindowParts::BackAct, "BackAct", "Move", QT_TRANSLATE_NOOP("Actions", "戻る(&B)"), QT_TRANSLATE_NOOP("Actions", "戻る|前に戻ります。"), 0, false, 0, Rule::HistoryBack},
    {&WindowParts::ForwardAct, "ForwardAct", "Move", QT_TRANSLATE_NOOP("Actions", "進む(&F)"), QT_TRANSLATE_NOOP("Actions", "進む|次に進みます。"), 1, false, 0, Rule::HistoryForward},
    {&WindowParts::UpFolderAct, "UpFolderAct", "Move", QT_TRANSLATE_NOOP("Actions", "1 つ上のフォルダへ(&U)"), QT_TRANSLATE_NOOP("Actions", "上へ|現在開いているフォルダの、1 つ上のフォルダに移動します。"), 2, false, 0, Rule::None},
    {&WindowParts::MoveThisFolderAct, "MoveThisFolderAct", "Move", QT_TRANSLATE_NOOP("Actions", "このフォルダに移動(&M)"), QT_TRANSLATE_NOOP("Actions", "このフォルダに移動|フォーカスのあるファイルのフォルダに移動します。"), -1, false, 0, Rule::RowFocused},
    {&WindowParts::GoAct, "GoAct", "Others", "", QT_TRANSLATE_NOOP("Actions", "移動|指定したフォルダに移動します。"), 8, false, 0, Rule::None},
    {&WindowParts::FocusAddressAct, "FocusAddressAct", "Others", QT_TRANSLATE_NOOP("Actions", "アドレス バー(&D)"), QT_TRANSLATE_NOOP("Actions", "アドレス バー|フォルダを入力するアドレス バーに移ります。"), -1, false, 0, Rule::None},
    {&WindowParts::ActRecentEdit, "ActRecentEdit", "Tools", QT_TRANSLATE_NOOP("Actions", "履歴の編集(&E)..."), QT_TRANSLATE_NOOP("Actions", "履歴の編集|履歴の編集"), -1, false, 0, Rule::None},
    {&WindowParts::OptionDetailAct, "OptionDetailAct", "QvTools", QT_TRANSLATE_NOOP("Actions", "オプション(&O)..."), QT_TRANSLATE_NOOP("Actions", "オプション|オプションダイアログを開きます。"), 5, false, 0, Rule::None},
    {&WindowParts::JpegErrorCheckAllAct, "JpegErrorCheckAllAct", "SlRun", QT_TRANSLATE_NOOP("Actions", "すべてエラーチェック(&E)"), QT_TRANSLATE_NOOP("Actions", "すべてエラーチェック|すべてエラーチェック"), 20, false, 0, Rule::ListHasRows},
    {&WindowParts::DeepCheckAct, "DeepCheckAct", "SlRun", QT_TRANSLATE_NOOP("Actions", "画像データも検査する(&D)"), QT_TRANSLATE_NOOP("Actions", "画像データも検査する|エラーチェックで画像データも復号して検査します。"), -1, true, 0, Rule::None},
    {&WindowParts::IVNoneAct, "IVNoneAct", "ViewImage", QT_TRANSLATE_NOOP("Actions", "表示しない(&N)"), QT_TRANSLATE_NOOP("Actions", "表示しない|表示しない"), -1, true, 0, Rule::None},
    {&WindowParts::IVScaleNormalAct, "IVScaleNormalAct", "ViewImage", QT_TRANSLATE_NOOP("Actions", "実寸表示(&1)"), QT_TRANSLATE_NOOP("Actions", "実寸表示|実寸表示"), -1, true, 1, Rule::None},
    {&WindowParts::IVAutoScaleLongAct, "IVAutoScaleLongAct", "ViewImage", QT_TRANSLATE_NOOP("Actions", "自動倍率(&L)"), QT_TRANSLATE_NOOP("Actions", "自動倍率|自動倍率"), -1, true, 2, Rule::None},
    {&WindowParts::ImgLoadAct, "ImgLoadAct", "ImgView", "", "", -1, false, 0, Rule::None},
    {&WindowParts::ImgCloseAct, "ImgCloseAct", "ImgView", QT_TRANSLATE_NOOP("Actions", "画像を閉じる(&L)"), QT_TRANSLATE_NOOP("Actions", "画像を閉じる|表示している画像を閉じます。"), -1, false, 0, Rule::ImageShownOrLoading},
    {&WindowParts::ImgCopyAct, "ImgCopyAct", "ImgView", QT_TRANSLATE_NOOP("Actions", "画像のコピー(&C)"), QT_TRANSLATE_NOOP("Actions", "画像のコピー|表示している画像を実寸でクリップボードにコピーします。"), -1, false, 0, Rule::ImageShown},
    {&WindowParts::ImgNameCopyAct, "ImgNameCopyAct", "ImgView", QT_TRANSLATE_NOOP("Actions", "画像ファイル名のコピー(&N)"), QT_TRANSLATE_NOOP("Actions", "画像ファイル名のコピー|表示している画像ファイルのフルパスをクリップボードにコピーします。"), -1, false, 0, Rule::ImageShown},
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
        auto* action = new QAction(QCoreApplication::translate("Actions", row.caption), owner);
        action->setObjectName(QString::fromLatin1(row.objectName));
        action->setProperty("category", QString::fromLatin1(row.category));
        action->setData(row.tag);
        SetHint(action, QCoreApplication::translate("Actions", row.hint));
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
