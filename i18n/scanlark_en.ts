<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>About</name>
    <message>
        <source>ホームページ</source>
        <translation>Home page</translation>
    </message>
    <message>
        <source>メール</source>
        <translation>Mail</translation>
    </message>
    <message>
        <source>%1 のバージョン情報</source>
        <translation>About %1</translation>
    </message>
</context>
<context>
    <name>Actions</name>
    <message>
        <source>ヘルプファイル %1 が見つかりません。
探した場所:</source>
        <translation>The help file %1 was not found.
Looked in:</translation>
    </message>
    <message>
        <source>ヘルプファイルを開けません。
%1
HTML を開くプログラム(ブラウザ)が設定されているか確認してください。</source>
        <translation>The help file cannot be opened.
%1
Check that a program (a browser) is set to open HTML files.</translation>
    </message>
    <message>
        <source>注意</source>
        <translation>Attention</translation>
    </message>
    <message>
        <source>ヘルプ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>ヘルプ|ヘルプのHTMLを開きます。</source>
        <translation>Help|Opens the help page.</translation>
    </message>
    <message>
        <source>slhelp/index.html</source>
        <translation>slhelp/index.en.html</translation>
    </message>
    <message>
        <source>バージョン情報(&amp;A)</source>
        <translation>&amp;About</translation>
    </message>
    <message>
        <source>バージョン情報|バージョン情報を表示します。</source>
        <translation>About|Shows the version information.</translation>
    </message>
    <message>
        <source>JPEG画像の表示には Independent JPEG Group のコードを使用しています。</source>
        <translation>JPEG pictures are shown with code from the Independent JPEG Group.</translation>
    </message>
    <message>
        <source>アプリケーションのフォルダを開く(&amp;O)</source>
        <translation>&amp;Open the Application Folder</translation>
    </message>
    <message>
        <source>アプリケーションのフォルダを開く|アプリケーションのフォルダを開く</source>
        <translation>Open the Application Folder|Opens the folder the program is in.</translation>
    </message>
    <message>
        <source>終了(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>終了|アプリケーションを終了します。</source>
        <translation>Exit|Closes the program.</translation>
    </message>
    <message>
        <source>フォルダを選択(&amp;F)...</source>
        <translation>Select &amp;Folder...</translation>
    </message>
    <message>
        <source>フォルダを選択|フォルダを選択</source>
        <translation>Select Folder|Selects a folder.</translation>
    </message>
    <message>
        <source>アプリケーションから開く(&amp;H)</source>
        <translation>Open wit&amp;h Application</translation>
    </message>
    <message>
        <source>アプリケーションから開く|選択しているファイルをアプリケーションから開きます。</source>
        <translation>Open with Application|Opens the selected files with their application.</translation>
    </message>
    <message>
        <source>エクスプローラ(&amp;E)</source>
        <translation>File Manag&amp;er</translation>
    </message>
    <message>
        <source>エクスプローラ|選択しているファイルをエクスプローラで開きます。</source>
        <translation>File Manager|Shows the selected files in the file manager.</translation>
    </message>
    <message>
        <source>フォルダを開く(&amp;O)</source>
        <translation>&amp;Open Folder</translation>
    </message>
    <message>
        <source>フォルダを開く|選択しているファイルのフォルダ、または現在のフォルダを開きます。</source>
        <translation>Open Folder|Opens the folder of the selected files, or the current folder.</translation>
    </message>
    <message>
        <source>ファイルを削除(&amp;D)</source>
        <translation>&amp;Delete Files</translation>
    </message>
    <message>
        <source>ファイルを削除|選択しているファイルを削除します。更新しないとリストに反映されません。</source>
        <translation>Delete Files|Deletes the selected files. The list shows it after a refresh.</translation>
    </message>
    <message>
        <source>ファイル名のコピー(&amp;N)</source>
        <translation>Copy File &amp;Name</translation>
    </message>
    <message>
        <source>ファイル名のコピー|フォーカスのあるファイルのフルパスを、クリップボードにコピーします。</source>
        <translation>Copy File Name|Copies the full path of the focused file to the clipboard.</translation>
    </message>
    <message>
        <source>検索(&amp;F)...</source>
        <translation>&amp;Find...</translation>
    </message>
    <message>
        <source>検索|指定された文字列を検索する</source>
        <translation>Find|Finds the given text.</translation>
    </message>
    <message>
        <source>次を検索(&amp;N)</source>
        <translation>Find &amp;Next</translation>
    </message>
    <message>
        <source>次を検索|直前の検索を繰り返す</source>
        <translation>Find Next|Repeats the last search.</translation>
    </message>
    <message>
        <source>フォルダへコピー(&amp;O)...</source>
        <translation>C&amp;opy to Folder...</translation>
    </message>
    <message>
        <source>フォルダへコピー|選択したファイルをフォルダへコピーします。</source>
        <translation>Copy to Folder|Copies the selected files to a folder.</translation>
    </message>
    <message>
        <source>フォルダへ移動(&amp;V)...</source>
        <translation>Mo&amp;ve to Folder...</translation>
    </message>
    <message>
        <source>フォルダへ移動|選択したファイルをフォルダへ移動します。</source>
        <translation>Move to Folder|Moves the selected files to a folder.</translation>
    </message>
    <message>
        <source>すべて選択(&amp;A)</source>
        <translation>Select &amp;All</translation>
    </message>
    <message>
        <source>すべて選択|すべてのファイルを選択します。</source>
        <translation>Select All|Selects every file.</translation>
    </message>
    <message>
        <source>選択の切り替え(&amp;I)</source>
        <translation>&amp;Invert Selection</translation>
    </message>
    <message>
        <source>選択の切り替え|選択の切り替えを行います。</source>
        <translation>Invert Selection|Inverts the selection.</translation>
    </message>
    <message>
        <source>エラーを選択(&amp;R)</source>
        <translation>Select E&amp;rrors</translation>
    </message>
    <message>
        <source>エラーを選択|エラーをすべて選択します。エラーチェック後に有効です。</source>
        <translation>Select Errors|Selects every file with an error. Works after a check.</translation>
    </message>
    <message>
        <source>中止(&amp;P)</source>
        <translation>Sto&amp;p</translation>
    </message>
    <message>
        <source>中止|中止します。</source>
        <translation>Stop|Stops.</translation>
    </message>
    <message>
        <source>列の設定(&amp;N)...</source>
        <translation>Colum&amp;ns...</translation>
    </message>
    <message>
        <source>列の設定|列の設定を行います。</source>
        <translation>Columns|Sets up the columns.</translation>
    </message>
    <message>
        <source>更新(&amp;R)</source>
        <translation>&amp;Refresh</translation>
    </message>
    <message>
        <source>更新|更新の種類を選択。</source>
        <translation>Refresh|Chooses what to refresh.</translation>
    </message>
    <message>
        <source>最新の情報に更新(&amp;R)</source>
        <translation>&amp;Refresh All</translation>
    </message>
    <message>
        <source>更新|フォルダとファイルを最新の情報に更新します。</source>
        <translation>Refresh|Refreshes folders and files.</translation>
    </message>
    <message>
        <source>フォルダ情報を更新(&amp;R)</source>
        <translation>&amp;Refresh Folders</translation>
    </message>
    <message>
        <source>更新|フォルダのみを最新の情報に更新します。</source>
        <translation>Refresh|Refreshes the folders only.</translation>
    </message>
    <message>
        <source>ファイル情報を更新(&amp;R)</source>
        <translation>&amp;Refresh Files</translation>
    </message>
    <message>
        <source>更新|ファイルのみを最新の情報に更新します。</source>
        <translation>Refresh|Refreshes the files only.</translation>
    </message>
    <message>
        <source>サブフォルダも検索(&amp;U)</source>
        <translation>Include S&amp;ubfolders</translation>
    </message>
    <message>
        <source>サブフォルダも検索|サブフォルダも検索を切り替えます。</source>
        <translation>Include Subfolders|Turns listing subfolders on or off.</translation>
    </message>
    <message>
        <source>隠しファイルを表示(&amp;I)</source>
        <translation>Show H&amp;idden Files</translation>
    </message>
    <message>
        <source>隠しファイルを表示|隠しファイルを表示を切り替えます。</source>
        <translation>Show Hidden Files|Turns showing hidden files on or off.</translation>
    </message>
    <message>
        <source>フォルダ(&amp;F)</source>
        <translation>&amp;Folders</translation>
    </message>
    <message>
        <source>フォルダ|フォルダを表示します。</source>
        <translation>Folders|Shows the folder tree.</translation>
    </message>
    <message>
        <source>すぐにエラーチェック開始(&amp;D)</source>
        <translation>Check Imme&amp;diately</translation>
    </message>
    <message>
        <source>すぐにエラーチェック開始|すぐにエラーチェック開始を切り替えます。</source>
        <translation>Check Immediately|Turns checking as soon as a folder is listed on or off.</translation>
    </message>
    <message>
        <source>移動(&amp;M)</source>
        <translation>&amp;Go</translation>
    </message>
    <message>
        <source>移動|いろいろな移動を選択します。</source>
        <translation>Go|Chooses where to go.</translation>
    </message>
    <message>
        <source>戻る(&amp;B)</source>
        <translation>&amp;Back</translation>
    </message>
    <message>
        <source>戻る|前に戻ります。</source>
        <translation>Back|Goes back.</translation>
    </message>
    <message>
        <source>進む(&amp;F)</source>
        <translation>&amp;Forward</translation>
    </message>
    <message>
        <source>進む|次に進みます。</source>
        <translation>Forward|Goes forward.</translation>
    </message>
    <message>
        <source>1 つ上のフォルダへ(&amp;U)</source>
        <translation>&amp;Up One Folder</translation>
    </message>
    <message>
        <source>上へ|現在開いているフォルダの、1 つ上のフォルダに移動します。</source>
        <translation>Up|Goes to the folder above the open one.</translation>
    </message>
    <message>
        <source>このフォルダに移動(&amp;M)</source>
        <translation>Go to This Folder (&amp;M)</translation>
    </message>
    <message>
        <source>このフォルダに移動|フォーカスのあるファイルのフォルダに移動します。</source>
        <translation>Go to This Folder|Goes to the folder of the focused file.</translation>
    </message>
    <message>
        <source>移動|指定したフォルダに移動します。</source>
        <translation>Go|Goes to the folder typed.</translation>
    </message>
    <message>
        <source>履歴の編集(&amp;E)...</source>
        <translation>&amp;Edit History...</translation>
    </message>
    <message>
        <source>履歴の編集|履歴の編集</source>
        <translation>Edit History|Edits the history.</translation>
    </message>
    <message>
        <source>オプション(&amp;O)...</source>
        <translation>&amp;Options...</translation>
    </message>
    <message>
        <source>オプション|オプションダイアログを開きます。</source>
        <translation>Options|Opens the options dialog.</translation>
    </message>
    <message>
        <source>すべてエラーチェック(&amp;E)</source>
        <translation>Check &amp;All</translation>
    </message>
    <message>
        <source>すべてエラーチェック|すべてエラーチェック</source>
        <translation>Check All|Checks every file.</translation>
    </message>
    <message>
        <source>表示しない(&amp;N)</source>
        <translation>&amp;None</translation>
    </message>
    <message>
        <source>表示しない|表示しない</source>
        <translation>None|No preview.</translation>
    </message>
    <message>
        <source>実寸表示(&amp;1)</source>
        <translation>Actual Size (&amp;1)</translation>
    </message>
    <message>
        <source>実寸表示|実寸表示</source>
        <translation>Actual Size|Shows the picture at its actual size.</translation>
    </message>
    <message>
        <source>自動倍率(&amp;L)</source>
        <translation>Fit to Pane (&amp;L)</translation>
    </message>
    <message>
        <source>自動倍率|自動倍率</source>
        <translation>Fit to Pane|Fits the picture to the pane.</translation>
    </message>
    <message>
        <source>画像を閉じる(&amp;L)</source>
        <translation>C&amp;lose Picture</translation>
    </message>
    <message>
        <source>画像を閉じる|表示している画像を閉じます。</source>
        <translation>Close Picture|Closes the picture shown.</translation>
    </message>
    <message>
        <source>画像のコピー(&amp;C)</source>
        <translation>&amp;Copy Picture</translation>
    </message>
    <message>
        <source>画像のコピー|表示している画像を実寸でクリップボードにコピーします。</source>
        <translation>Copy Picture|Copies the picture shown, at actual size, to the clipboard.</translation>
    </message>
    <message>
        <source>画像ファイル名のコピー(&amp;N)</source>
        <translation>Copy Picture File &amp;Name</translation>
    </message>
    <message>
        <source>画像ファイル名のコピー|表示している画像ファイルのフルパスをクリップボードにコピーします。</source>
        <translation>Copy Picture File Name|Copies the full path of the picture shown to the clipboard.</translation>
    </message>
    <message>
        <source>元のフォルダ構成を保つ(&amp;K)</source>
        <translation>&amp;Keep Folder Structure</translation>
    </message>
    <message>
        <source>元のフォルダ構成を保つ|フォルダへコピー・移動で、一覧のフォルダからのフォルダ構成をコピー先・移動先に作ります。</source>
        <translation>Keep Folder Structure|Copy to Folder and Move to Folder recreate the folders below the listed folder in the destination.</translation>
    </message>
    <message>
        <source>元に戻す(&amp;U)</source>
        <translation>&amp;Undo</translation>
    </message>
    <message>
        <source>元に戻す|元のフォルダ構成を保って移動したファイルを、元の場所に戻します。</source>
        <translation>Undo|Moves the files of the last move that kept the folder structure back to where they were.</translation>
    </message>
    <message>
        <source>画像データも検査する(&amp;D)</source>
        <translation>Also Check Image &amp;Data</translation>
    </message>
    <message>
        <source>画像データも検査する|エラーチェックで画像データも復号して検査します。</source>
        <translation>Also Check Image Data|The check also decodes and checks the image data.</translation>
    </message>
    <message>
        <source>アドレス バー(&amp;D)</source>
        <translation>A&amp;ddress Bar</translation>
    </message>
    <message>
        <source>アドレス バー|フォルダを入力するアドレス バーに移ります。</source>
        <translation>Address Bar|Moves to the address bar, where you type a folder.</translation>
    </message>
</context>
<context>
    <name>CellTexts</name>
    <message>
        <source>正常</source>
        <translation>Sound</translation>
    </message>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>破損</source>
        <translation>Damaged</translation>
    </message>
    <message>
        <source>復号不可</source>
        <translation>Not decoded</translation>
    </message>
    <message>
        <source>JPEG 画像</source>
        <translation>JPEG image</translation>
    </message>
    <message>
        <source>MPF 画像</source>
        <translation>MPF image</translation>
    </message>
    <message>
        <source>MP4 動画</source>
        <translation>MP4 video</translation>
    </message>
    <message>
        <source>ZIP 書庫</source>
        <translation>ZIP archive</translation>
    </message>
    <message>
        <source>ゼロ</source>
        <translation>Zeros</translation>
    </message>
    <message>
        <source>テキスト</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>不明なデータ</source>
        <translation>Unknown data</translation>
    </message>
    <message>
        <source>画像データが破損しています</source>
        <translation>The image data is damaged</translation>
    </message>
    <message>
        <source>%1 (%2 バイト)</source>
        <translation>%1 (%2 bytes)</translation>
    </message>
</context>
<context>
    <name>Columns</name>
    <message>
        <source>名前</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>フルファイル名</source>
        <translation>Full File Name</translation>
    </message>
    <message>
        <source>フォルダ名</source>
        <translation>Folder</translation>
    </message>
    <message>
        <source>フォルダ名のみ</source>
        <translation>Folder Name Only</translation>
    </message>
    <message>
        <source>発見順</source>
        <translation>Found</translation>
    </message>
    <message>
        <source>サイズ</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>詳細サイズ</source>
        <translation>Exact Size</translation>
    </message>
    <message>
        <source>種類</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>更新日時</source>
        <translation>Modified</translation>
    </message>
    <message>
        <source>属性</source>
        <translation>Attributes</translation>
    </message>
    <message>
        <source>作成日時</source>
        <translation>Created</translation>
    </message>
    <message>
        <source>アクセス日時</source>
        <translation>Accessed</translation>
    </message>
    <message>
        <source>エラー</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>付加バイナリ</source>
        <translation>Appended</translation>
    </message>
    <message>
        <source>フォーマット</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>Macバイナリ</source>
        <translation>MacBinary</translation>
    </message>
    <message>
        <source>グレイスケール</source>
        <translation>Greyscale</translation>
    </message>
    <message>
        <source>横ピクセル</source>
        <translation>Width</translation>
    </message>
    <message>
        <source>縦ピクセル</source>
        <translation>Height</translation>
    </message>
    <message>
        <source>横ピクセル(サムネイル)</source>
        <translation>Thumbnail Width</translation>
    </message>
    <message>
        <source>縦ピクセル(サムネイル)</source>
        <translation>Thumbnail Height</translation>
    </message>
    <message>
        <source>バージョン</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>コメント</source>
        <translation>Comment</translation>
    </message>
    <message>
        <source>推定圧縮品質(1-100)</source>
        <translation>Estimated Quality (1-100)</translation>
    </message>
    <message>
        <source>IJG圧縮品質(1-100)</source>
        <translation>IJG Quality (1-100)</translation>
    </message>
    <message>
        <source>画像データ</source>
        <translation>Image Data</translation>
    </message>
    <message>
        <source>無傷の割合</source>
        <translation>Sound Share</translation>
    </message>
    <message>
        <source>破損開始行</source>
        <translation>First Damaged Row</translation>
    </message>
    <message>
        <source>付加データ</source>
        <translation>Appended Data</translation>
    </message>
</context>
<context>
    <name>ErrorText</name>
    <message>
        <source>ファイルまたはフォルダがありません</source>
        <translation>No such file or folder</translation>
    </message>
    <message>
        <source>フォルダではありません</source>
        <translation>Not a folder</translation>
    </message>
    <message>
        <source>フォルダです</source>
        <translation>Is a folder</translation>
    </message>
    <message>
        <source>アクセスが拒否されました</source>
        <translation>Permission denied</translation>
    </message>
    <message>
        <source>この操作は許可されていません</source>
        <translation>Operation not permitted</translation>
    </message>
    <message>
        <source>読み取り専用のファイルシステムです</source>
        <translation>Read-only file system</translation>
    </message>
    <message>
        <source>ディスクの空き領域が足りません</source>
        <translation>No space left on the disk</translation>
    </message>
    <message>
        <source>ディスク使用量の制限を超えました</source>
        <translation>Disk quota exceeded</translation>
    </message>
    <message>
        <source>別のファイルシステムへは移せません</source>
        <translation>Cannot move to another file system</translation>
    </message>
    <message>
        <source>入出力エラーが起きました</source>
        <translation>Input/output error</translation>
    </message>
    <message>
        <source>名前が長すぎます</source>
        <translation>Name too long</translation>
    </message>
    <message>
        <source>同じ名前のものがすでにあります</source>
        <translation>Something of that name already exists</translation>
    </message>
    <message>
        <source>使用中です</source>
        <translation>In use</translation>
    </message>
    <message>
        <source>フォルダが空ではありません</source>
        <translation>Folder not empty</translation>
    </message>
    <message>
        <source>開いているファイルが多すぎます</source>
        <translation>Too many open files</translation>
    </message>
    <message>
        <source>シンボリックリンクの参照が多すぎます</source>
        <translation>Too many levels of symbolic links</translation>
    </message>
    <message>
        <source>ファイルが大きすぎます</source>
        <translation>File too large</translation>
    </message>
    <message>
        <source>実行中のファイルです</source>
        <translation>File is being executed</translation>
    </message>
    <message>
        <source>正しくない指定です</source>
        <translation>Invalid argument</translation>
    </message>
</context>
<context>
    <name>FileOperationDialogs</name>
    <message>
        <source>ファイルのコピー</source>
        <translation>Copy Files</translation>
    </message>
    <message>
        <source>コピー</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>コピーしています...</source>
        <translation>Copying...</translation>
    </message>
    <message>
        <source>ファイルの移動</source>
        <translation>Move Files</translation>
    </message>
    <message>
        <source>移動</source>
        <translation>Move</translation>
    </message>
    <message>
        <source>移動しています...</source>
        <translation>Moving...</translation>
    </message>
    <message>
        <source>ごみ箱へ移動</source>
        <translation>Move to Trash</translation>
    </message>
    <message>
        <source>ごみ箱へ移動しています...</source>
        <translation>Moving to the trash...</translation>
    </message>
    <message>
        <source>ファイルの削除</source>
        <translation>Delete Files</translation>
    </message>
    <message>
        <source>削除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>削除しています...</source>
        <translation>Deleting...</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>%1 / %2 ファイル</source>
        <translation>%1 / %2 files</translation>
    </message>
    <message>
        <source>  (このファイル %1 / %2)</source>
        <translation>  (this file %1 / %2)</translation>
    </message>
    <message>
        <source>  全体 %1%</source>
        <translation>  overall %1%</translation>
    </message>
    <message>
        <source>キャンセルしています...</source>
        <translation>Cancelling...</translation>
    </message>
    <message>
        <source>(不明)</source>
        <translation>(unknown)</translation>
    </message>
    <message>
        <source>%1、%2</source>
        <translation>%1, %2</translation>
    </message>
    <message>
        <source>ファイル名の重複</source>
        <translation>File Name Clash</translation>
    </message>
    <message>
        <source>%1先に「%2」という名前のファイルがすでにあります。
置き換えますか?</source>
        <translation>%1: the destination already holds a file named “%2”.
Replace it?</translation>
    </message>
    <message>
        <source>置き換えられるファイル: %1
    (%2)
%3するファイル: %4
    (%5)
置き換えられるファイルはごみ箱に移動します。</source>
        <translation>File to be replaced: %1
    (%2)
File to %3: %4
    (%5)
The replaced file goes to the trash.</translation>
    </message>
    <message>
        <source>上書き(&amp;O)</source>
        <translation>&amp;Overwrite</translation>
    </message>
    <message>
        <source>両方とも残す(&amp;K)</source>
        <translation>&amp;Keep Both</translation>
    </message>
    <message>
        <source>スキップ(&amp;S)</source>
        <translation>&amp;Skip</translation>
    </message>
    <message>
        <source>以降のすべての重複に同じ処理を行う(&amp;A)</source>
        <translation>Do the same for &amp;all further clashes</translation>
    </message>
    <message>
        <source>「%1」をごみ箱に移動できません。上書きすると元に戻せません。
上書きしますか?</source>
        <translation>“%1” cannot be moved to the trash. Overwriting it cannot be undone.
Overwrite it?</translation>
    </message>
    <message>
        <source>%1できなかったファイルがあります (%2 個)。</source>
        <translation>%1 failed for some files (%2).</translation>
    </message>
    <message>
        <source>ファイル</source>
        <translation>File</translation>
    </message>
    <message>
        <source>理由</source>
        <translation>Reason</translation>
    </message>
    <message>
        <source>「%1」</source>
        <translation>“%1”</translation>
    </message>
    <message>
        <source>%1 個のファイル</source>
        <translation>%1 files</translation>
    </message>
    <message>
        <source>%1をごみ箱に移動しますか?</source>
        <translation>Move %1 to the trash?</translation>
    </message>
    <message>
        <source>%1を完全に削除しますか?
この操作は元に戻せません。</source>
        <translation>Delete %1 for good?
This cannot be undone.</translation>
    </message>
</context>
<context>
    <name>FileOperations</name>
    <message>
        <source>コピーできません</source>
        <translation>Cannot copy</translation>
    </message>
    <message>
        <source>コピー元を読み込めません</source>
        <translation>Cannot read the source</translation>
    </message>
    <message>
        <source>コピー先に書き込めません</source>
        <translation>Cannot write the destination</translation>
    </message>
    <message>
        <source>コピーしたファイルのサイズが元と違います</source>
        <translation>The copy&apos;s size differs from the original&apos;s</translation>
    </message>
    <message>
        <source>通常のファイルではありません</source>
        <translation>Not a regular file</translation>
    </message>
    <message>
        <source>上書きしませんでした: </source>
        <translation>Not overwritten: </translation>
    </message>
    <message>
        <source>コピー元を開けません</source>
        <translation>Cannot open the source</translation>
    </message>
    <message>
        <source>コピー先にファイルを作れません</source>
        <translation>Cannot create a file at the destination</translation>
    </message>
    <message>
        <source>コピー先に置けません</source>
        <translation>Cannot put the file at the destination</translation>
    </message>
    <message>
        <source>ファイル名が正しくありません</source>
        <translation>Invalid file name</translation>
    </message>
    <message>
        <source>コピー元がありません</source>
        <translation>The source is missing</translation>
    </message>
    <message>
        <source>コピー元とコピー先が同じファイルです</source>
        <translation>Source and destination are the same file</translation>
    </message>
    <message>
        <source>コピー先に同じ名前のフォルダがあります</source>
        <translation>A folder of the same name is at the destination</translation>
    </message>
    <message>
        <source>コピー先に空いている名前がありません</source>
        <translation>No free name at the destination</translation>
    </message>
    <message>
        <source>移動できません</source>
        <translation>Cannot move</translation>
    </message>
    <message>
        <source>別のファイルシステムへは通常のファイルしか移動できません</source>
        <translation>Only regular files can be moved to another file system</translation>
    </message>
    <message>
        <source>コピーしましたが移動元を削除できません</source>
        <translation>Copied, but the original cannot be removed</translation>
    </message>
    <message>
        <source>コピー先フォルダが正しくありません</source>
        <translation>Invalid destination folder</translation>
    </message>
    <message>
        <source>削除するファイルがありません</source>
        <translation>The file to delete is missing</translation>
    </message>
    <message>
        <source>ファイルではないので削除しません</source>
        <translation>Not a file, so not deleted</translation>
    </message>
    <message>
        <source>削除できません</source>
        <translation>Cannot delete</translation>
    </message>
    <message>
        <source>記録の場所が正しくありません</source>
        <translation>The record names an invalid place</translation>
    </message>
    <message>
        <source>ファイルがありません</source>
        <translation>The file is missing</translation>
    </message>
    <message>
        <source>記録のあとで内容が変わっています</source>
        <translation>The content changed after it was recorded</translation>
    </message>
    <message>
        <source>ファイルを読めません</source>
        <translation>The file cannot be read</translation>
    </message>
    <message>
        <source>記録のあとで内容が変わっています (SHA-256)</source>
        <translation>The content changed after it was recorded (SHA-256)</translation>
    </message>
    <message>
        <source>元の場所に別のファイルがあります</source>
        <translation>Another file is in the original place</translation>
    </message>
    <message>
        <source>元のフォルダを作成できません</source>
        <translation>The original folder cannot be created</translation>
    </message>
    <message>
        <source>コピー先のフォルダを作成できません</source>
        <translation>The destination folder cannot be created</translation>
    </message>
    <message>
        <source>記録を書き込めません</source>
        <translation>The record cannot be written</translation>
    </message>
    <message>
        <source>記録を読めません</source>
        <translation>The record cannot be read</translation>
    </message>
    <message>
        <source>記録を削除できません</source>
        <translation>The record cannot be removed</translation>
    </message>
</context>
<context>
    <name>FindDialog</name>
    <message>
        <source>検索</source>
        <translation>Find</translation>
    </message>
    <message>
        <source>検索する文字列(&amp;N):</source>
        <translation>Fi&amp;nd what:</translation>
    </message>
    <message>
        <source>大文字と小文字を区別する(&amp;C)</source>
        <translation>Match &amp;case</translation>
    </message>
    <message>
        <source>単語単位で探す(&amp;W)</source>
        <translation>Match &amp;whole word only</translation>
    </message>
    <message>
        <source>検索する方向</source>
        <translation>Direction</translation>
    </message>
    <message>
        <source>上へ(&amp;U)</source>
        <translation>&amp;Up</translation>
    </message>
    <message>
        <source>下へ(&amp;D)</source>
        <translation>&amp;Down</translation>
    </message>
    <message>
        <source>次を検索(&amp;F)</source>
        <translation>&amp;Find Next</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>HistoryEditor</name>
    <message>
        <source>リストエディター</source>
        <translation>List Editor</translation>
    </message>
    <message>
        <source>順番</source>
        <translation>Order</translation>
    </message>
    <message>
        <source>フォルダ名</source>
        <translation>Folder</translation>
    </message>
    <message>
        <source>フォルダ名のみ</source>
        <translation>Folder Name Only</translation>
    </message>
    <message>
        <source>現在の順番に変更(&amp;N)</source>
        <translation>Keep the Current Order (&amp;N)</translation>
    </message>
    <message>
        <source>削除(&amp;D)</source>
        <translation>&amp;Delete</translation>
    </message>
    <message>
        <source>不正なパスを削除(&amp;I)</source>
        <translation>Delete &amp;Invalid Paths</translation>
    </message>
    <message>
        <source>すべて削除(&amp;A)</source>
        <translation>Delete &amp;All</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>%1 個のオブジェクトを選択</source>
        <translation>%1 objects selected</translation>
    </message>
    <message>
        <source>%1 個のオブジェクト</source>
        <translation>%1 objects</translation>
    </message>
</context>
<context>
    <name>JpegTexts</name>
    <message>
        <source>なし</source>
        <translation>None</translation>
    </message>
    <message>
        <source>なし(付加バイナリ有り)</source>
        <translation>None (data appended)</translation>
    </message>
    <message>
        <source>JPEGファイルが破損しています</source>
        <translation>The JPEG file is damaged</translation>
    </message>
    <message>
        <source>不明なエラー</source>
        <translation>Unknown error</translation>
    </message>
    <message>
        <source>ファイルが存在しません</source>
        <translation>The file does not exist</translation>
    </message>
    <message>
        <source>ファイルを開けません</source>
        <translation>The file cannot be opened</translation>
    </message>
    <message>
        <source>ファイルサイズが0 バイトです</source>
        <translation>The file size is 0 bytes</translation>
    </message>
    <message>
        <source>JPEGファイルではありません</source>
        <translation>Not a JPEG file</translation>
    </message>
    <message>
        <source>ベースライン ハフマン圧縮</source>
        <translation>Baseline Huffman</translation>
    </message>
    <message>
        <source>拡張シーケンシャル ハフマン圧縮</source>
        <translation>Extended sequential Huffman</translation>
    </message>
    <message>
        <source>プログレッシブ ハフマン圧縮</source>
        <translation>Progressive Huffman</translation>
    </message>
    <message>
        <source>ロスレス ハフマン圧縮</source>
        <translation>Lossless Huffman</translation>
    </message>
    <message>
        <source>不明(SOF4)</source>
        <translation>Unknown (SOF4)</translation>
    </message>
    <message>
        <source>微分シーケンシャル ハフマン圧縮</source>
        <translation>Differential sequential Huffman</translation>
    </message>
    <message>
        <source>微分プログレッシブ ハフマン圧縮</source>
        <translation>Differential progressive Huffman</translation>
    </message>
    <message>
        <source>微分ロスレス ハフマン圧縮</source>
        <translation>Differential lossless Huffman</translation>
    </message>
    <message>
        <source>不明(SOF8)</source>
        <translation>Unknown (SOF8)</translation>
    </message>
    <message>
        <source>拡張シーケンシャル 算術圧縮</source>
        <translation>Extended sequential arithmetic</translation>
    </message>
    <message>
        <source>プログレッシブ 算術圧縮</source>
        <translation>Progressive arithmetic</translation>
    </message>
    <message>
        <source>ロスレス 算術圧縮</source>
        <translation>Lossless arithmetic</translation>
    </message>
    <message>
        <source>不明(SOF12)</source>
        <translation>Unknown (SOF12)</translation>
    </message>
    <message>
        <source>微分シーケンシャル 算術圧縮</source>
        <translation>Differential sequential arithmetic</translation>
    </message>
    <message>
        <source>微分プログレッシブ 算術圧縮</source>
        <translation>Differential progressive arithmetic</translation>
    </message>
    <message>
        <source>微分ロスレス 算術圧縮</source>
        <translation>Differential lossless arithmetic</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>注意</source>
        <translation>Attention</translation>
    </message>
    <message>
        <source>&quot;%1&quot; に書き込めません。</source>
        <translation>Cannot write to &quot;%1&quot;.</translation>
    </message>
    <message>
        <source>無効なフォルダです。</source>
        <translation>Invalid folder.</translation>
    </message>
    <message>
        <source>移動先フォルダを選択</source>
        <translation>Select the Folder to Move To</translation>
    </message>
    <message>
        <source>コピー先フォルダを選択</source>
        <translation>Select the Folder to Copy To</translation>
    </message>
    <message>
        <source>ごみ箱へ移動</source>
        <translation>Move to Trash</translation>
    </message>
    <message>
        <source>&quot;%1&quot; をごみ箱に移動しますか?</source>
        <translation>Move &quot;%1&quot; to the trash?</translation>
    </message>
    <message>
        <source>フォルダ</source>
        <translation>Folder</translation>
    </message>
    <message>
        <source>ファイル(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>編集(&amp;E)</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>エラーを選択|エラーをすべて選択します。</source>
        <translation>Select Errors|Selects every file with an error.</translation>
    </message>
    <message>
        <source>表示(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>画像の表示(&amp;V)</source>
        <translation>Pre&amp;view</translation>
    </message>
    <message>
        <source>実行(&amp;R)</source>
        <translation>&amp;Run</translation>
    </message>
    <message>
        <source>ツール(&amp;T)</source>
        <translation>&amp;Tools</translation>
    </message>
    <message>
        <source>ヘルプ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source> に</source>
        <translation>: </translation>
    </message>
    <message>
        <source>フォルダを選択</source>
        <translation>Select Folder</translation>
    </message>
    <message>
        <source>フォルダ&quot;%1&quot;は存在しません。</source>
        <translation>The folder &quot;%1&quot; does not exist.</translation>
    </message>
    <message>
        <source>&lt;無効なフォルダ&gt;</source>
        <translation>&lt;invalid folder&gt;</translation>
    </message>
    <message>
        <source>起動中の %1 が応答しません。</source>
        <translation>The running %1 does not answer.</translation>
    </message>
    <message>
        <source>
%1 は開かれませんでした。</source>
        <translation>
%1 was not opened.</translation>
    </message>
    <message>
        <source>ほか %1 件</source>
        <translation>and %1 more</translation>
    </message>
    <message>
        <source>次のファイルを開けませんでした。
%1
この種類のファイルを開くプログラムが設定されているか確認してください。</source>
        <translation>These files could not be opened:
%1
Check that a program is set to open files of this type.</translation>
    </message>
    <message>
        <source>次のフォルダを開けませんでした。
%1
フォルダを開くプログラム(ファイル マネージャ)が設定されているか確認してください。</source>
        <translation>These folders could not be opened:
%1
Check that a program (a file manager) is set to open folders.</translation>
    </message>
    <message>
        <source>ツール バー</source>
        <translation>Toolbar</translation>
    </message>
    <message>
        <source>アドレス バー</source>
        <translation>Address Bar</translation>
    </message>
    <message>
        <source>ツール バー(&amp;T)</source>
        <translation>&amp;Toolbar</translation>
    </message>
    <message>
        <source>アドレス バー(&amp;A)</source>
        <translation>&amp;Address Bar</translation>
    </message>
    <message>
        <source>ファイル</source>
        <translation>File</translation>
    </message>
    <message>
        <source>%1 ファイル</source>
        <translation>%1 File</translation>
    </message>
</context>
<context>
    <name>Options</name>
    <message>
        <source>オプション</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>初期化する</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>上へ(&amp;U)</source>
        <translation>&amp;Up</translation>
    </message>
    <message>
        <source>下へ(&amp;D)</source>
        <translation>&amp;Down</translation>
    </message>
    <message>
        <source>表示(&amp;S)</source>
        <translation>&amp;Show</translation>
    </message>
    <message>
        <source>非表示(&amp;H)</source>
        <translation>&amp;Hide</translation>
    </message>
    <message>
        <source>リセット(&amp;R)</source>
        <translation>&amp;Reset</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>サブフォルダも検索(&amp;S)</source>
        <translation>Include &amp;Subfolders</translation>
    </message>
    <message>
        <source>隠しファイルを表示(&amp;H)</source>
        <translation>Show &amp;Hidden Files</translation>
    </message>
    <message>
        <source>すぐにエラーチェック開始(&amp;D)</source>
        <translation>Check Imme&amp;diately</translation>
    </message>
    <message>
        <source>フォルダ(&amp;O)</source>
        <translation>F&amp;olders</translation>
    </message>
    <message>
        <source>Highest (推奨)</source>
        <translation>Highest (recommended)</translation>
    </message>
    <message>
        <source>表示しない</source>
        <translation>None</translation>
    </message>
    <message>
        <source>実寸表示</source>
        <translation>Actual size</translation>
    </message>
    <message>
        <source>自動倍率</source>
        <translation>Fit to pane</translation>
    </message>
    <message>
        <source>ファイルスレッド優先度(&amp;T)</source>
        <translation>File &amp;thread priority</translation>
    </message>
    <message>
        <source>画像の表示(&amp;V)</source>
        <translation>Pre&amp;view</translation>
    </message>
    <message>
        <source>全般</source>
        <translation>General</translation>
    </message>
    <message>
        <source>選択した列の幅(&amp;W)</source>
        <translation>&amp;Width of the selected column</translation>
    </message>
    <message>
        <source>ピクセル</source>
        <translation>pixels</translation>
    </message>
    <message>
        <source>列の設定</source>
        <translation>Columns</translation>
    </message>
    <message>
        <source>画像データも検査する(&amp;I)</source>
        <translation>Also Check &amp;Image Data</translation>
    </message>
</context>
<context>
    <name>Preview</name>
    <message>
        <source> 破損: 行 %1 から, 無傷 %2%</source>
        <translation> Damaged: from row %1, %2% sound</translation>
    </message>
    <message>
        <source> 破損: 無傷 %1%</source>
        <translation> Damaged: %1% sound</translation>
    </message>
    <message>
        <source> 付加データ: %1</source>
        <translation> Appended data: %1</translation>
    </message>
    <message>
        <source>表示できません: %1</source>
        <translation>Cannot show: %1</translation>
    </message>
    <message>
        <source>ファイルを読めません (%1)</source>
        <translation>the file cannot be read (%1)</translation>
    </message>
    <message>
        <source>通常のファイルではありません</source>
        <translation>not a regular file</translation>
    </message>
    <message>
        <source>画像が大きすぎます (%1×%2)</source>
        <translation>the image is too large (%1×%2)</translation>
    </message>
    <message>
        <source>この色の形式には対応していません</source>
        <translation>its colour format is not supported</translation>
    </message>
    <message>
        <source>メモリが足りません</source>
        <translation>not enough memory</translation>
    </message>
    <message>
        <source>JPEG として読めません</source>
        <translation>not readable as JPEG</translation>
    </message>
    <message>
        <source>JPEG ファイルではありません</source>
        <translation>not a JPEG file</translation>
    </message>
</context>
<context>
    <name>RecentControl</name>
    <message>
        <source> に</source>
        <translation>: </translation>
    </message>
</context>
<context>
    <name>Sizes</name>
    <message>
        <source>2GB以上</source>
        <translation>2GB or more</translation>
    </message>
    <message>
        <source> バイト</source>
        <translation> bytes</translation>
    </message>
</context>
<context>
    <name>StatusTexts</name>
    <message>
        <source>%1 個のオブジェクトを選択</source>
        <translation>%1 objects selected</translation>
    </message>
    <message>
        <source>一覧を作成中… %1 個のファイルとフォルダを確認</source>
        <translation>Listing… %1 files and folders looked at</translation>
    </message>
    <message>
        <source>%1 個のオブジェクト</source>
        <translation>%1 objects</translation>
    </message>
    <message>
        <source>エラー未チェック</source>
        <translation>Not checked yet</translation>
    </message>
    <message>
        <source>%1 %完了</source>
        <translation>%1 % done</translation>
    </message>
    <message>
        <source>%1 個のエラー</source>
        <translation>%1 errors</translation>
    </message>
</context>
<context>
    <name>Trash</name>
    <message>
        <source>%1 のごみ箱を使えません</source>
        <translation>The trash of %1 cannot be used</translation>
    </message>
    <message>
        <source>ごみ箱に移動できませんでした: %1: </source>
        <translation>Could not move to the trash: %1: </translation>
    </message>
</context>
</TS>
