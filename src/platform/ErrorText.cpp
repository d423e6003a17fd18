#include "platform/ErrorText.h"

#include <cerrno>
#include <cstring>

std::string ErrorText(int error)
{
    switch (error) {
    case ENOENT: return "ファイルまたはフォルダがありません";
    case ENOTDIR: return "フォルダではありません";
    case EISDIR: return "フォルダです";
    case EACCES: return "アクセスが拒否されました";
    case EPERM: return "この操作は許可されていません";
    case EROFS: return "読み取り専用のファイルシステムです";
    case ENOSPC: return "ディスクの空き領域が足りません";
    case EDQUOT: return "ディスク使用量の制限を超えました";
    case EXDEV: return "別のファイルシステムへは移せません";
    case EIO: return "入出力エラーが起きました";
    case ENAMETOOLONG: return "名前が長すぎます";
    case EEXIST: return "同じ名前のものがすでにあります";
    case EBUSY: return "使用中です";
    case ENOTEMPTY: return "フォルダが空ではありません";
    case EMFILE:
    case ENFILE: return "開いているファイルが多すぎます";
    case ELOOP: return "シンボリックリンクの参照が多すぎます";
    case EFBIG: return "ファイルが大きすぎます";
    case ETXTBSY: return "実行中のファイルです";
    case EINVAL: return "正しくない指定です";
    default: return std::strerror(error);
    }
}
