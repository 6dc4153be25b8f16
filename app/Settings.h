// Zebrix's keys in the settings file: which job setting, menu state and
// window state each one holds, the defaults of a first start, and the order
// they are written in when the window closes.
#pragma once

#include "IniGT.h"

class JobModel;

// The window's view modes, by the number the settings file stores.
enum class TViewMode : int { Detail = 1, Normal = 2, Minimum = 3 };
inline bool IsViewMode(TViewMode mode) { return mode >= TViewMode::Detail && mode <= TViewMode::Minimum; }

// The window's own part of the settings, which the job model does not hold.
struct TWindowSettings {
    TViewMode FormType = TViewMode::Detail;   // other values (a hand edit): the designed layout
    bool FormStyle = false;    // stay on top
    TWinPlacement Placement;   // the main window's placement
    QString Language;          // "ja" or "en_US" (written, never read)
};

// The job settings and menu states into the model's controls (as the start
// sequence reads them, while creations are held back), and the window's
// view mode and stay-on-top into `window`. NoSaveIni, BarColor and
// BackColor are only ever read. A CodeType beyond the list's items selects
// index 0.
void ReadSettings(TIniGT &ini, JobModel &m, TWindowSettings &window);
// The window's placement (defaults: the placement given) and the font of the
// human-readable text, which goes to Fnt, the sample and the component.
void ReadPlacementAndFont(TIniGT &ini, JobModel &m, TWindowSettings &window);
// Everything, in the defined order, then the history, as the closing window
// does; nothing at all when NoSaveIni is set. Empty when the file took it,
// else why not.
QString WriteSettings(TIniGT &ini, JobModel &m, const TWindowSettings &window);
