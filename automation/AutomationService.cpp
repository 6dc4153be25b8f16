#include "AutomationService.h"

#include "AutoAdaptor.h"
#include "AutoFactoryAdaptor.h"
#include "CommandLine.h"
#include "DdeAdaptor.h"
#include "JobModel.h"
#include "Texts.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QFileInfo>
#include <QMetaProperty>
#include <QPointer>
#include <QScopedValueRollback>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <deque>
#include <memory>
#include <optional>
#include <type_traits>
#include <variant>

namespace {

const QString kDdePath = QStringLiteral("/DdeZebconv");
const QString kAutoPath = QStringLiteral("/Auto");

// What a call answers: the values of its reply, or the failure it ends with.
using TAnswer = std::variant<QVariantList, TAutomationObject::Failure>;

template <class... T>
TAnswer values(const T &...v)
{
    return QVariantList{QVariant::fromValue(v)...};
}

TAutomationObject::Failure busError(QDBusError::ErrorType type, const QString &message)
{
    return {QDBusError::errorString(type), message};
}

// The most text one call may carry, all its arguments together: far more
// than any macro or any symbol's data needs (a symbol holds a few thousand
// characters), far less than the bus can carry (128 MiB).
constexpr qsizetype kMaxCallText = 16 * 1024 * 1024;

// The characters (or bytes) of text a call carries.
qsizetype textLength(const QVariant &argument)
{
    if (argument.metaType() == QMetaType::fromType<QString>())
        return argument.toString().size();
    if (argument.metaType() == QMetaType::fromType<QByteArray>())
        return argument.toByteArray().size();
    if (argument.metaType() == QMetaType::fromType<QDBusVariant>())
        return textLength(argument.value<QDBusVariant>().variant());
    return 0;
}
qsizetype textLength(const QDBusMessage &call)
{
    qsizetype length = 0;
    for (const QVariant &argument : call.arguments())
        length += textLength(argument);
    return length;
}

// The window's host for macros that come over the bus: "CLOSE" closes the
// window only once the macro has been answered, so that the client hears
// the answer before Zebrix is gone.
class TBusCommandHost : public ICommandHost
{
public:
    explicit TBusCommandHost(ICommandHost &host) : h(host) {}
    void ProcessMessages() override { h.ProcessMessages(); }
    void Minimize() override { h.Minimize(); }
    void RequestClose() override
    {
        QTimer::singleShot(0, QCoreApplication::instance(), [&host = h] { host.RequestClose(); });
    }
    void SetTrayIcon(bool visible) override { h.SetTrayIcon(visible); }
    void SetShowMainForm(bool show) override { h.SetShowMainForm(show); }
    bool ShowMainForm() const override { return h.ShowMainForm(); }
    void Show(bool show) override { h.Show(show); }
    void Save(JobModel &model, const QString &fileName) override { h.Save(model, fileName); }

private:
    ICommandHost &h;
};

} // namespace

class TAutomationService : public QObject
{
public:
    TAutomationService(JobModel &model, ICommandHost &host, const QDBusConnection &bus, QObject *parent);
    ~TAutomationService() override;
    bool Start(const QString &busName);
    // Takes over the reply to the call Qt is delivering to object (a bus
    // object: it holds the call's context) and runs member in the call's
    // turn, at once when nothing else runs. The reply carries what member
    // returns, or is the answer member gives as a TAnswer.
    template <class Member>
    auto Call(TAutomationObject &object, Member member) -> decltype(member())
    {
        using R = decltype(member());
        enqueue(object, [member]() -> TAnswer {
            if constexpr (std::is_void_v<R>) {
                member();
                return values();
            } else if constexpr (std::is_same_v<R, TAnswer>) {
                return member();
            } else {
                return values(member());
            }
        });
        return R();
    }
    // A new automation object at /Auto/<n> for the client owner (a unique
    // bus name).
    QDBusObjectPath CreateFor(const QString &owner);

private:
    struct TCall {
        QDBusMessage message;
        QPointer<TAutomationObject> object;
        std::function<TAnswer()> run;
    };

    void enqueue(TAutomationObject &object, std::function<TAnswer()> run);
    std::optional<TAutomationObject::Failure> refused(const TAutomationObject &object, const QDBusMessage &call) const;
    void runQueue();
    QDBusMessage answer(const TCall &call);
    void letGo(const QDBusMessage &call);
    void watch(const QString &owner);
    void release(TBusAuto *object);
    void clientLeft(const QString &name);

    JobModel &m;
    TBusCommandHost m_host;
    QDBusConnection m_bus;
    QString m_name;
    TBusDde m_dde{*this, m, m_host};
    TAutoFactory m_factory{*this};
    quint64 m_nextId = 1;
    QDBusServiceWatcher m_watcher;
    // An automation client between its Execute and its save: its own calls
    // go first and every other driver waits, at most kPairHoldMs.
    void afterCall(const TCall &call, bool othersWaiting);
    void startHold(TAutomationObject *object);
    void endHold();

    std::deque<TCall> m_queue;
    bool m_running = false;
    QMetaObject::Connection m_waitingForJob;
    QPointer<TAutomationObject> m_holder;
    bool m_holding = false;
    QTimer m_holdTimer;
};

namespace {

// org.freedesktop.DBus.Properties of an automation object, answered here
// instead of by Qt: reads and writes wait their turn like the methods, and
// a write that fails is an error reply. The properties are those the
// object's generated adaptor declares, with its types.
class TBusProperties : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.DBus.Properties")
    Q_CLASSINFO("D-Bus Introspection", "")   // Qt describes the standard interface itself

public:
    TBusProperties(TAutomationService &service, TBusAuto &object, QDBusAbstractAdaptor &adaptor)
        : QDBusAbstractAdaptor(&object), s(service), m_object(object), m_adaptor(adaptor)
    {
    }

public slots:
    QDBusVariant Get(const QString &iface, const QString &name)
    {
        inTurn(iface, name, [this](const QMetaProperty &p) { return values(QDBusVariant(p.read(&m_adaptor))); });
        return {};
    }
    void Set(const QString &iface, const QString &name, const QDBusVariant &value)
    {
        inTurn(iface, name, [=, this](const QMetaProperty &p) -> TAnswer {
            if (value.variant().metaType() != p.metaType()) {
                const auto signature = QString::fromLatin1(QDBusMetaType::typeToSignature(p.metaType()));
                return busError(QDBusError::InvalidArgs, texts::BusPropertyType(name, signature));
            }
            p.write(&m_adaptor, value.variant());
            return values();
        });
    }
    QVariantMap GetAll(const QString &iface)
    {
        s.Call(m_object, [=, this]() -> TAnswer {
            if (auto failure = foreign(iface))
                return *failure;
            QVariantMap all;
            const QMetaObject *mo = m_adaptor.metaObject();
            for (int i = mo->propertyOffset(); i < mo->propertyCount(); ++i)
                all.insert(QString::fromLatin1(mo->property(i).name()), mo->property(i).read(&m_adaptor));
            return values(all);
        });
        return {};
    }

private:
    // Why iface is not the object's interface (an empty name stands for
    // it), when it is not.
    std::optional<TAutomationObject::Failure> foreign(const QString &iface) const
    {
        const QMetaObject *mo = m_adaptor.metaObject();
        const QLatin1String own(mo->classInfo(mo->indexOfClassInfo("D-Bus Interface")).value());
        if (iface.isEmpty() || iface == own)
            return std::nullopt;
        return busError(QDBusError::UnknownInterface, texts::BusUnknownInterface(iface, m_object.Path()));
    }
    // Has use answer, in the call's turn, with the property name of the
    // interface iface, or answers that there is none.
    void inTurn(const QString &iface, const QString &name, const std::function<TAnswer(const QMetaProperty &)> &use)
    {
        s.Call(m_object, [=, this]() -> TAnswer {
            if (auto failure = foreign(iface))
                return *failure;
            const QMetaObject *mo = m_adaptor.metaObject();
            const int index = mo->indexOfProperty(name.toLatin1().constData());
            if (index < mo->propertyOffset())
                return busError(QDBusError::UnknownProperty, texts::BusUnknownProperty(name));
            return use(mo->property(index));
        });
    }

    TAutomationService &s;
    TBusAuto &m_object;
    QDBusAbstractAdaptor &m_adaptor;
};

} // namespace

// --- The objects on the bus -------------------------------------------------------------------

TBusDde::TBusDde(TAutomationService &service, JobModel &model, ICommandHost &host)
    : TDdeConv(model, host), s(service)
{
    new DdeAdaptor(this);
}

void TBusDde::Execute(const QString &macro) { s.Call(*this, [=, this] { TDdeConv::Execute(macro); }); }
void TBusDde::Poke(const QString &item, const QString &text)
{
    s.Call(*this, [=, this] { TDdeConv::Poke(item, text); });
}
QString TBusDde::Request(const QString &item) { return s.Call(*this, [=, this] { return TDdeConv::Request(item); }); }
QString TBusDde::Picture(QByteArray &)
{
    s.Call(*this, [this] {
        QByteArray data;
        const QString kind = TDdeConv::Picture(data);
        return values(kind, data);
    });
    return {};
}

TAutoFactory::TAutoFactory(TAutomationService &service) : s(service) { new AutoFactoryAdaptor(this); }
QDBusObjectPath TAutoFactory::Create()
{
    return s.Call(*this, [this, owner = message().service()] { return s.CreateFor(owner); });
}

TBusAuto::TBusAuto(TAutomationService &service, JobModel &model, ICommandHost &host, const QString &path,
                   const QString &owner, QObject *parent)
    : TAuto(model, host, parent), s(service), m_path(path), m_owner(owner)
{
    new TBusProperties(service, *this, *new AutoAdaptor(this));
}

void TBusAuto::Show(int Mode) { s.Call(*this, [=, this] { TAuto::Show(Mode); }); }
int TBusAuto::Execute() { return s.Call(*this, [this] { return TAuto::Execute(); }); }
int TBusAuto::SaveFile(const QString &FileName)
{
    return s.Call(*this, [=, this] { return TAuto::SaveFile(FileName); });
}
QString TBusAuto::SaveTempPict() { return s.Call(*this, [this] { return TAuto::SaveTempPict(); }); }
void TBusAuto::Release() { s.Call(*this, [this] { TAuto::Release(); }); }

// --- The service ------------------------------------------------------------------------------

TAutomationService::TAutomationService(JobModel &model, ICommandHost &host, const QDBusConnection &bus,
                                       QObject *parent)
    : QObject(parent), m(model), m_host(host), m_bus(bus)
{
    m_watcher.setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    connect(&m_watcher, &QDBusServiceWatcher::serviceUnregistered, this, &TAutomationService::clientLeft);
    m_holdTimer.setSingleShot(true);
    connect(&m_holdTimer, &QTimer::timeout, this, [this] {
        endHold();
        runQueue();
    });
}

TAutomationService::~TAutomationService()
{
    m_bus.unregisterObject(kDdePath);
    m_bus.unregisterObject(kAutoPath, QDBusConnection::UnregisterTree);
}

bool TAutomationService::Start(const QString &busName)
{
    if (!m_bus.isConnected()) {
        std::fprintf(stderr, "%s\n", qPrintable(texts::NoSessionBus()));
        return false;
    }
    // The objects first: a call that started Zebrix is delivered as soon as
    // the name is taken.
    m_bus.registerObject(kDdePath, &m_dde, QDBusConnection::ExportAdaptors);
    m_bus.registerObject(kAutoPath, &m_factory, QDBusConnection::ExportAdaptors);
    if (!m_bus.registerService(busName)) {
        std::fprintf(stderr, "%s\n", qPrintable(texts::BusNameTaken(busName)));
        return false;   // the objects leave the bus with the service
    }
    m_name = busName;
    m_watcher.setConnection(m_bus);
    // Giving the name back is a round trip to the bus: every answer sent
    // before it (the one to a closing macro too) has left when it returns.
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this,
            [this] { m_bus.unregisterService(m_name); });
    return true;
}

void TAutomationService::enqueue(TAutomationObject &object, std::function<TAnswer()> run)
{
    const auto &context = dynamic_cast<const QDBusContext &>(object);
    context.setDelayedReply(true);
    const QDBusMessage &call = context.message();
    // A call that may not run is answered at once: it never waits, and the
    // job never sees it.
    if (const auto failure = refused(object, call)) {
        if (call.isReplyRequired())
            m_bus.send(call.createErrorReply(failure->name, failure->message));
        letGo(call);
        return;
    }
    m_queue.push_back({call, &object, std::move(run)});
    runQueue();
}

std::optional<TAutomationObject::Failure> TAutomationService::refused(const TAutomationObject &object,
                                                                      const QDBusMessage &call) const
{
    // An automation object answers the client that created it, and no other.
    if (const auto *own = qobject_cast<const TBusAuto *>(&object); own && call.service() != own->Owner())
        return TAutomationObject::Failure{QString::fromLatin1(automation_error::kFailed),
                                          texts::BusNotYourObject(own->Path())};
    if (const qsizetype length = textLength(call); length > kMaxCallText)
        return TAutomationObject::Failure{QString::fromLatin1(automation_error::kTooLong),
                                          texts::BusCallTooLong(length, kMaxCallText)};
    return std::nullopt;
}

void TAutomationService::runQueue()
{
    // A call further down the stack drains the queue when it ends.
    if (m_running)
        return;
    const QScopedValueRollback running(m_running, true);
    while (!m_queue.empty()) {
        // Held for a client between its Execute and its save: its next call
        // is the one to run; the others wait for it or for the hold's end.
        auto next = m_queue.begin();
        if (m_holding) {
            next = std::find_if(m_queue.begin(), m_queue.end(),
                                [this](const TCall &c) { return c.object && c.object == m_holder; });
            if (next == m_queue.end())
                break;
        }
        // Another driver (the command line, the window) is creating further
        // down the stack, or a save waits for its reader. It has returned,
        // or waits for events itself, when this thread is next about to
        // sleep: look again then.
        if (m.Running || m.Creating || m.Held > (m_holding ? 1 : 0)) {
            if (!m_waitingForJob)
                m_waitingForJob = connect(QAbstractEventDispatcher::instance(thread()),
                                          &QAbstractEventDispatcher::aboutToBlock, this,
                                          &TAutomationService::runQueue);
            return;
        }
        const TCall call = std::move(*next);
        m_queue.erase(next);
        const QDBusMessage reply = answer(call);
        if (call.message.isReplyRequired())
            m_bus.send(reply);
        afterCall(call, !m_queue.empty());
        letGo(call.message);
    }
    disconnect(m_waitingForJob);
}

// An Execute and the save after it are one unit for their client: what it
// saves is what its Execute made, whatever other drivers have queued
// meanwhile. The hold ends with the client's save, its release, when it
// leaves the bus, or after kPairHoldMs; an Execute that follows an Execute
// while others wait does not hold again, so that no client can keep the
// others out.
constexpr int kPairHoldMs = 2000;

void TAutomationService::afterCall(const TCall &call, bool othersWaiting)
{
    const QString member = call.message.member();
    const bool execute = member == u"Execute" && qobject_cast<TBusAuto *>(call.object.data());
    const bool heldBefore = m_holding && call.object == m_holder;
    if (heldBefore && (member == u"SaveFile" || member == u"SaveTempPict" || member == u"Release" || execute))
        endHold();
    if (execute && call.object && !(heldBefore && othersWaiting))
        startHold(call.object);
}

void TAutomationService::startHold(TAutomationObject *object)
{
    if (!m_holding)
        ++m.Held;
    m_holding = true;
    m_holder = object;
    m_holdTimer.start(kPairHoldMs);
}

void TAutomationService::endHold()
{
    if (!m_holding)
        return;
    m_holding = false;
    m_holder = nullptr;
    --m.Held;
    m_holdTimer.stop();
    // Forwarded lists look again when the thread is next about to sleep.
    if (!m_running)
        QTimer::singleShot(0, this, &TAutomationService::runQueue);
}

// While the calls it has read and not yet freed hold 63 MiB or more, libdbus
// stops reading the connection; it reads again when they are freed, and
// says so from the thread that frees the last of them. Qt's connection
// takes that word only in its own bus thread: from this one the connection
// stays deaf for good. So a call is freed there, once Qt's own copy (in
// the event that delivered it here) is gone too.
void TAutomationService::letGo(const QDBusMessage &call)
{
    QMetaObject::invokeMethod(
        this,
        [this, held = std::make_unique<QDBusMessage>(call)]() mutable {
            // The connection's own object of the bus (org.freedesktop.DBus)
            // lives in that thread.
            if (QObject *busThread = m_bus.interface()) {
                // Freed in the body: the wrapper may die in either thread.
                QMetaObject::invokeMethod(busThread, [held = std::move(held)]() mutable { held.reset(); },
                                          Qt::QueuedConnection);
            }
        },
        Qt::QueuedConnection);
}

QDBusMessage TAutomationService::answer(const TCall &call)
{
    const QDBusMessage &msg = call.message;
    // Released (by its client, or as the client left) while the call waited.
    if (!call.object || m_bus.objectRegisteredAt(msg.path()) != call.object)
        return msg.createErrorReply(QDBusError::UnknownObject, texts::BusUnknownObject(msg.path()));
    TAnswer answer = call.run();
    if (auto failure = call.object->TakeFailure())
        answer = std::move(*failure);
    if (const auto *failure = std::get_if<TAutomationObject::Failure>(&answer))
        return msg.createErrorReply(failure->name, failure->message);
    return msg.createReply(std::get<QVariantList>(answer));
}

QDBusObjectPath TAutomationService::CreateFor(const QString &owner)
{
    const QString path = kAutoPath + u'/' + QString::number(m_nextId++);
    auto *object = new TBusAuto(*this, m, m_host, path, owner, this);
    connect(object, &TAuto::released, this, [this, object] { release(object); });
    m_bus.registerObject(path, object, QDBusConnection::ExportAdaptors);
    watch(owner);
    return QDBusObjectPath(path);
}

// The objects of a client live as long as it stays on the bus.
void TAutomationService::watch(const QString &owner)
{
    if (owner.isEmpty() || m_watcher.watchedServices().contains(owner))
        return;
    m_watcher.addWatchedService(owner);
    if (!m_bus.interface()->isServiceRegistered(owner))
        QTimer::singleShot(0, this, [this, owner] { clientLeft(owner); });
}

void TAutomationService::release(TBusAuto *object)
{
    if (m_holding && m_holder == object)
        endHold();
    // Gone from the bus at once; freed once none of its members is on the
    // stack any more.
    m_bus.unregisterObject(object->Path());
    object->deleteLater();
}

void TAutomationService::clientLeft(const QString &name)
{
    m_watcher.removeWatchedService(name);
    for (TBusAuto *object : findChildren<TBusAuto *>(Qt::FindDirectChildrenOnly))
        if (object->Owner() == name)
            release(object);
}

QString AutomationBusName(const QString &exeFileName)
{
    return QStringLiteral("org.zebrix.") + QFileInfo(exeFileName).fileName().section(u'.', 0, 0);
}

bool StartAutomationService(JobModel &model, ICommandHost &host, QObject *owner)
{
    return StartAutomationService(model, host, owner, QDBusConnection::sessionBus(),
                                  AutomationBusName(QCoreApplication::applicationFilePath()));
}

bool StartAutomationService(JobModel &model, ICommandHost &host, QObject *owner, const QDBusConnection &bus,
                            const QString &busName)
{
    auto *service = new TAutomationService(model, host, bus, owner);
    if (service->Start(busName))
        return true;
    delete service;
    return false;
}

#include "AutomationService.moc"
