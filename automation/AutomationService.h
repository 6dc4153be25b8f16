// Zebrix on the session bus: the running zebrixd owns the name
// org.zebrix.<exe> and offers
//   /DdeZebconv  org.zebrix.Dde          macros (Execute), the item DdeZebrix
//                                        (Poke, Request), the picture
//   /Auto        org.zebrix.AutoFactory  Create: an automation object of the
//                                        caller's own
//   /Auto/<n>    org.zebrix.Auto         that object's properties and methods
// The interfaces are described by automation/dbus/*.xml, from which the
// adaptors are generated.
//
// Calls run on the GUI thread one at a time, in the order they arrive, and
// never while another driver's creation is under way (a call that comes
// meanwhile waits in a queue); each is answered when it has run.
#pragma once

#include "Auto.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QString>
#include <functional>

class ICommandHost;
class JobModel;

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

// The factory object /Auto: Create asks the service for a new object.
class TAutoFactory : public TAutomationObject
{
    Q_OBJECT
public:
    explicit TAutoFactory(std::function<QDBusObjectPath()> create, QObject *parent = nullptr)
        : TAutomationObject(parent), m_create(std::move(create))
    {
    }

public slots:
    QDBusObjectPath Create() { return m_create(); }

private:
    std::function<QDBusObjectPath()> m_create;
};
