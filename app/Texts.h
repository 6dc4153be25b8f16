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
// Items 19 to 24, after the library's: GS1-128, ITF-14 and JAN with an
// add-on (Zebrix's own encoders), DataMatrix, GS1 DataMatrix and Aztec
// (the library's).
inline QStringList LaterItems()
{
    // As narrow as the list's widest item before them (the window's width is fixed).
    return {QStringLiteral("GS1-128"), QStringLiteral("ITF-14"), QStringLiteral("JAN+アドオン"),
            QStringLiteral("DataMatrix"), QStringLiteral("GS1DataMatrix"), QStringLiteral("Aztec")};
}
// Names of the Mode label by symbology index (their spellings are Zebrix's own).
inline QStringList ModeNames()
{
    return {QStringLiteral("JAN"), QStringLiteral("UPC"), QStringLiteral("CODE39"), QStringLiteral("NW-7"),
            QStringLiteral("ITF"), QStringLiteral("CTF"), QStringLiteral("IATA"), QStringLiteral("MATRIX"),
            QStringLiteral("NEC"), QStringLiteral("CUSTOMER"), QStringLiteral("CODE128"), QStringLiteral("CODE93"),
            QStringLiteral("QR2"), QStringLiteral("GS1Limited"), QStringLiteral("GS1Stack"),
            QStringLiteral("GS1Stabdard"), QStringLiteral("GS1Stack Omni"), QStringLiteral("PDF417"),
            QStringLiteral("PDF417Trunc"), QStringLiteral("GS1-128"), QStringLiteral("ITF-14"),
            QStringLiteral("JAN+AddOn"), QStringLiteral("DataMatrix"), QStringLiteral("GS1DataMatrix"),
            QStringLiteral("Aztec")};
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

inline QString PrintMnu() { return QStringLiteral("印刷(&P)..."); }
inline QString PrinterMnu() { return QStringLiteral("プリンタの設定..."); }
inline QString FStyle() { return QStringLiteral("手前に表示"); }
inline QString TrayIconMnu() { return QStringLiteral("タスクトレイ常駐"); }
inline QString LanguageMenu() { return QStringLiteral("&Language"); }
inline QString LangJP() { return QStringLiteral("日本語(&J)"); }
inline QString LangEN() { return QStringLiteral("&English"); }
inline QString HelpMenu() { return QStringLiteral("ヘルプ(&H)"); }
inline QString Contents() { return QStringLiteral("目次(&C)..."); }
inline QString AboutMnu() { return QStringLiteral("Zebrixについて(&A)..."); }

// --- Rows of the main window -------------------------------------------------------------------
inline QString DataCaption() { return QStringLiteral("データ文字列"); }
inline QString CreateBar() { return QStringLiteral("作"); }
inline QString CreateBarHint() { return QStringLiteral("バーコードを作成する"); }
inline QString CopyBar() { return QStringLiteral("コ"); }
inline QString CopyBarHint() { return QStringLiteral("クリップボードにコピーする"); }
inline QString ViewDet() { return QStringLiteral("詳"); }
inline QString ViewNor() { return QStringLiteral("簡1"); }
inline QString ViewMin() { return QStringLiteral("簡2"); }
inline QString BWin() { return QStringLiteral("プ"); }
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
            QStringLiteral("SVGファイル(*.svg)"), QStringLiteral("PDFファイル(*.pdf)"),
            QStringLiteral("WMFファイル(*.wmf)")};
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
// The QR assist form (translated).
inline QString QRFormTitle() { return Tr("QRコード補助(DoCoMo用)"); }
inline QString QRPageAddress() { return Tr("アドレス帳"); }
inline QString QRPageMail() { return Tr("メール連携"); }
inline QString QRPageBookmark() { return Tr("ブックマーク"); }
inline QString QRPageCode() { return Tr("QRコード"); }
inline QString QRPageWifi() { return Tr("無線LAN"); }
inline QString QRKanjiName() { return Tr("漢字名"); }
inline QString QRFamilyName() { return Tr("姓"); }
inline QString QRGivenName() { return Tr("名"); }
inline QString QRReading() { return Tr("フリガナ"); }
inline QString QRPhone() { return Tr("電話番号"); }
inline QString QRMail1() { return Tr("メールアドレス１"); }
inline QString QRMail2() { return Tr("メールアドレス２"); }
inline QString QRNote() { return Tr("メモ"); }
inline QString QRAddress1() { return Tr("宛先１"); }
inline QString QRAddress2() { return Tr("宛先２"); }
inline QString QRSubject() { return Tr("表題"); }
inline QString QRBody() { return Tr("本文"); }
inline QString QRSiteName() { return Tr("サイト名"); }
inline QString QRUrl() { return Tr("ＵＲＬ"); }
inline QString QRWifiSsid() { return Tr("ネットワーク名(SSID)"); }
inline QString QRWifiSecurity() { return Tr("暗号化"); }
inline QString QRWifiPassword() { return Tr("パスワード"); }
inline QString QRWifiHidden() { return Tr("ステルス"); }
inline QString QRVCardSave() { return Tr("vCardで保存(&V)..."); }
inline QString QRVCardSaveTitle() { return Tr("vCardで保存"); }
inline QString QRVCardFilter() { return Tr("vCardファイル(*.vcf)"); }
inline QString CreateButton() { return Tr("作成(&S)"); }
inline QString InternalError() { return Tr("予期しないエラーが起きました"); }
inline QString HelpTitle() { return Tr("Zebrix ヘルプ"); }
inline QString AssertFailed() { return QStringLiteral("アサートの失敗"); }
inline QString ClipboardWatchFailed() { return QStringLiteral("クリップボード監視の初期化に失敗しました."); }
inline QString HelpMissing(const QString &file) { return Tr("ヘルプ %1 が見つかりません").arg(file); }
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

// --- The automation channel: messages of the error replies to its clients --------------------------
inline QString EmptyStartStop(const QString &member)
{
    return QStringLiteral("%1: an empty text has no first character").arg(member);
}
inline QString UnknownItem(const QString &item)
{
    return QStringLiteral("'%1' is not an item of Zebrix (the item is DdeZebrix)").arg(item);
}
inline QString BusUnknownObject(const QString &path) { return QStringLiteral("No Zebrix object at %1").arg(path); }
inline QString BusUnknownInterface(const QString &iface, const QString &path)
{
    return QStringLiteral("%1 has no interface %2").arg(path, iface);
}
inline QString BusUnknownMember(const QString &member, const QString &signature)
{
    return QStringLiteral("No member %1 taking (%2)").arg(member, signature);
}
inline QString BusUnknownProperty(const QString &name) { return QStringLiteral("No property %1").arg(name); }
inline QString BusPropertyType(const QString &name, const QString &signature)
{
    return QStringLiteral("Property %1 takes the type %2").arg(name, signature);
}
// A call on an automation object from a client other than the one that created it.
inline QString BusNotYourObject(const QString &path)
{
    return QStringLiteral("%1 belongs to another client: only the client that created it may use it").arg(path);
}
// A call whose text arguments together are longer than Zebrix takes.
inline QString BusCallTooLong(qsizetype characters, qsizetype limit)
{
    return QStringLiteral("The call carries %1 characters of text; Zebrix takes at most %2 in one call "
                          "(a macro, or a symbol's data, which is a few thousand characters at most)")
        .arg(characters)
        .arg(limit);
}
// Said once on standard error by a running zebrixd that cannot offer its
// macros and automation object.
inline QString NoSessionBus()
{
    return QStringLiteral("zebrixd: no D-Bus session bus: macros and automation are not offered");
}
inline QString BusNameTaken(const QString &name)
{
    return QStringLiteral("zebrixd: the bus name %1 is taken by another program: macros and automation are not offered")
        .arg(name);
}

// --- Files Zebrix keeps ---------------------------------------------------------------------------
inline QString NotASettingsFile() { return QStringLiteral("it is not a settings file and is left as it was"); }
inline QString NoSettingsFile() { return QStringLiteral("no settings file is named"); }
// A write that would make the settings file too large to be read again.
inline QString SettingsTooLarge(qint64 bytes, qint64 limit)
{
    return QStringLiteral("it would take %1 bytes, more than the %2 Zebrix reads, and is left as it was")
        .arg(bytes)
        .arg(limit);
}
// The remembered addresses' file when it could not be read whole.
inline QString NotReadWhole() { return QStringLiteral("it could not be read whole and is left as it was"); }
// On standard error when the closing window could not keep the settings.
inline QString SettingsNotSaved(const QString &file, const QString &why)
{
    return QStringLiteral("the settings were not saved: %1: %2").arg(file, why);
}

// --- Picture files ------------------------------------------------------------------------------------
inline QString NotConverted(const QString &file) { return QStringLiteral("%1: the picture could not be converted").arg(file); }
inline QString FileError(const QString &file, const QString &why) { return QStringLiteral("%1: %2").arg(file, why); }
// A save onto a socket: nothing can be written into one.
inline QString SocketTarget() { return QStringLiteral("is a socket, not a file"); }
// A save onto a FIFO (or a device) that nobody read within the time it has.
inline QString NoReader(int seconds)
{
    return QStringLiteral("nobody read it within %1 seconds").arg(seconds);
}
// A save that waited for a reader when Zebrix was asked to end.
inline QString SaveInterrupted() { return QStringLiteral("Zebrix was asked to end while the save waited for a reader"); }

// --- Why a symbol was not made ----------------------------------------------------------
// In two wordings: the console's (zebrixc prints it after the status text,
// in English, as scripts read it) and the window's (the second field of the
// status line, in the dialogs' language: Japanese, and English through the
// catalogue).
enum class TWords { Console, Window };

// The status text with its reason.
inline QString WithReason(const QString &status, const QString &reason)
{
    return QStringLiteral("%1 (%2)").arg(status, reason);
}
inline QString NoData(TWords w = TWords::Console)
{
    return w == TWords::Window ? Tr("データがありません") : QStringLiteral("no data to encode");
}
inline QString NoSymbology(TWords w = TWords::Console)
{
    return w == TWords::Window ? Tr("コードが選ばれていません") : QStringLiteral("no symbology selected");
}
// What the linear symbologies take, by symbology index.
inline QString AllowedLengths(int index, TWords w = TWords::Console)
{
    const bool win = w == TWords::Window;
    switch (index) {
    case 0: return win ? Tr("7, 8, 12 または 13 桁") : QStringLiteral("7, 8, 12 or 13 digits");
    case 1: return win ? Tr("11 桁 (UPC-A) または 7 桁 (UPC-E)") : QStringLiteral("11 digits (UPC-A) or 7 digits (UPC-E)");
    case 20: return win ? Tr("13 または 14 桁") : QStringLiteral("13 or 14 digits");
    case 21:
        return win ? Tr("12 または 13 桁、空白 1 つと 2 または 5 桁のアドオン")
                   : QStringLiteral("12 or 13 digits, a space and 2 or 5 add-on digits");
    default: return win ? Tr("任意の長さ") : QStringLiteral("any length");
    }
}
inline QString AllowedCharacters(int index, TWords w = TWords::Console)
{
    const bool win = w == TWords::Window;
    switch (index) {
    case 2: return win ? Tr("0-9 A-Z - . 空白 $ / + %") : QStringLiteral("0-9 A-Z - . space $ / + %");
    case 3: return QStringLiteral("0-9 - $ : / . + A-D");
    case 10:
        return win ? Tr("コードセットの文字、<名前> のエスケープ、<< と >x")
                   : QStringLiteral("the characters of its code set, <name> escapes, << and >x");
    case 11:
        return win ? Tr("0-9 A-Z - . 空白 $ / + % とシフト文字 <$> <%> </> <+>")
                   : QStringLiteral("0-9 A-Z - . space $ / + % and the shift characters <$> <%> </> <+>");
    case 21:
        return win ? Tr("数字 0-9 とアドオンの前の空白 1 つ") : QStringLiteral("digits 0-9 and one space before the add-on");
    default: return win ? Tr("数字 0-9") : QStringLiteral("digits 0-9");
    }
}
inline QString RejectLength(const QString &symbology, int index, qsizetype length, TWords w = TWords::Console)
{
    return (w == TWords::Window ? Tr("%1 のデータは %2です (このデータは %3 文字)")
                                : QStringLiteral("%1 takes %2; the data has %3 characters"))
        .arg(symbology, AllowedLengths(index, w))
        .arg(length);
}
inline QString RejectCharacter(const QString &symbology, int index, const QString &character, qsizetype position,
                               TWords w = TWords::Console)
{
    return (w == TWords::Window ? Tr("%2 文字目の '%1' は使えません: %3 の文字は %4 です")
                                : QStringLiteral("'%1' at position %2 is not allowed: %3 takes %4"))
        .arg(character)
        .arg(position)
        .arg(symbology, AllowedCharacters(index, w));
}
inline QString RejectEscape(const QString &escape, qsizetype position, bool code128, TWords w = TWords::Console)
{
    const bool win = w == TWords::Window;
    const QString how = code128
        ? (win ? Tr("名前のある文字は <名前>、< は <<、文字 x は >x と書きます")
               : QStringLiteral("write <name> for a named character, << for <, >x for the character x"))
        : (win ? Tr("シフト文字は <$>、<%>、</>、<+> です")
               : QStringLiteral("the shift characters are <$>, <%>, </> and <+>"));
    return (win ? Tr("%2 文字目の '%1' はエスケープとして完全ではありません: %3")
                : QStringLiteral("'%1' at position %2 is not a complete escape: %3"))
        .arg(escape)
        .arg(position)
        .arg(how);
}
inline QString RejectCodeSet(const QString &text, qsizetype position, QChar codeSet, TWords w = TWords::Console)
{
    const bool win = w == TWords::Window;
    QString s = (win ? Tr("%2 文字目の '%1' はコードセット %3 にありません")
                     : QStringLiteral("'%1' at position %2 is not in code set %3"))
                    .arg(text)
                    .arg(position)
                    .arg(codeSet);
    if (codeSet == u'C')
        s += win ? Tr(" (コードセット C は数字 2 桁ずつです)") : QStringLiteral(" (code set C takes pairs of digits)");
    return s;
}
inline QString RejectUpcE(const QString &code, TWords w = TWords::Console)
{
    return (w == TWords::Window
                ? Tr("'%1' は UPC-E の番号ではありません: UPC-E は 0 で始まり UPC-A に展開できる 7 桁です")
                : QStringLiteral("'%1' is no UPC-E number: UPC-E takes 7 digits starting with 0 that expand to UPC-A"))
        .arg(code);
}
// User data goes into these texts in one arg() call, so that a "%1" in it
// stays as it is.
inline QString RejectCheckDigit(const QString &given, qsizetype position, QChar expected, const QString &ai,
                                TWords w = TWords::Console)
{
    const bool win = w == TWords::Window;
    QString s = (win ? Tr("%2 文字目のチェック・デジット '%1' は誤りです: 正しくは %3")
                     : QStringLiteral("the check digit '%1' at position %2 is wrong: it must be %3"))
                    .arg(given, QString::number(position), QString(expected));
    if (!ai.isEmpty())
        s += QStringLiteral(" (AI %1)").arg(ai);
    return s;
}
// GS1 data: fields "(AI)value" or "[AI]value"; a format in GS1's notation.
inline QString GS1FormatNote(TWords w = TWords::Console)
{
    return w == TWords::Window ? Tr("N は数字、X は GS1 の文字、..n は n まで、[ ] は省略可")
                               : QStringLiteral("N digits, X the GS1 characters, ..n up to n, [ ] optional");
}
inline QString RejectGS1Syntax(const QString &text, qsizetype position, TWords w = TWords::Console)
{
    return (w == TWords::Window
                ? Tr("%2 文字目の '%1': GS1 のデータは (AI)データ または [AI]データ の並びで、"
                     "アプリケーション識別子は 2 から 4 桁の数字を閉じた括弧で囲みます")
                : QStringLiteral("'%1' at position %2: GS1 data is written as fields (AI)value or [AI]value, "
                                 "each application identifier of 2 to 4 digits between closed brackets"))
        .arg(text, QString::number(position));
}
inline QString RejectGS1AI(const QString &text, qsizetype position, TWords w = TWords::Console)
{
    return (w == TWords::Window ? Tr("%2 文字目の '%1' は Zebrix の知る GS1 アプリケーション識別子ではありません")
                                : QStringLiteral("'%1' at position %2 is no GS1 application identifier Zebrix knows"))
        .arg(text, QString::number(position));
}
inline QString RejectGS1Length(const QString &ai, const QString &field, qsizetype position, const QString &format,
                               TWords w = TWords::Console)
{
    return (w == TWords::Window
                ? Tr("%2 文字目の AI %1 ('%3'): データの長さが違います。形式は %4 (%5)")
                : QStringLiteral("AI %1 at position %2 ('%3'): the data has the wrong length; it takes %4 (%5)"))
        .arg(ai, QString::number(position), field, format, GS1FormatNote(w));
}
inline QString RejectGS1Character(const QString &ai, const QString &character, qsizetype position,
                                  const QString &format, TWords w = TWords::Console)
{
    return (w == TWords::Window ? Tr("%2 文字目の '%1' は AI %3 では使えません。形式は %4 (%5)")
                                : QStringLiteral("'%1' at position %2 is not allowed there in AI %3: it takes %4 (%5)"))
        .arg(character, QString::number(position), ai, format, GS1FormatNote(w));
}
inline QString RejectGS1Date(const QString &ai, const QString &date, qsizetype position, TWords w = TWords::Console)
{
    return (w == TWords::Window ? Tr("%2 文字目の '%1' (AI %3) は日付 YYMMDD ではありません")
                                : QStringLiteral("'%1' at position %2 in AI %3 is no date YYMMDD"))
        .arg(date, QString::number(position), ai);
}
inline QString RejectGS1TooLong(const QString &count, TWords w = TWords::Console)
{
    return (w == TWords::Window
                ? Tr("GS1-128 は AI、データと区切りを合わせて 48 文字までです (このデータは %1)")
                : QStringLiteral("GS1-128 takes at most 48 characters of AIs, data and separators; this data has %1"))
        .arg(count);
}
// QR data longer than its version and level hold (the window's words only:
// the console prints the status text).
inline QString QRCapacity(qsizetype bytes, int capacity, int version, const QString &level)
{
    return Tr("データは %1 バイト、バージョン %2-%3 は %4 バイトまで").arg(bytes).arg(version).arg(level).arg(capacity);
}
// The stacked-symbol plugin for a library symbology.
inline QString PluginMissing(const QString &file)
{
    return QStringLiteral("the plugin %1 was not found: GS1 DataBar, PDF417 and /1nnnn need it beside the "
                          "executable or in the install's lib folder")
        .arg(file);
}
inline QString PluginWithoutExport(const QString &file)
{
    return QStringLiteral("the plugin %1 does not export ZintDll").arg(file);
}
inline QString LibraryNoPicture(TWords w = TWords::Console)
{
    return w == TWords::Window ? Tr("プラグインが画像を作りませんでした") : QStringLiteral("the plugin made no picture");
}

// --- The console front end zebrixc ----------------------------------------------------------------
inline QString ZebrixcUsage()
{
    return QStringLiteral(R"(Usage: zebrixc [--type EXT] OPTION... DATA
       zebrixc --batch [--jobs N] OPTION... /SAVE:NAME#####.EXT  < lines

Makes a barcode picture from the data with Zebrix's options, without a window.

Symbology (default UPC):
  /JAN /UPC /C39 /NW7 /ITF /CTF /IATA /MAT /NEC /CST (customer) /C128 /C93
  /QR2 (QR Code)  /GS1Ltd /GS1Stk /GS1Std /GS1SOm /PDF417 /PDF417T (plugin)
  /GS1128 /ITF14 /JANADD   GS1-128 "(01)04912345123459(10)ABC", ITF-14 (13
                  or 14 digits), JAN with add-on "491234512345 12345"
  /DM /GS1DM /AZTEC        DataMatrix, GS1 DataMatrix, Aztec (all six need
                  the plugin: they follow its items in the list)
  /1nnnn          library symbology nnnn-1000 (nnnn above 1000, plugin);
                  on its own it makes the library's symbol
Drawing:
  /TN1 /TN2 /TN3  module width 1, 2, 3 pixels
  /CD1 /CD0       check character on, off
  /CC1 /CC0       human-readable text on, off
  /AC1 /AC0       start/stop and check characters in the text on, off
  /BC1 /BC0       frame on, off
  /STx /SPx       start, stop character x (NW-7: A-D; Code 128 start: A-C)
  /HTn /LMn /TMn  bar height, left/right and top/bottom margins in pixels
  /C:text         comment (upper-cased); /CAU /CAD above, below;
                  /CAL /CAC /CAR left, centre, right
  /QRVn /QREn     QR version 1-40, error correction 0 L, 1 M, 2 Q, 3 H
  /SC1 SC0        QR, DataMatrix and Aztec data with %XX escapes on, off
  /CBM /CEM /CWM  draw a bitmap, an enhanced metafile, a metafile
  /D:n            wait n ms after the creation (at most 60000)
Output:
  /SAVE:name      .bmp, .emf, .wmf, .png, .svg, .pdf; any other name: JPEG
  /SAVE:-         the picture on standard output (kind: --type, default png)
Anything else is the data. Options are case-insensitive; the file name keeps
its case.

Saving: a file is written only when the symbol was made; a failed run leaves
an existing file untouched. A regular file is replaced atomically and keeps
its permission bits (and, for root, its owner); one without write permission
for the caller (for root: without any write bit) is refused. A symbolic link
is followed: the file it names is replaced in its own folder, a dangling link
creates that file. A device or FIFO (/dev/stdout, a named pipe) is written in
place; a directory or socket is refused.

zebrixc options:
  --type EXT      kind of the picture for /SAVE:- (bmp emf wmf jpg png svg pdf)
  --batch         one symbol per non-empty line of standard input (UTF-8,
                  at most 64 KiB a line); a run of # in the /SAVE: name
                  becomes the line number; on a terminal the progress is
                  shown on standard error
  --jobs N        batch: N threads (output identical to one)
  --help          this text
  --version       the version

Exit status:
  0  the symbol was made (and saved); in a batch: every line
  1  the symbol could not be made, the reason on standard error: data the
     symbology does not take, a bad %XX escape, QR data too long, no data,
     the plugin missing for a library symbology; in a batch: any line failed
  2  an option's number did not convert, the file could not be written,
     standard input could not be read (batch), or zebrixc was called wrongly
)");
}
inline QString ZebrixcVersion(const QString &version) { return QStringLiteral("zebrixc (Zebrix) %1\n").arg(version); }
inline QString UnknownOption(const QString &option)
{
    return QStringLiteral("unknown option %1 (see zebrixc --help)").arg(option);
}
inline QString MissingValue(const QString &option) { return QStringLiteral("%1 needs a value").arg(option); }
inline QString TypeTakes(const QStringList &kinds)
{
    return QStringLiteral("--type takes one of %1").arg(kinds.join(u' '));
}
inline QString JobsTakes() { return QStringLiteral("--jobs takes a number from 1 to 64"); }
inline QString BatchNeedsHash()
{
    return QStringLiteral("--batch needs /SAVE: with a run of # for the line number (/SAVE:out/#####.png)");
}
inline QString BatchLine(qint64 line, const QString &message) { return QStringLiteral("line %1: %2").arg(line).arg(message); }
inline QString LineTooLong(qsizetype limit) { return QStringLiteral("the line is longer than %1 bytes").arg(limit); }
inline QString InputError(const QString &why) { return QStringLiteral("standard input: %1").arg(why); }
inline QString InputClosed() { return QStringLiteral("standard input is closed"); }
inline QString OutputError(const QString &why) { return QStringLiteral("standard output: %1").arg(why); }
inline QString OutputClosed() { return QStringLiteral("standard output is closed"); }
// The progress of a batch on a terminal.
inline QString BatchProgress(qint64 lines, double filesPerSecond, qint64 failures)
{
    return QStringLiteral("%1 lines, %2 files/s, %3 failed").arg(lines).arg(filesPerSecond, 0, 'f', 0).arg(failures);
}

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

The running window also takes macros and automation calls from other programs
on the D-Bus session bus, as org.zebrix.zebrixd. When none runs, the bus
starts one for the first call with --automation: its window stays hidden
until a client shows it.

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
inline QString InstanceNotAnswering(const QString &folder)
{
    return QStringLiteral("another Zebrix holds the instance lock in %1 but does not answer").arg(folder);
}
inline QString InstanceFolderTaken(const QString &folder)
{
    return QStringLiteral("the instance folder %1 was made anew and another Zebrix holds it now: second starts go to "
                          "that one")
        .arg(folder);
}
inline QString InstanceNotOnBus(const QString &folder, const QString &busName)
{
    return QStringLiteral("the Zebrix running in %1 is not on this session bus, so nobody here can answer the call to "
                          "%2: end that Zebrix (zebrixd /EXIT) or start it in this session")
        .arg(folder, busName);
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
