// The window tests' fixture: a job model as the program starts it, the main
// window bound to it and shown, and the QR assist form opened over it. The
// settings file and the address file lie in a temporary folder of its own.
#pragma once

#include "JobModel.h"
#include "MainWindow.h"
#include "QRForm.h"

#include <QAction>
#include <QTemporaryDir>

#include <memory>

struct Window {
    Window()
    {
        model.Ini.setFileName(dir.filePath("zebrixd.ini"));
        model.CdTypeChange();
        window.show();
    }
    template <typename T> T *find(const char *name) { return window.findChild<T *>(QString::fromLatin1(name)); }
    QAction *action(const char *name) { return find<QAction>(name); }

    // The QR assist form as the QR panel's button opens it: QR picked, the
    // main window its parent. It reads and writes the addresses file.
    TQRForm &openQRForm()
    {
        model.CdType.UserSelect(kIndexQR);
        qrForm = std::make_unique<TQRForm>(&model, &window, addresses, addresses);
        return *qrForm;
    }

    QTemporaryDir dir;
    QString addresses = dir.filePath("Address.txt");
    JobModel model;
    TZebCode window{&model};
    std::unique_ptr<TQRForm> qrForm;
};
