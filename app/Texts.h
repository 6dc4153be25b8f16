// Every text Zebrix shows its users, in one place: the main window's
// captions, items and status texts (Japanese: the window was designed in
// Japanese and keeps its texts in every language), the dialogs' texts, and
// the messages of the console front end and of the running instance.
//
// Dialog texts (those built with Tr()) are the ones the message catalogues
// translate (data/po); the window's own texts are part of Zebrix's interface
// (macro clients and scripts read the status line and the mode summary) and
// stay as they are.
#pragma once

#include "Language.h"

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
inline QString ColorDialogTitle() { return Tr("色の設定"); }
inline QString OkButton() { return Tr("&OK"); }
inline QString CancelButton() { return Tr("キャンセル(&C)"); }
// The print dialog.
inline QString PrintDialogTitle() { return Tr("印刷"); }
inline QString PrintWidth() { return Tr("幅"); }
inline QString PrintHeight() { return Tr("高さ"); }
inline QString Millimetres() { return Tr("mm"); }
inline QString PrintButton() { return Tr("印刷(&P)"); }
// The about box.
inline QString AboutTitle() { return QStringLiteral("Zebrixについて"); }
inline QString ProductName() { return QStringLiteral("Zebrix"); }
inline QString AboutOrigin()
{
    return QStringLiteral("入力した文字列をすぐにバーコードにする、Linux デスクトップのバーコード作成ツールです。");
}
inline QString AboutContact() { return QStringLiteral("Zebrix の開発者に連絡する"); }
inline QString AboutContactUrl() { return QStringLiteral("mailto:zebrix-dev@example.org"); }
inline QString LibraryPage() { return QStringLiteral("libzint (Zint Barcode Generator)"); }
inline QString LibraryPageUrl() { return QStringLiteral("https://www.zint.org.uk/"); }
inline QString InternalError() { return QStringLiteral("Zebrix: an unexpected error occurred"); }
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

} // namespace texts
