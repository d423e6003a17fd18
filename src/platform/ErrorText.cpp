#include "platform/ErrorText.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstring>

namespace {

std::string Translated(const char* text)
{
    return QCoreApplication::translate("ErrorText", text).toStdString();
}

}  // namespace

std::string ErrorText(int error)
{
    switch (error) {
    case ENOENT: return Translated(QT_TRANSLATE_NOOP("ErrorText", "ファイルまたはフォルダがありません"));
    case ENOTDIR: return Translated(QT_TRANSLATE_NOOP("ErrorText", "フォルダではありません"));
    case EISDIR: return Translated(QT_TRANSLATE_NOOP("ErrorText", "フォルダです"));
    case EACCES: return Translated(QT_TRANSLATE_NOOP("ErrorText", "アクセスが拒否されました"));
    case EPERM: return Translated(QT_TRANSLATE_NOOP("ErrorText", "この操作は許可されていません"));
    case EROFS: return Translated(QT_TRANSLATE_NOOP("ErrorText", "読み取り専用のファイルシステムです"));
    case ENOSPC: return Translated(QT_TRANSLATE_NOOP("ErrorText", "ディスクの空き領域が足りません"));
    case EDQUOT: return Translated(QT_TRANSLATE_NOOP("ErrorText", "ディスク使用量の制限を超えました"));
    case EXDEV: return Translated(QT_TRANSLATE_NOOP("ErrorText", "別のファイルシステムへは移せません"));
    case EIO: return Translated(QT_TRANSLATE_NOOP("ErrorText", "入出力エラーが起きました"));
    case ENAMETOOLONG: return Translated(QT_TRANSLATE_NOOP("ErrorText", "名前が長すぎます"));
    case EEXIST: return Translated(QT_TRANSLATE_NOOP("ErrorText", "同じ名前のものがすでにあります"));
    case EBUSY: return Translated(QT_TRANSLATE_NOOP("ErrorText", "使用中です"));
    case ENOTEMPTY: return Translated(QT_TRANSLATE_NOOP("ErrorText", "フォルダが空ではありません"));
    case EMFILE:
    case ENFILE: return Translated(QT_TRANSLATE_NOOP("ErrorText", "開いているファイルが多すぎます"));
    case ELOOP: return Translated(QT_TRANSLATE_NOOP("ErrorText", "シンボリックリンクの参照が多すぎます"));
    case EFBIG: return Translated(QT_TRANSLATE_NOOP("ErrorText", "ファイルが大きすぎます"));
    case ETXTBSY: return Translated(QT_TRANSLATE_NOOP("ErrorText", "実行中のファイルです"));
    case EINVAL: return Translated(QT_TRANSLATE_NOOP("ErrorText", "正しくない指定です"));
    default: return std::strerror(error);
    }
}
