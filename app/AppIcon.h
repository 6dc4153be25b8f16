// The program icon (SVG and PNG sizes 16 to 256, built into the executable).
#pragma once

#include <QIcon>

QIcon ZebrixIcon();
