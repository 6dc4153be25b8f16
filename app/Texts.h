// Every text Zebrix shows its users, in one place: the main window's
// captions, items and status texts (Japanese: the window was designed in
// Japanese and keeps its texts in every language), the dialogs' texts, and
// the messages of the console front end and of the running instance.
//
// Dialog texts are the ones the message catalogues translate; the window's
// own texts are part of Zebrix's interface (macro clients and scripts read
// the status line and the mode summary) and stay as they are.
#pragma once

#include <QString>
#include <QStringList>

namespace texts {

// --- Status line of the creation flow ---------------------------------------------
inline QString Created() { return QStringLiteral("作成しました."); }
inline QString NotCreated() { return QStringLiteral("作成できませんでした."); }
inline QString QRVersionError() { return QStringLiteral("QR:バージョン指定エラー."); }
inline QString QRLevelError() { return QStringLiteral("QR:誤り訂正レベル指定エラー."); }
inline QString QRTooLong() { return QStringLiteral("QR:文字数オーバー."); }
inline QString Copied() { return QStringLiteral("コピーしました."); }
inline QString NotCopied() { return QStringLiteral("コピーできませんでした."); }

// --- Items of the drop-down lists -----------------------------------------------------
inline QStringList LinearAndQRItems()
{
    return {QStringLiteral("JAN"), QStringLiteral("UPC"), QStringLiteral("CODE39"), QStringLiteral("NW-7"),
            QStringLiteral("ITF"), QStringLiteral("CTF"), QStringLiteral("IATA"), QStringLiteral("MATRIX"),
            QStringLiteral("NEC"), QStringLiteral("CUSTOMER"), QStringLiteral("CODE128"), QStringLiteral("CODE93"),
            QStringLiteral("QR2コード")};
}
inline QStringList LibraryItems()
{
    return {QStringLiteral("GS1限定型"), QStringLiteral("GS1二層型"), QStringLiteral("GS1標準型"),
            QStringLiteral("GS1標準二層型"), QStringLiteral("PDF417"), QStringLiteral("PDF417Trunc")};
}
// Names of the Mode label by symbology index (their spellings are Zebrix's own).
inline QStringList ModeNames()
{
    return {QStringLiteral("JAN"), QStringLiteral("UPC"), QStringLiteral("CODE39"), QStringLiteral("NW-7"),
            QStringLiteral("ITF"), QStringLiteral("CTF"), QStringLiteral("IATA"), QStringLiteral("MATRIX"),
            QStringLiteral("NEC"), QStringLiteral("CUSTOMER"), QStringLiteral("CODE128"), QStringLiteral("CODE93"),
            QStringLiteral("QR2"), QStringLiteral("GS1Limited"), QStringLiteral("GS1Stack"),
            QStringLiteral("GS1Stabdard"), QStringLiteral("GS1Stack Omni"), QStringLiteral("PDF417"),
            QStringLiteral("PDF417Trunc")};
}
inline QString ModeUnknown() { return QStringLiteral("UnKnown"); }
// The module width part of the Mode label, by ThinWd index (-1: none selected).
inline QString ModeWidth(int index)
{
    switch (index) {
    case 0: return QStringLiteral(" 1×");
    case 1: return QStringLiteral(" 2×");
    case 2: return QStringLiteral(" 3×");
    default: return QStringLiteral(" ?×");
    }
}
inline QString ModeCheckDigit() { return QStringLiteral("CD "); }
inline QStringList WidthItems() { return {QStringLiteral("1倍"), QStringLiteral("2倍"), QStringLiteral("3倍")}; }
inline QStringList CommentPosItems() { return {QStringLiteral("上側"), QStringLiteral("下側")}; }
inline QStringList CommentAlignItems()
{
    return {QStringLiteral("左寄せ"), QStringLiteral("中央"), QStringLiteral("右寄せ")};
}

// --- Captions of the check boxes and menu items of the job -----------------------------
inline QString BoxDraw() { return QStringLiteral("外枠をつける"); }
inline QString CheckDigit() { return QStringLiteral("チェック・デジット"); }
inline QString AddCodeChar() { return QStringLiteral("コード文字列"); }
inline QString AddSChar() { return QStringLiteral("拡張表示"); }
inline QString SpCode() { return QStringLiteral("特殊"); }
inline QString Comnt() { return QStringLiteral("コメント"); }
inline QString AutoCopy() { return QStringLiteral("自動コピー(&A)"); }
inline QString CopyMf() { return QStringLiteral("メタファイル(WMF)"); }
inline QString CopyEmf() { return QStringLiteral("拡張メタファイル(EMF)"); }
inline QString CopyBm() { return QStringLiteral("ビットマップ(BMP)"); }
inline QString CopyJpg() { return QStringLiteral("Jpeg(JPG)"); }
inline QString Triming() { return QStringLiteral("前後の空白を除去(&K)"); }
inline QString PasteError() { return QStringLiteral("エラーメッセージを貼付(&E)"); }
inline QString ClipbrdWatch() { return QStringLiteral("クリップボード監視"); }
inline QString BWindow() { return QStringLiteral("バーコードウィンドウ"); }
inline QString DrawBcode() { return QStringLiteral("作成"); }

// --- Menus of the main window --------------------------------------------------------------
inline QString FileMenu() { return QStringLiteral("ファイル(&F)"); }
inline QString SaveAsMnu() { return QStringLiteral("名前を付けて保存(&A)..."); }
inline QString CloseMnu() { return QStringLiteral("閉じる(&X)"); }
inline QString EditMenu() { return QStringLiteral("編集(&E)"); }
inline QString CopyMnu() { return QStringLiteral("コピー(&C)"); }
inline QString CopyKinds() { return QStringLiteral("コピーの種類"); }
inline QString CopyOptions() { return QStringLiteral("コピーオプション(&O)"); }
inline QString DeleteHistory() { return QStringLiteral("編集履歴の削除(&D)"); }
inline QString ViewMenu() { return QStringLiteral("表示(&V)"); }
inline QString FormType() { return QStringLiteral("表示モード"); }
inline QString ViewDetail() { return QStringLiteral("詳細"); }
inline QString ViewNormal() { return QStringLiteral("簡易１"); }
inline QString ViewMinimum() { return QStringLiteral("簡易２"); }
inline QString FontStyle() { return QStringLiteral("フォント(&F)..."); }
inline QString BarColorMnu() { return QStringLiteral("バーコードの色(&C)..."); }
inline QString ColorDetail() { return QStringLiteral("バーコード色詳細設定(&D)"); }
inline QString ColorBar() { return QStringLiteral("バーコード(&B)"); }
inline QString ColorBack() { return QStringLiteral("背景(&A)"); }

// --- Rows of the main window -------------------------------------------------------------------
inline QString DataCaption() { return QStringLiteral("データ文字列"); }
inline QString CreateBar() { return QStringLiteral("作"); }
inline QString CreateBarHint() { return QStringLiteral("バーコードを作成する"); }
inline QString CopyBar() { return QStringLiteral("コ"); }
inline QString CopyBarHint() { return QStringLiteral("クリップボードにコピーする"); }
inline QString ViewDet() { return QStringLiteral("詳"); }
inline QString ViewNor() { return QStringLiteral("簡1"); }
inline QString ViewMin() { return QStringLiteral("簡2"); }
inline QString CodeLabel() { return QStringLiteral("コード"); }
inline QString WidthLabel() { return QStringLiteral("倍率"); }
inline QString StartLabel() { return QStringLiteral("スタート"); }
inline QString StopLabel() { return QStringLiteral("ストップ"); }
inline QString FontBtn() { return QStringLiteral("フォント(&F)..."); }
inline QString ColorBtn() { return QStringLiteral("色(&C)..."); }
inline QString CharSmp() { return QStringLiteral("123ABC"); }
inline QString QRSubBtn() { return QStringLiteral("&QR補助..."); }
inline QString VersionLabel() { return QStringLiteral("バージョン"); }
inline QString LevelLabel() { return QStringLiteral("エラー訂正"); }
inline QString HeightLabel() { return QStringLiteral("サイズ(高さ)"); }
inline QString LeftRightLabel() { return QStringLiteral("左右"); }
inline QString TopBottomLabel() { return QStringLiteral("上下"); }

// --- Dialogs and message boxes ---------------------------------------------------------------------
inline QString AppTitle() { return QStringLiteral("Zebrix"); }
inline QString SaveDialogTitle() { return QStringLiteral("バーコードに名前を付けて保存する"); }
// The save dialog's filters: BMP, EMF and JPEG first, then PNG, SVG, PDF.
inline QStringList SaveFilters()
{
    return {QStringLiteral("BMPファイル(*.bmp)"), QStringLiteral("メタファイル(*.emf)"),
            QStringLiteral("Jpegファイル(*.jpg)"), QStringLiteral("PNGファイル(*.png)"),
            QStringLiteral("SVGファイル(*.svg)"), QStringLiteral("PDFファイル(*.pdf)")};
}
inline QString DeleteHistoryQuestion() { return QStringLiteral("編集履歴を削除しますか?"); }
inline QString ColorDialogTitle() { return QStringLiteral("色の設定"); }
inline QString OkButton() { return QStringLiteral("&OK"); }
inline QString CancelButton() { return QStringLiteral("キャンセル(&C)"); }
inline QString AssertFailed() { return QStringLiteral("アサートの失敗"); }
inline QString TrayRegisterFailed() { return QStringLiteral("タスクトレイにアイコンを登録できません。"); }
inline QString TrayOpen() { return QStringLiteral("開く(&O)..."); }
inline QString TrayClose() { return QStringLiteral("閉じる(&X)"); }

// --- Conversion errors of numbers and escapes ---------------------------------------------------------
// A number option whose value is not a decimal integer.
inline QString NotAnInteger(const QString &value, const QString &param)
{
    return QStringLiteral("'%1' is not a valid integer value (%2)").arg(value, param);
}
// A percent escape of QR data that is not "%%" or "%" and two hexadecimal digits.
inline QString BadPercentEscape(const QString &escape, qsizetype position)
{
    return QStringLiteral("'%1' at byte %2 is not a valid escape: QR data takes %% and %XX "
                          "(two hexadecimal digits)")
        .arg(escape)
        .arg(position);
}

// --- Picture files ------------------------------------------------------------------------------------
inline QString NotConverted(const QString &file) { return QStringLiteral("%1: the picture could not be converted").arg(file); }
inline QString FileError(const QString &file, const QString &why) { return QStringLiteral("%1: %2").arg(file, why); }

// --- zebrixd: its usage, and the messages of the running instance and second starts ------------------
inline const char *InstanceUsage()
{
    return R"(Usage: zebrixd [OPTION]... [DATA]
       zebrixd --help | --version

Shows Zebrix's window. Started with options, it makes the symbol, copies it
to the clipboard and saves it (/SAVE:file). Only one window runs per user and
runtime folder: a second start hands its options to the running window, waits
until that window has interpreted them, and ends.

The options are zebrixc's (zebrixc --help lists them), and:
  /S              minimise the window
  /ST             stay in the notification area and hide the window
  /VOFF /VON      the notification-area icon on, off
  /EXIT           end Zebrix (no symbol is made, nothing is saved)

A relative /SAVE: name is taken in the folder the command runs in.

Exit status of a second start: 0 the running window interpreted the options
without a failure; 1 the hand-over failed or the running window reported a
failure (on standard error); 2 the options cannot be handed over as given.
)";
}
inline QString InstanceVersion(const QString &version) { return QStringLiteral("zebrixd (Zebrix) %1\n").arg(version); }
inline QString NoDisplay()
{
    return QStringLiteral("there is no display to show Zebrix's window on.\n"
                          "Make barcodes without a window with zebrixc (zebrixc --help), or start\n"
                          "the window on a virtual display: xvfb-run -a zebrixd");
}
inline QString InstanceFolderUnusable(const QString &folder, const QString &why)
{
    return QStringLiteral("the instance folder %1 cannot be used: %2").arg(folder, why);
}
inline QString NotAPrivateFolder() { return QStringLiteral("it is not a folder of this user's own"); }
inline QString NoHomeFolder() { return QStringLiteral("no instance folder: neither XDG_RUNTIME_DIR nor a home folder is known"); }
inline QString BlockUnusable(const QString &path, const QString &why)
{
    return QStringLiteral("the shared block %1 cannot be used: %2").arg(path, why);
}
inline QString NotAPrivateFile() { return QStringLiteral("it is not a plain file that only this user may open"); }
inline QString CannotListen(const QString &path, const QString &why)
{
    return QStringLiteral("a second start cannot reach this Zebrix: %1: %2").arg(path, why);
}
inline QString ParamsTooLong(qsizetype bytes, qsizetype most)
{
    return QStringLiteral("the options take %1 bytes, more than the %2 a second start can hand to the running "
                          "Zebrix; nothing was handed over")
        .arg(bytes)
        .arg(most);
}
inline QString SaveToStandardOutput()
{
    return QStringLiteral("/SAVE:- (standard output) is zebrixc's; the window saves to files only");
}
inline QString NoWorkingFolder() { return QStringLiteral("a relative /SAVE: name needs a working folder, and there is none"); }
inline QString SendersQueueTimeout()
{
    return QStringLiteral("other starts are still handing their options to the running Zebrix; nothing was handed over");
}
inline QString InstanceStaysBusy()
{
    return QStringLiteral("the running Zebrix stays busy with earlier options; nothing was handed over");
}
inline QString InstanceNotAnswering(const QString &folder)
{
    return QStringLiteral("another Zebrix holds the instance lock in %1 but does not answer").arg(folder);
}
inline QString InstanceEndedDuring()
{
    return QStringLiteral("the running Zebrix ended while it interpreted the options");
}
inline QString InstanceNotConfirming()
{
    return QStringLiteral("the running Zebrix did not confirm the options");
}
inline QString UnknownFailure() { return QStringLiteral("an unknown failure"); }

} // namespace texts
