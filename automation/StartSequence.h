// The start sequence of the main window: everything the window restores and
// sets up when Zebrix starts, in its order, ending with the start-up
// parameters.
#pragma once

#include <QStringList>

class JobModel;
class TWindowHost;
class TZebCode;

// Runs the sixteen steps: the library, the hidden window when there are
// parameters, the flags, the settings into the controls, the barcode
// window, the picture kind, the notification area, clipboard watching, the
// first parameter, placement and font, stay-on-top, colours and history,
// the view mode, the symbology's panels, the parameters, and the end of
// start-up. What a step throws is shown and the start goes on.
void FormCreate(JobModel &m, TZebCode &window, TWindowHost &host, const QStringList &params);
