#pragma once

// Every text the program shows, in one place. Sources are UTF-8; wrap with qs() where a QString
// is needed.

#include <QString>

inline QString qs(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

namespace Str {
// Application and document
inline constexpr char AppName[] = "HTML5";
inline constexpr char SettingsOrganization[] = "Bolto アプリケーション";
inline constexpr char WindowTitle[] = "Bolto x64 Version 1.7";
inline constexpr char Untitled[] = "無題";
inline constexpr char FileNewName[] = "BOLTO5";
inline constexpr char FilterName[] = "Bolto Files (*.blsh)";
inline constexpr char FilterExtension[] = ".blsh";
inline constexpr char FileTypeId[] = "Bolto.Document";
inline constexpr char FileTypeName[] = "Bolto.Document";
inline constexpr char LessonExtension[] = "blsh";
inline constexpr char OpenFilter[] = "Boltoファイル(*.blsh)";
inline constexpr char SaveAsTitle[] = "名前を付けて保存";
inline constexpr char OleInitFailed[] =
    "OLE の初期化に失敗しました。OLE ライブラリのバージョンが正しいことを確認してください。";
inline constexpr char RegistryDeleted[] = "レジストリを削除しました。";
inline constexpr char SaveChangesPrompt[] = "%1 への変更を保存しますか?";
inline constexpr char Ready[] = "レディ";
inline constexpr char IndicatorCaps[] = "CAP";
inline constexpr char IndicatorNum[] = "NUM";
inline constexpr char IndicatorScroll[] = "SCRL";

// File and archive errors, %1 is the path
inline constexpr char FileNotFound[] = "%1 が見つかりませんでした。";
inline constexpr char FileBadPath[] = "%1 に正しくないパスが含まれています。";
inline constexpr char FileAccessDenied[] = "%1 へのアクセスは拒否されました。";
inline constexpr char FileSharingViolation[] = "%1 へのアクセス中に共有違反が発生しました。";
inline constexpr char FileGeneric[] = "%1 へのアクセス中に不明なエラーが発生しました。";
inline constexpr char FileDiskFull[] = "%1 へのアクセス中にディスクがいっぱいになりました。";
inline constexpr char FileTooManyOpen[] = "%1 を開くのに必要なファイルハンドルが足りません。";
inline constexpr char FileLocked[] = "%1 へのアクセス中にロック違反が発生しました。";
inline constexpr char FileEndOfFile[] =
    "%1 へのアクセス中にファイルの終わりを越えてアクセスしようとしました。";
inline constexpr char FileHardIo[] = "%1 へのアクセス中にハードウェア I/O エラーが発生しました。";
inline constexpr char ArchiveBadFormat[] = "予期しないファイル形式です。";
inline constexpr char ArchiveGeneric[] = "ドキュメントを開くことに失敗しました。";

// Tutorial pane
inline constexpr char CannotGoBack[] = "戻れません！";
inline constexpr char CannotGoForward[] = "進めません！";
inline constexpr char SnippetCopied[] = "左のスクリプトをクリップボードにコピーしました";
inline constexpr char ClipboardUnavailable[] = "クリップボードが開けません";
inline constexpr char PageMissingTitle[] = "ページが見つかりません";
inline constexpr char PageMissingHint[] = "レッスンのページは、プログラムのフォルダーの「レッスンの"
                                          "フォルダー/html/index番号.html」に置きます。";

// Run
inline constexpr char NoBrowser[] =
    "「制御」→「実行するブラウザの設定」メニューを実行し、Firefoxプログラムを指定してください！";
inline constexpr char BrowserDialogTitle[] = "Firefox等のWebGL対応ブラウザのexeファイルを指定";
inline constexpr char BrowserFilter[] = "WebGL対応ブラウザ ファイル";
inline constexpr char BrowserSection[] = "Bolto";
inline constexpr char BrowserEntry[] = "WebGLBrowser";

// Menus (menu bar 128)
inline constexpr char MenuFile[] = "ファイル(&F)";
inline constexpr char MenuFileOpen[] = "開く(&O)...\tCtrl+O";
inline constexpr char MenuRecentFiles[] = "最近使ったファイル";
inline constexpr char MenuExit[] = "アプリケーションの終了(&X)";
inline constexpr char MenuEdit[] = "編集(&E)";
inline constexpr char MenuUndo[] = "元に戻す(&U)\tCtrl+Z";
inline constexpr char MenuCut[] = "切り取り(&T)\tCtrl+X";
inline constexpr char MenuCopy[] = "コピー(&C)\tCtrl+C";
inline constexpr char MenuPaste[] = "貼り付け(&P)\tCtrl+V";
inline constexpr char MenuControl[] = "制御(&C)";
inline constexpr char MenuRun[] = "実行(&X)";
inline constexpr char MenuBrowserSetting[] = "実行するブラウザの設定(&B)";
inline constexpr char MenuView[] = "表示(&V)";
inline constexpr char MenuToolbar[] = "ツール バー(&T)";
inline constexpr char MenuStatusBar[] = "ステータス バー(&S)";
inline constexpr char MenuHelp[] = "ヘルプ(&H)";
inline constexpr char MenuDeleteRegistry[] = "レジストリを削除(&U)";
inline constexpr char MenuAbout[] = "バージョン情報 Bolto(&A)...";

// Context menus 310, 311, 312
inline constexpr char PopupHtml[] = "HTML";
inline constexpr char PopupProgramming[] = "Programming";
inline constexpr char PopupCopy[] = "コピー";
inline constexpr char PopupCut[] = "切り取り";
inline constexpr char PopupPaste[] = "貼り付け";

// About box (dialog 100)
inline constexpr char AboutCaption[] = "バージョン情報 Bolto";
inline constexpr char AboutVersion[] = "Bolto x64, Version 1.7";
inline constexpr char AboutOk[] = "OK";

// Live preview, syntax colours, keyboard commands, zoom and names for assistive technology
inline constexpr char MenuPreview[] = "プレビュー(&P)";
inline constexpr char MenuPreviewBelow[] = "プレビューを下に表示(&B)";
inline constexpr char MenuSyntaxColors[] = "構文の色分け(&L)";
inline constexpr char MenuZoomIn[] = "拡大(&I)";
inline constexpr char MenuZoomOut[] = "縮小(&O)";
inline constexpr char MenuZoomReset[] = "元のサイズ(&R)";
inline constexpr char MenuCopyStep[] = "このステップのコードをコピー(&S)";
inline constexpr char MenuSelectStep[] = "このステップの行を選択(&L)";
inline constexpr char MenuNextPage[] = "次のページへ(&N)";
inline constexpr char MenuPreviousPage[] = "前のページへ(&V)";
inline constexpr char PreviewStopped[] =
    "プレビューのスクリプトが応答しないため、停止しました。プログラムを直すと再開します。";
inline constexpr char PreviewTooLarge[] =
    "プログラムが大きすぎるため、先頭の %1 行だけをプレビューしています。";
inline constexpr char PreviewRefused[] = "プレビューから別のページへの移動は止めました: %1";
inline constexpr char PreviewLine[] = "%1行目: %2";
inline constexpr char PreviewMoreMessages[] = "これ以上のメッセージは省略します。";
inline constexpr char StepNotDone[] = "このステップを済ませてから次のページへ進めます";
inline constexpr char NoPageLink[] = "このページには移動先のリンクがありません";
inline constexpr char NameTutorial[] = "チュートリアル";
inline constexpr char NameEditor[] = "プログラム";
inline constexpr char NameGutter[] = "行番号";
inline constexpr char NamePreview[] = "プレビュー";
inline constexpr char NamePreviewMessages[] = "プレビューのメッセージ";
inline constexpr char NameStatusMessage[] = "ステータス";
inline constexpr char NameToolbar[] = "ツール バー";
inline constexpr char NameCapsLock[] = "Caps Lock";
inline constexpr char NameNumLock[] = "Num Lock";
inline constexpr char NameScrollLock[] = "Scroll Lock";
// Guidance: step feedback, step-aware undo, the start page's lesson list, the default browser and
// the learner guide
inline constexpr char StepPasted[] = "貼り付けました。ページの「次へ」をクリックして進みます";
inline constexpr char StepDeleted[] = "削除しました。ページの「次へ」をクリックして進みます";
inline constexpr char PasteFirstHint[] = "（先にエディタに貼り付けてください：Ctrl+V）";
inline constexpr char DeleteFirstHint[] = "（先にエディタで選択行を削除してください：Delete）";
inline constexpr char DeletePageNoPaste[] =
    "このステップは削除です。選択された行を Delete キーで削除してください";
inline constexpr char StepReopened[] = "貼り付けを取り消しました。ステップをやり直せます";
inline constexpr char UndoAtStepStart[] = "このステップより前には戻せません";
inline constexpr char MenuRedo[] = "やり直し(&R)\tCtrl+Y";
inline constexpr char MenuGuide[] = "使い方(&G)\tF1";
inline constexpr char GuideTitle[] = "Bolto の使い方";
inline constexpr char GuideMissing[] = "使い方のページが見つかりません: %1";
inline constexpr char AboutGuideLink[] = "<a href=\"guide\">使い方（F1）</a>";
inline constexpr char RunDefaultBrowser[] = "既定のブラウザ %1 で実行しました";
inline constexpr char StartLessonsHeading[] = "レッスン";
inline constexpr char StartLessonSteps[] = "%1 ステップ";
inline constexpr char StartNoLessons[] =
    "プログラムと同じフォルダーにレッスンファイルがありません。";

// Saved progress, resume, history and start over
inline constexpr char MenuRedoStep[] = "このステップをやり直す(&R)\tCtrl+Shift+R";
inline constexpr char MenuHistory[] = "履歴(&I)...\tCtrl+H";
inline constexpr char MenuStartOver[] = "最初からやり直す(&A)...\tCtrl+Shift+N";
inline constexpr char ProgressResumed[] = "前回の続きから再開しました";
inline constexpr char ProgressResumedChanged[] =
    "前回の続きから再開しました (レッスンのファイルは前回から変更されています)";
inline constexpr char ProgressCannotSave[] = "学習の記録を保存できません: %1";
inline constexpr char ProgressMovedAside[] =
    "学習の記録のファイルが壊れていたため %1 に移し、新しい記録を始めました。";
inline constexpr char StartOverPrompt[] =
    "プログラムを空にして、最初のページからやり直しますか?\n今のプログラムは履歴に残ります。";
inline constexpr char ProgressStepReopened[] = "このステップをやり直せます";
inline constexpr char HistoryTitle[] = "履歴";
inline constexpr char HistoryRestore[] = "この時点に戻す";
inline constexpr char HistoryRow[] = "%1    %2    +%3 -%4 行    %5";
inline constexpr char HistoryStep[] = "ステップ %1";
inline constexpr char HistoryNoStep[] = "ステップなし";
inline constexpr char HistoryReasonStep[] = "ステップ完了";
inline constexpr char HistoryReasonRestore[] = "戻す前";
inline constexpr char HistoryReasonStartOver[] = "やり直す前";
inline constexpr char HistoryReasonKept[] = "以前の記録";
inline constexpr char ProgressStartPageDone[] = "%1 ステップ完了";
// Check, compare and catch up against the lesson's expected program
inline constexpr char CheckMatches[] = "手本どおり";
inline constexpr char NameLessonCheck[] = "手本との比較";
inline constexpr char CheckDiffers[] = "手本と違う行: %1";
inline constexpr char CheckNotReplayed[] = "手本なし";
inline constexpr char CheckCannotReplay[] =
    "ステップ %1 はレッスンどおりに再現できないため、ここから先は手本と比べられません";
inline constexpr char CheckNoPage[] = "手本と比べるレッスンのページがありません";
inline constexpr char MenuCompare[] = "手本と比べる\tCtrl+D";
inline constexpr char MenuCatchUp[] = "このステップまで進める\tCtrl+Shift+J";
inline constexpr char CompareTitle[] = "手本と比べる";
inline constexpr char CompareMine[] = "あなたのプログラム";
inline constexpr char CompareExpected[] = "手本";
inline constexpr char CompareAdopt[] = "手本に合わせる";
inline constexpr char CompareSame[] = "手本どおりです";
inline constexpr char CompareConflict[] =
    "自動では進められない箇所があります。手本と見比べて、直すか「手本に合わせる」を選んでください";
inline constexpr char CatchUpApplied[] = "%1 ステップ進めました";
inline constexpr char CatchUpNothing[] = "進めるステップはありません";
inline constexpr char CatchUpAlready[] = "すでにこのステップの手本どおりです";
inline constexpr char CatchUpFailed[] = "このステップまで進められませんでした";
inline constexpr char SnapshotAdopt[] = "手本に合わせる前";
inline constexpr char SnapshotCatchUp[] = "このステップまで進める前";

// Lessons confined to their folder
inline constexpr char FolderRefusedTitle[] = "レッスンのフォルダーを開けません";
inline constexpr char FolderRefused[] =
    "レッスンのフォルダー %1 は、レッスンを置くフォルダーの中にありません。";
inline constexpr char FolderRefusedHint[] =
    "レッスンのページは、プログラムのフォルダー（またはユーザーのレッスンのフォルダー）の中の"
    "「レッスンのフォルダー/html」に置きます。"
    "その外を指すフォルダーやリンクのページは表示しません。";
} // namespace Str

// Status-bar prompt and tooltip of a command, separated by '\n' as the string table keeps them.
struct CommandString
{
    int id;
    const char *text;
};

inline constexpr CommandString kCommandStrings[] = {
    {57601, "既存のファイルを開く\n開く"},
    {57616, "指定のファイルを開く"},
    {57665, "アプリケーションを終了し、ファイルの保存を指示\n終了"},
    {57643, "直前に行った動作を元に戻す\n元に戻す"},
    {57635, "選択範囲を切り取ってクリップボードに保存\n切り取り"},
    {57634, "選択範囲をコピーしてクリップボードに保存\nコピー"},
    {57637, "クリップボードの内容を貼り付け\n貼り付け"},
    {32772, "プログラムを実行する\n実行"},
    {32775, "Firefox等のブラウザのディレクトリを設定\nブラウザの設定"},
    {59392, "ツール バーの 表示/非表示\nツール バーの表示切り替え"},
    {59393, "ステータス バーの表示/非表示\nステータス バーの表示切り替え"},
    {32793, "レジストリを削除\nレジストリを削除"},
    {57664, "プログラム情報、バージョン、著作権を表示します。\nバージョン情報"},
    {57600, "新規にファイルを作成\n新規ファイル"},
    {57603, "作業中のファイルを上書きして保存\n保存"},
    {32784, "ページの設定\nページの設定"},
    {32800, "色付き文字のスクリプトをコピー\nスクリプトコピー"},
    {57680, "次のウィンドウに切り替える\n次のペイン"},
    {57681, "前のウィンドウに切り替える\n前のペイン"},
    {33100, "現在のステップを未完了に戻し、もう一度行う\nステップをやり直す"},
    {33101, "このレッスンのプログラムの履歴を表示し、過去の時点に戻す\n履歴"},
    {33102, "プログラムを空にしてレッスンの最初のページからやり直す\n最初からやり直す"},
    {33400, "プログラムの結果をプレビューに表示/非表示\nプレビュー"},
    {33401, "このステップのコードをクリップボードにコピー\nステップのコピー"},
    {33402, "このステップの行をエディタで選択\nステップの行を選択"},
    {33403, "ページの「次へ」のリンクをたどる\n次のページ"},
    {33404, "ページの「戻る」のリンクをたどる\n前のページ"},
    {33405, "フォーカスのあるペインを拡大\n拡大"},
    {33406, "フォーカスのあるペインを縮小\n縮小"},
    {33407, "フォーカスのあるペインを元のサイズに戻す\n元のサイズ"},
    {33408, "HTML・CSS・JavaScript・GLSL を色分けして表示\n構文の色分け"},
    {33409, "プレビューをエディタの右ではなく下に表示\nプレビューの位置"},
    {33200, "取り消した動作をやり直す\nやり直し"},
    {33201, "使い方のページを開く\n使い方"},
    {33300, "自分のプログラムを手本と並べて比べる\n手本と比べる"},
    {33301, "このページの前までのステップを手本から取り込む\nこのステップまで進める"},
};

// The command's string-table entry, or nullptr.
inline const char *commandString(int id)
{
    for (const CommandString &entry : kCommandStrings) {
        if (entry.id == id)
            return entry.text;
    }
    return nullptr;
}
