// Ties widgets to the control states of the job model: a state change shows
// in the widget, a user's action goes to the state (and so to its handler).
#pragma once

#include <functional>

class QAction;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QString;
class QWidget;
class TCheckState;
class TControlState;
class TEditState;
class TListState;
class TMenuItemState;
class TSpinState;
class TWinSpinEdit;

namespace binding {

// Runs a user action; a conversion error (or any other failure) it raises is
// shown in a message box over the window, as the application's error handler.
void Guarded(QWidget *window, const std::function<void()> &action);
// How Guarded shows a failure instead of the modal message box (the running
// instance shows every message without holding anything up while it
// interprets forwarded parameters). Returns the reporter it replaces; an
// empty one stands for the modal box.
using TErrorReporter = std::function<void(QWidget *window, const QString &message)>;
TErrorReporter SetErrorReporter(TErrorReporter reporter);

// Enabled and visible follow the state.
void BindCommon(QWidget *w, TControlState *s);
void Bind(QLineEdit *w, TEditState *s);
void Bind(QComboBox *w, TListState *s);
void Bind(QCheckBox *w, TCheckState *s);
void Bind(TWinSpinEdit *w, TSpinState *s);
void Bind(QAction *a, TMenuItemState *s);

} // namespace binding
