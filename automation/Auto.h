// The automation object: what another program reads and writes of a running
// Zebrix, member by member. Every property is a view of one job setting of
// the main window (the job model), so the window, the macros and every
// automation object see the same settings. The object keeps no state of its
// own but the outcome of its last member; the transport (D-Bus) calls it and
// turns that outcome into the reply.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <utility>

class ICommandHost;
class JobModel;

// Error names of the automation replies.
namespace automation_error {
inline constexpr char kConversion[] = "org.zebrix.Error.Conversion";   // a number or escape did not convert
inline constexpr char kFailed[] = "org.zebrix.Error.Failed";           // any other failure of a member
inline constexpr char kUnknownItem[] = "org.zebrix.Error.UnknownItem"; // a macro item other than "DdeZebrix"
inline constexpr char kTooLong[] = "org.zebrix.Error.TooLong";         // a call's text beyond any symbol's data
} // namespace automation_error

// A member that fails leaves its failure here instead of throwing: members
// are called through Qt's meta-object system, which no exception may cross.
class TAutomationObject : public QObject
{
    Q_OBJECT
public:
    struct Failure {
        QString name;      // one of automation_error
        QString message;
    };
    using QObject::QObject;
    // The failure of the last member called, cleared by taking it.
    std::optional<Failure> TakeFailure() { return std::exchange(m_failure, std::nullopt); }

protected:
    void fail(const char *name, const QString &message) { m_failure = Failure{QString::fromLatin1(name), message}; }
    // Runs a member's body: a conversion error becomes kConversion, any
    // other exception kFailed.
    void guarded(const std::function<void()> &body);

private:
    std::optional<Failure> m_failure;
};

// TAuto: one client's automation object. Yes/no properties read 1 or 0 and
// take any non-zero value as on; writes outside a property's range (the
// ranges are one table, in Auto.cpp) are ignored (and succeed). "Redraws" means the control's change handler runs
// when the value changes, and re-runs the creation.
class TAuto : public TAutomationObject
{
    Q_OBJECT
    Q_PROPERTY(QString Code READ Code WRITE setCode)
    Q_PROPERTY(int CodeType READ CodeType WRITE setCodeType)
    Q_PROPERTY(int BarScale READ BarScale WRITE setBarScale)
    Q_PROPERTY(int BoxDraw READ BoxDraw WRITE setBoxDraw)
    Q_PROPERTY(int QRVersion READ QRVersion WRITE setQRVersion)
    Q_PROPERTY(int QRErrLevel READ QRErrLevel WRITE setQRErrLevel)
    Q_PROPERTY(int AddCodeChar READ AddCodeChar WRITE setAddCodeChar)
    Q_PROPERTY(int AddComment READ AddComment WRITE setAddComment)
    Q_PROPERTY(QString FontName READ FontName WRITE setFontName)
    Q_PROPERTY(QString Comment READ Comment WRITE setComment)
    Q_PROPERTY(int CommentPos READ CommentPos WRITE setCommentPos)
    Q_PROPERTY(int CommentAlign READ CommentAlign WRITE setCommentAlign)
    Q_PROPERTY(int Height READ Height WRITE setHeight)
    Q_PROPERTY(int HMargin READ HMargin WRITE setHMargin)
    Q_PROPERTY(int VMargin READ VMargin WRITE setVMargin)
    Q_PROPERTY(int CopyType READ CopyType WRITE setCopyType)
    Q_PROPERTY(int Visible READ Visible WRITE setVisible)
    Q_PROPERTY(int FontSize READ FontSize WRITE setFontSize)
    Q_PROPERTY(int BarColor READ BarColor WRITE setBarColor)
    Q_PROPERTY(int BackColor READ BackColor WRITE setBackColor)
    Q_PROPERTY(int SpecialCode READ SpecialCode WRITE setSpecialCode)
    Q_PROPERTY(int CheckDigit READ CheckDigit WRITE setCheckDigit)
    Q_PROPERTY(QString StartChar READ StartChar WRITE setStartChar)
    Q_PROPERTY(QString StopChar READ StopChar WRITE setStopChar)
    Q_PROPERTY(int AutoCopy READ AutoCopy WRITE setAutoCopy)
    Q_PROPERTY(int ClipBWatch READ ClipBWatch WRITE setClipBWatch)
    Q_PROPERTY(int AddExtChar READ AddExtChar WRITE setAddExtChar)
    Q_PROPERTY(QString Primary READ Primary WRITE setPrimary)
public:
    TAuto(JobModel &model, ICommandHost &host, QObject *parent = nullptr);

    // The data line; writing does not create.
    QString Code() const;
    void setCode(const QString &v);
    // Reading: the symbology index (a raw library symbology is not shown).
    // Writing 0..18 selects that index and clears the raw symbology, above
    // 1000 sets the raw symbology (+ 1000); either then runs the
    // symbology's change handler (controls, then creation).
    int CodeType() const;
    void setCodeType(int v);
    int BarScale() const;            // module width index, writes 0..2, no redraw
    void setBarScale(int v);
    int BoxDraw() const;             // redraws
    void setBoxDraw(int v);
    int QRVersion();                 // writes 0..40 (0 fails at creation), redraws
    void setQRVersion(int v);
    int QRErrLevel() const;          // writes 0..3, always creates
    void setQRErrLevel(int v);
    int AddCodeChar() const;         // the human-readable line at once, no creation
    void setAddCodeChar(int v);
    int AddComment() const;          // redraws
    void setAddComment(int v);
    QString FontName() const;        // family of the linear symbols' font
    void setFontName(const QString &v);
    QString Comment() const;
    void setComment(const QString &v);
    int CommentPos() const;          // writes 0..1
    void setCommentPos(int v);
    int CommentAlign() const;        // writes 0..2
    void setCommentAlign(int v);
    int Height();                    // writes 0..200, redraws
    void setHeight(int v);
    int HMargin();                   // writes 0..100, redraws
    void setHMargin(int v);
    int VMargin();                   // writes 0..100, redraws
    void setVMargin(int v);
    // The picture kind: 0 bitmap, 1 enhanced metafile, 2 Windows metafile.
    // Writing checks the matching copy kind too; other values act as 0.
    int CopyType() const;
    void setCopyType(int v);
    // The mark that decides whether the main window shows at start; writing
    // neither shows nor hides the window.
    int Visible() const;
    void setVisible(int v);
    int FontSize() const;            // points, writes from 1
    void setFontSize(int v);
    int BarColor() const;            // 0x00BBGGRR, linear symbols only
    void setBarColor(int v);
    int BackColor() const;
    void setBackColor(int v);
    int SpecialCode() const;
    void setSpecialCode(int v);
    int CheckDigit() const;          // redraws
    void setCheckDigit(int v);
    // Selects the equal item of the start list (none: no selection) and
    // gives the first character to the component. An empty text fails.
    QString StartChar() const;
    void setStartChar(const QString &v);
    QString StopChar() const;
    void setStopChar(const QString &v);
    int AutoCopy() const;
    void setAutoCopy(int v);
    // Writing on attaches the watcher's handler without enabling it (watching
    // starts when the watcher is next enabled); off detaches it at once.
    int ClipBWatch() const;
    void setClipBWatch(int v);
    int AddExtChar() const;          // redraws
    void setAddExtChar(int v);
    QString Primary() const;
    void setPrimary(const QString &v);

public slots:
    // Mode 0 hides the main window, any other Mode shows it.
    void Show(int Mode);
    // Creates with the current settings (nothing enters the history): -1
    // when the last creation failed, else 0.
    int Execute();
    // Saves the current picture, the kind by the extension: 1 when the file
    // exists afterwards, else 0.
    int SaveFile(const QString &FileName);
    // Saves the current picture as tmppict.bmp (bitmap kind) or tmppict.emf
    // (metafile kinds) in the folder of the settings file: its full path,
    // empty when no file was written.
    QString SaveTempPict();
    // The client gives the object back.
    void Release() { emit released(); }

signals:
    void released();

private:
    void setStartStop(bool start, const QString &v);

    JobModel &m;
    ICommandHost &m_host;
};

// TDdeConv: the macro object. Execute runs a macro; Poke and Request store
// and give back the text of the one item, "DdeZebrix" (any case).
class TDdeConv : public TAutomationObject
{
    Q_OBJECT
public:
    TDdeConv(JobModel &model, ICommandHost &host, QObject *parent = nullptr);

public slots:
    void Execute(const QString &macro);
    void Poke(const QString &item, const QString &text);
    QString Request(const QString &item);
    // The current picture as the file bytes of its kind: "emf" while the
    // picture kind is a metafile kind, else "bmp"; no bytes before the
    // first drawing.
    QString Picture(QByteArray &data);

private:
    bool knownItem(const QString &item);

    JobModel &m;
    ICommandHost &m_host;
    QString m_item;
};
