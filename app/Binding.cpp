#include "Binding.h"

#include "ControlStates.h"
#include "JobModel.h"
#include "Texts.h"
#include "WinSpinEdit.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QApplication>
#include <QSignalBlocker>
#include <utility>

namespace binding {

void ShowError(QWidget *window, const QString &message)
{
    if (!window)
        window = QApplication::activeWindow();
    // Not modal: nothing that runs meanwhile (a forwarded batch, a macro)
    // waits for somebody to read it.
    auto *box = new QMessageBox(QMessageBox::Critical, texts::AppTitle(), message, QMessageBox::Ok, window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

void Guarded(QWidget *window, const std::function<void()> &action)
{
    try {
        action();
    } catch (const EConvertError &e) {
        ShowError(window, e.message());
    } catch (const std::exception &e) {
        ShowError(window, QString::fromUtf8(e.what()));
    } catch (...) {
        ShowError(window, texts::InternalError());
    }
}

static QWidget *windowOf(QObject *o)
{
    auto *w = qobject_cast<QWidget *>(o);
    return w ? w->window() : nullptr;
}

void BindCommon(QWidget *w, TControlState *s)
{
    auto sync = [w, s] {
        w->setEnabled(s->Enabled());
        w->setVisible(s->Visible());
    };
    QObject::connect(s, &TControlState::changed, w, sync);
    sync();
}

void Bind(QLineEdit *w, TEditState *s)
{
    auto sync = [w, s] {
        w->setEnabled(s->Enabled());
        if (w->text() != s->Text()) {
            const QSignalBlocker block(w);
            w->setText(s->Text());
        }
    };
    QObject::connect(s, &TControlState::changed, w, sync);
    QObject::connect(w, &QLineEdit::textEdited, w, [w, s](const QString &t) {
        Guarded(windowOf(w), [&] { s->setText(t); });
    });
    sync();
}

void Bind(QComboBox *w, TListState *s)
{
    auto sync = [w, s] {
        const QSignalBlocker block(w);
        w->setEnabled(s->Enabled());
        QStringList shown;
        for (int i = 0; i < w->count(); ++i)
            shown << w->itemText(i);
        if (shown != s->Items()) {
            w->clear();
            w->addItems(s->Items());
        }
        w->setCurrentIndex(s->ItemIndex());
    };
    QObject::connect(s, &TControlState::changed, w, sync);
    QObject::connect(w, qOverload<int>(&QComboBox::activated), w, [w, s](int index) {
        Guarded(windowOf(w), [&] { s->UserSelect(index); });
    });
    sync();
}

void Bind(QCheckBox *w, TCheckState *s)
{
    w->setText(s->Caption());
    auto sync = [w, s] {
        const QSignalBlocker block(w);
        w->setEnabled(s->Enabled());
        w->setChecked(s->Checked());
    };
    QObject::connect(s, &TControlState::changed, w, sync);
    QObject::connect(w, &QCheckBox::clicked, w, [w, s](bool checked) {
        Guarded(windowOf(w), [&] { s->setChecked(checked); });
    });
    sync();
}

void Bind(TWinSpinEdit *w, TSpinState *s)
{
    w->setRange(s->Min(), s->Max());
    auto sync = [w, s] {
        w->setEnabled(s->Enabled());
        if (w->text() != s->Text()) {
            const QSignalBlocker block(w);
            w->edit()->setText(s->Text());
        }
    };
    QObject::connect(s, &TControlState::changed, w, sync);
    QObject::connect(w->edit(), &QLineEdit::textEdited, w, [w, s](const QString &t) {
        Guarded(windowOf(w), [&] { s->setText(t); });
    });
    w->OnStep = [w, s](int steps) {
        Guarded(windowOf(w), [&] {
            for (int i = 0; i < std::abs(steps); ++i)
                steps > 0 ? s->StepUp() : s->StepDown();
        });
    };
    w->CanStep = [s](int steps) {
        bool ok = false;
        const int v = s->Text().trimmed().toInt(&ok);
        return !ok || (steps > 0 ? v < s->Max() : v > s->Min());
    };
    sync();
}

void Bind(QAction *a, TMenuItemState *s)
{
    a->setText(s->Caption());
    auto sync = [a, s] {
        a->setEnabled(s->Enabled());
        a->setVisible(s->Visible());
        a->setChecked(s->Checked());
    };
    QObject::connect(s, &TControlState::changed, a, sync);
    QObject::connect(a, &QAction::triggered, a, [a, s] {
        // Qt has already toggled a checkable action: the state decides.
        a->setChecked(s->Checked());
        Guarded(qobject_cast<QWidget *>(a->parent()), [&] { s->Click(); });
    });
    sync();
}

} // namespace binding
