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

// Shows an error message over the window without waiting for it to be read.
void ShowError(QWidget *window, const QString &message);
// Runs a user action; a conversion error (or any other failure) it raises is
// shown in a message box over the window, as the application's error
// handler. Nothing escapes.
void Guarded(QWidget *window, const std::function<void()> &action);

// Enabled and visible follow the state.
void BindCommon(QWidget *w, TControlState *s);
void Bind(QLineEdit *w, TEditState *s);
void Bind(QComboBox *w, TListState *s);
void Bind(QCheckBox *w, TCheckState *s);
void Bind(TWinSpinEdit *w, TSpinState *s);
void Bind(QAction *a, TMenuItemState *s);

} // namespace binding
