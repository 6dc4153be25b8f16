#include "AppIcon.h"

QIcon ZebrixIcon()
{
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/hicolor/%1x%1/apps/zebrix.png").arg(size), QSize(size, size));
    return icon;
}
