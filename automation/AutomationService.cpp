#include "AutomationService.h"

#include "AutoAdaptor.h"
#include "AutoFactoryAdaptor.h"
#include "CommandLine.h"
#include "DdeAdaptor.h"
#include "JobModel.h"
#include "Texts.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QFileInfo>
#include <QMetaProperty>
#include <QScopeGuard>
#include <QTimer>
#include <cstdio>
#include <deque>
#include <map>
#include <memory>

namespace {

const QString kDdePath = QStringLiteral("/DdeZebconv");
const QString kAutoPath = QStringLiteral("/Auto");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

const char *classInfo(const QObject *o, const char *name)
{
    const QMetaObject *mo = o->metaObject();
    const int i = mo->indexOfClassInfo(name);
    return i >= 0 ? mo->classInfo(i).value() : "";
}

QString interfaceOf(const QObject *adaptor) { return QString::fromLatin1(classInfo(adaptor, "D-Bus Interface")); }

QString signatureOf(QMetaType type)
{
    const char *s = QDBusMetaType::typeToSignature(type);
    return s ? QString::fromLatin1(s) : QString();
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

class TAutomationService;

// The service's objects under one root path of the bus (the macro object,
// or the factory with its children).
class TBusNode : public QDBusVirtualObject
{
public:
    explicit TBusNode(TAutomationService &service) : s(service) {}
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;
    QString introspect(const QString &path) const override;

private:
    TAutomationService &s;
};

class TAutomationService : public QObject
{
public:
    TAutomationService(JobModel &model, ICommandHost &host, const QDBusConnection &bus, QObject *parent);
    ~TAutomationService() override;
    bool Start(const QString &busName);
    bool Receive(const QDBusMessage &message);
    QString Introspect(const QString &path) const;

private:
    // One client's automation object and its adaptor.
    struct TClientObject {
        std::unique_ptr<TAuto> object;
        QDBusAbstractAdaptor *adaptor = nullptr;
        QString owner;   // the client's unique bus name
    };

    void runQueue();
    QDBusMessage dispatch(const QDBusMessage &msg);
    QDBusMessage callMethod(QObject *adaptor, TAutomationObject *impl, const QDBusMessage &msg);
    QDBusMessage properties(QObject *adaptor, TAutomationObject *impl, const QDBusMessage &msg);
    QDBusObjectPath create();
    void release(quint64 id);
    void clientLeft(const QString &name);

    JobModel &m;
    TBusCommandHost m_host;
    QDBusConnection m_bus;
    QString m_name;
    TBusNode m_ddeNode{*this}, m_autoNode{*this};
    TDdeConv m_dde;
    TAutoFactory m_factory;
    QDBusAbstractAdaptor *m_ddeAdaptor, *m_factoryAdaptor;
    std::map<quint64, TClientObject> m_objects;
    quint64 m_nextId = 1;
    // Released while one of their members may still be on the stack: freed
    // when the call that is running ends.
    std::vector<std::unique_ptr<TAuto>> m_released;
    QDBusServiceWatcher m_watcher;
    std::deque<QDBusMessage> m_queue;
    bool m_running = false;
    QTimer m_retry;
    QString m_caller;
};

bool TBusNode::handleMessage(const QDBusMessage &message, const QDBusConnection &) { return s.Receive(message); }
QString TBusNode::introspect(const QString &path) const { return s.Introspect(path); }

TAutomationService::TAutomationService(JobModel &model, ICommandHost &host, const QDBusConnection &bus,
                                       QObject *parent)
    : QObject(parent), m(model), m_host(host), m_bus(bus), m_dde(model, m_host),
      m_factory([this] { return create(); })
{
    m_ddeAdaptor = new DdeAdaptor(&m_dde);
    m_factoryAdaptor = new AutoFactoryAdaptor(&m_factory);
    // A call waits while another driver's creation is running.
    m_retry.setSingleShot(true);
    m_retry.setInterval(5);
    connect(&m_retry, &QTimer::timeout, this, &TAutomationService::runQueue);
    m_watcher.setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    connect(&m_watcher, &QDBusServiceWatcher::serviceUnregistered, this, &TAutomationService::clientLeft);
}

TAutomationService::~TAutomationService()
{
    if (m_bus.isConnected()) {
        m_bus.unregisterObject(kDdePath);
        m_bus.unregisterObject(kAutoPath);
    }
}

bool TAutomationService::Start(const QString &busName)
{
    if (!m_bus.isConnected()) {
        std::fprintf(stderr, "%s\n", qPrintable(texts::NoSessionBus()));
        return false;
    }
    // The objects first: a call that started Zebrix is delivered as soon as
    // the name is taken.
    m_bus.registerVirtualObject(kDdePath, &m_ddeNode, QDBusConnection::SingleNode);
    m_bus.registerVirtualObject(kAutoPath, &m_autoNode, QDBusConnection::SubPath);
    if (!m_bus.registerService(busName)) {
        std::fprintf(stderr, "%s\n", qPrintable(texts::BusNameTaken(busName)));
        m_bus.unregisterObject(kDdePath);
        m_bus.unregisterObject(kAutoPath);
        return false;
    }
    m_name = busName;
    m_watcher.setConnection(m_bus);
    // Giving the name back is a round trip to the bus: every answer sent
    // before it (the one to a closing macro too) has left when it returns.
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this,
            [this] { m_bus.unregisterService(m_name); });
    return true;
}

bool TAutomationService::Receive(const QDBusMessage &message)
{
    const QString iface = message.interface();
    if (iface == u"org.freedesktop.DBus.Introspectable" || iface == u"org.freedesktop.DBus.Peer")
        return false;   // Qt answers these from Introspect
    m_queue.push_back(message);
    runQueue();
    return true;
}

void TAutomationService::runQueue()
{
    // A call further down the stack drains the queue when it ends.
    if (m_running)
        return;
    m_running = true;
    const auto done = qScopeGuard([this] {
        m_running = false;
        m_released.clear();
    });
    while (!m_queue.empty()) {
        // Another driver (the command line, the window) is creating further
        // down the stack: come back when it has finished.
        if (m.Running || m.Creating) {
            m_retry.start();
            return;
        }
        const QDBusMessage msg = m_queue.front();
        m_queue.pop_front();
        const QDBusMessage reply = dispatch(msg);
        if (msg.isReplyRequired())
            m_bus.send(reply);
    }
}

QDBusMessage TAutomationService::dispatch(const QDBusMessage &msg)
{
    const QString path = msg.path();
    QObject *adaptor = nullptr;
    TAutomationObject *impl = nullptr;
    if (path == kDdePath) {
        adaptor = m_ddeAdaptor;
        impl = &m_dde;
    } else if (path == kAutoPath) {
        adaptor = m_factoryAdaptor;
        impl = &m_factory;
    } else if (path.startsWith(kAutoPath + u'/')) {
        bool ok = false;
        const quint64 id = path.mid(kAutoPath.size() + 1).toULongLong(&ok);
        const auto it = ok ? m_objects.find(id) : m_objects.end();
        if (it != m_objects.end()) {
            adaptor = it->second.adaptor;
            impl = it->second.object.get();
        }
    }
    if (!adaptor)
        return msg.createErrorReply(QDBusError::UnknownObject, texts::BusUnknownObject(path));
    m_caller = msg.service();
    if (msg.interface() == kProperties)
        return properties(adaptor, impl, msg);
    if (!msg.interface().isEmpty() && msg.interface() != interfaceOf(adaptor))
        return msg.createErrorReply(QDBusError::UnknownInterface, texts::BusUnknownInterface(msg.interface(), path));
    return callMethod(adaptor, impl, msg);
}

QDBusMessage TAutomationService::callMethod(QObject *adaptor, TAutomationObject *impl, const QDBusMessage &msg)
{
    // The member as the generated adaptor declares it: its in arguments in
    // the call, its return value and out arguments in the answer.
    const QMetaObject *mo = adaptor->metaObject();
    const QByteArray name = msg.member().toLatin1();
    for (int i = mo->methodOffset(); i < mo->methodCount(); ++i) {
        const QMetaMethod mm = mo->method(i);
        if (mm.methodType() != QMetaMethod::Slot || mm.name() != name)
            continue;
        const QList<QByteArray> types = mm.parameterTypes();
        QVariantList in = msg.arguments();
        std::vector<QVariant> out;
        std::vector<void *> argv(size_t(types.size() + 1), nullptr);
        QString inSignature;
        qsizetype next = 0;
        bool fits = true;
        for (qsizetype p = 0; p < types.size(); ++p) {
            if (types.at(p).endsWith('&')) {
                out.emplace_back(QMetaType::fromName(types.at(p).chopped(1)));
                continue;
            }
            inSignature += signatureOf(mm.parameterMetaType(int(p)));
            fits = fits && next < in.size() && in.at(next).metaType() == mm.parameterMetaType(int(p));
            ++next;
        }
        if (!fits || next != in.size())
            return msg.createErrorReply(QDBusError::InvalidArgs, texts::BusUnknownMember(msg.member(), inSignature));
        // Pointers to the arguments in declaration order (after the return value).
        qsizetype nextIn = 0, nextOut = 0;
        for (qsizetype p = 0; p < types.size(); ++p)
            argv[size_t(p + 1)] = types.at(p).endsWith('&') ? out[size_t(nextOut++)].data() : in[nextIn++].data();
        QVariant result;
        if (mm.returnMetaType().id() != QMetaType::Void) {
            result = QVariant(mm.returnMetaType());
            argv[0] = result.data();
        }
        QMetaObject::metacall(adaptor, QMetaObject::InvokeMetaMethod, i, argv.data());
        if (const auto failure = impl->TakeFailure())
            return msg.createErrorReply(failure->name, failure->message);
        QVariantList answer;
        if (result.isValid())
            answer << result;
        for (const QVariant &v : out)
            answer << v;
        return msg.createReply(answer);
    }
    return msg.createErrorReply(QDBusError::UnknownMethod, texts::BusUnknownMember(msg.member(), msg.signature()));
}

QDBusMessage TAutomationService::properties(QObject *adaptor, TAutomationObject *impl, const QDBusMessage &msg)
{
    const QVariantList args = msg.arguments();
    const QString member = msg.member();
    const QString sig = msg.signature();
    if (!(member == u"Get" && sig == u"ss") && !(member == u"Set" && sig == u"ssv")
        && !(member == u"GetAll" && sig == u"s"))
        return msg.createErrorReply(QDBusError::UnknownMethod, texts::BusUnknownMember(member, sig));
    const QString iface = args.at(0).toString();
    if (!iface.isEmpty() && iface != interfaceOf(adaptor))
        return msg.createErrorReply(QDBusError::UnknownInterface, texts::BusUnknownInterface(iface, msg.path()));

    // The properties are those the generated adaptor declares, with its types.
    const QMetaObject *mo = adaptor->metaObject();
    if (member == u"GetAll") {
        QVariantMap all;
        for (int i = mo->propertyOffset(); i < mo->propertyCount(); ++i)
            all.insert(QString::fromLatin1(mo->property(i).name()), mo->property(i).read(adaptor));
        return msg.createReply(QVariant::fromValue(all));
    }
    const QString name = args.at(1).toString();
    const int index = mo->indexOfProperty(name.toLatin1().constData());
    if (index < mo->propertyOffset())
        return msg.createErrorReply(QDBusError::UnknownProperty, texts::BusUnknownProperty(name));
    const QMetaProperty prop = mo->property(index);
    if (member == u"Get")
        return msg.createReply(QVariant::fromValue(QDBusVariant(prop.read(adaptor))));
    const QVariant value = qvariant_cast<QDBusVariant>(args.at(2)).variant();
    if (value.metaType() != prop.metaType())
        return msg.createErrorReply(QDBusError::InvalidArgs,
                                    texts::BusPropertyType(name, signatureOf(prop.metaType())));
    prop.write(adaptor, value);
    if (const auto failure = impl->TakeFailure())
        return msg.createErrorReply(failure->name, failure->message);
    return msg.createReply();
}

QString TAutomationService::Introspect(const QString &path) const
{
    if (path == kDdePath)
        return QString::fromUtf8(classInfo(m_ddeAdaptor, "D-Bus Introspection"));
    if (path == kAutoPath) {
        QString xml = QString::fromUtf8(classInfo(m_factoryAdaptor, "D-Bus Introspection"));
        for (const auto &[id, client] : m_objects)
            xml += QStringLiteral("  <node name=\"%1\"/>\n").arg(id);
        return xml;
    }
    bool ok = false;
    const quint64 id = path.mid(kAutoPath.size() + 1).toULongLong(&ok);
    const auto it = ok ? m_objects.find(id) : m_objects.end();
    return it != m_objects.end() ? QString::fromUtf8(classInfo(it->second.adaptor, "D-Bus Introspection"))
                                 : QString();
}

QDBusObjectPath TAutomationService::create()
{
    const quint64 id = m_nextId++;
    TClientObject &c = m_objects[id];
    c.object = std::make_unique<TAuto>(m, m_host);
    c.adaptor = new AutoAdaptor(c.object.get());
    c.owner = m_caller;
    connect(c.object.get(), &TAuto::released, this, [this, id] { release(id); });
    // The object lives as long as its client stays on the bus.
    if (!c.owner.isEmpty() && !m_watcher.watchedServices().contains(c.owner)) {
        m_watcher.addWatchedService(c.owner);
        if (!m_bus.interface()->isServiceRegistered(c.owner))
            QTimer::singleShot(0, this, [this, owner = c.owner] { clientLeft(owner); });
    }
    return QDBusObjectPath(kAutoPath + u'/' + QString::number(id));
}

void TAutomationService::release(quint64 id)
{
    const auto it = m_objects.find(id);
    if (it == m_objects.end())
        return;
    m_released.push_back(std::move(it->second.object));
    m_objects.erase(it);
    if (!m_running)
        m_released.clear();
}

void TAutomationService::clientLeft(const QString &name)
{
    m_watcher.removeWatchedService(name);
    std::vector<quint64> gone;
    for (const auto &[id, client] : m_objects)
        if (client.owner == name)
            gone.push_back(id);
    for (const quint64 id : gone)
        release(id);
}

} // namespace

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
