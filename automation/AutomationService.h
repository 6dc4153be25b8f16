// Zebrix on the session bus: the running zebrixd owns the name
// org.zebrix.<exe> and offers
//   /DdeZebconv  org.zebrix.Dde          macros (Execute), the item DdeZebrix
//                                        (Poke, Request), the picture
//   /Auto        org.zebrix.AutoFactory  Create: an automation object of the
//                                        caller's own
//   /Auto/<n>    org.zebrix.Auto         that object's properties and methods
// The interfaces are described by automation/dbus/*.xml, from which Qt's
// adaptors are generated; the classes below are the adaptors' objects.
//
// Calls run on the GUI thread one at a time, in the order they arrive, and
// never while another driver's creation is under way (a call that comes
// meanwhile waits in a queue); each is answered when it has run, and none
// runs in the middle of another. A call on an automation object from
// another client than its own, and a call carrying more text than any job
// needs, are refused at once and never reach the job.
#pragma once

#include "Auto.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QString>

class ICommandHost;
class JobModel;
class TAutomationService;

// The bus name of an executable: "org.zebrix." and its file name up to the
// first "." ("org.zebrix.zebrixd").
QString AutomationBusName(const QString &exeFileName);

// Offers the model on the session bus for the rest of the process's life
// (the service is a child of owner). Says once on standard error, and
// returns false, when there is no session bus or another program holds the
// name; Zebrix goes on without them.
bool StartAutomationService(JobModel &model, ICommandHost &host, QObject *owner);
// The same on a connection and under a name of the caller's choosing.
bool StartAutomationService(JobModel &model, ICommandHost &host, QObject *owner, const QDBusConnection &bus,
                            const QString &busName);

// The objects on the bus. The generated adaptor calls the members declared
// here; each hands its call to the service, which runs the member of the
// automation object in the call's turn and then sends the reply (or the
// member's failure as an error reply). The values returned here are never
// sent.

// /DdeZebconv: the macro object.
class TBusDde : public TDdeConv, public QDBusContext
{
    Q_OBJECT
public:
    TBusDde(TAutomationService &service, JobModel &model, ICommandHost &host);

    void Execute(const QString &macro);
    void Poke(const QString &item, const QString &text);
    QString Request(const QString &item);
    QString Picture(QByteArray &data);

private:
    TAutomationService &s;
};

// /Auto: Create makes an automation object for the caller.
class TAutoFactory : public TAutomationObject, public QDBusContext
{
    Q_OBJECT
public:
    explicit TAutoFactory(TAutomationService &service);

    QDBusObjectPath Create();

private:
    TAutomationService &s;
};

// /Auto/<n>: one client's automation object, until the client releases it
// or leaves the bus. Its properties are read and written in turn too
// (org.freedesktop.DBus.Properties is the service's own, not Qt's).
class TBusAuto : public TAuto, public QDBusContext
{
    Q_OBJECT
public:
    TBusAuto(TAutomationService &service, JobModel &model, ICommandHost &host, const QString &path,
             const QString &owner, QObject *parent);
    const QString &Path() const { return m_path; }
    // The client's unique bus name.
    const QString &Owner() const { return m_owner; }

    void Show(int Mode);
    int Execute();
    int SaveFile(const QString &FileName);
    QString SaveTempPict();
    void Release();

private:
    TAutomationService &s;
    QString m_path, m_owner;
};
