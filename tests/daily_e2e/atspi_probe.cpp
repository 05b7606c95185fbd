#include "tests/daily_e2e/atspi_probe.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <vector>

#include "camsim/testing/sim_process.h"

namespace {

struct ObjectRef {
  QString service;
  QDBusObjectPath path;
};

QDBusArgument& operator<<(QDBusArgument& argument, const ObjectRef& ref) {
  argument.beginStructure();
  argument << ref.service << ref.path;
  argument.endStructure();
  return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, ObjectRef& ref) {
  argument.beginStructure();
  argument >> ref.service >> ref.path;
  argument.endStructure();
  return argument;
}

}  // namespace

Q_DECLARE_METATYPE(ObjectRef)

namespace kelvara {
namespace testing {
namespace {

constexpr char kAccessible[] = "org.a11y.atspi.Accessible";
constexpr char kRoot[] = "/org/a11y/atspi/accessible/root";
constexpr unsigned kStateEnabled = 8;  // ATSPI_STATE_ENABLED

QDBusConnection AccessibilityBus() {
  QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                                                     QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress"));
  QDBusReply<QString> address = QDBusConnection::sessionBus().call(call);
  return QDBusConnection::connectToBus(address.isValid() ? address.value() : QString(), QStringLiteral("a11y"));
}

QDBusMessage Call(const QDBusConnection& bus, const QString& service, const QString& path, const char* interface,
                  const char* method, const QList<QVariant>& args = {}) {
  QDBusMessage call =
      QDBusMessage::createMethodCall(service, path, QString::fromLatin1(interface), QString::fromLatin1(method));
  call.setArguments(args);
  return bus.call(call, QDBus::Block, 5000);
}

QVariant Property(const QDBusConnection& bus, const QString& service, const QString& path, const char* name) {
  const QDBusMessage reply = Call(bus, service, path, "org.freedesktop.DBus.Properties", "Get",
                                  {QString::fromLatin1(kAccessible), QString::fromLatin1(name)});
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return QVariant();
  return reply.arguments().first().value<QDBusVariant>().variant();
}

}  // namespace

AtSpiProbe::AtSpiProbe() : bus_(AccessibilityBus()) { qDBusRegisterMetaType<ObjectRef>(); }

bool AtSpiProbe::Attach(qint64 pid, int ms) {
  if (!bus_.isConnected()) return false;
  QDeadlineTimer deadline(ms);
  do {
    const QStringList names = bus_.interface()->registeredServiceNames().value();
    for (const QString& name : names) {
      if (!name.startsWith(QLatin1Char(':'))) continue;
      if (static_cast<qint64>(bus_.interface()->servicePid(name).value()) != pid) continue;
      if (Property(bus_, name, QString::fromLatin1(kRoot), "ChildCount").toInt() > 0) {
        service_ = name;
        return true;
      }
    }
    QTest::qWait(200);
  } while (!deadline.hasExpired());
  return false;
}

std::optional<AtSpiProbe::Node> AtSpiProbe::Find(const QString& name, const std::optional<Node>& under) const {
  return Search(name, QString(), under);
}

std::optional<AtSpiProbe::Node> AtSpiProbe::FindOfRole(const QString& name, const QString& role) const {
  return Search(name, role, std::nullopt);
}

QString AtSpiProbe::Role(const Node& node) const {
  const QDBusMessage reply = Call(bus_, node.service, node.path, kAccessible, "GetRoleName");
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return QString();
  return reply.arguments().first().toString();
}

std::optional<AtSpiProbe::Node> AtSpiProbe::Search(const QString& name, const QString& role,
                                                   const std::optional<Node>& under) const {
  const QString start = under ? under->path : QString::fromLatin1(kRoot);
  std::deque<QString> paths{start};
  int visited = 0;
  while (!paths.empty() && ++visited < 5000) {
    const QString path = paths.front();
    paths.pop_front();
    if (path != start && Name({service_, path}) == name && (role.isEmpty() || Role({service_, path}) == role))
      return Node{service_, path};
    const QDBusMessage reply = Call(bus_, service_, path, kAccessible, "GetChildren");
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) continue;
    const QDBusArgument children = reply.arguments().first().value<QDBusArgument>();
    children.beginArray();
    while (!children.atEnd()) {
      ObjectRef ref;
      children >> ref;
      paths.push_back(ref.path.path());
    }
    children.endArray();
  }
  return std::nullopt;
}

QString AtSpiProbe::Name(const Node& node) const { return Property(bus_, node.service, node.path, "Name").toString(); }

QString AtSpiProbe::Description(const Node& node) const {
  return Property(bus_, node.service, node.path, "Description").toString();
}

bool AtSpiProbe::Enabled(const Node& node) const {
  const QDBusMessage reply = Call(bus_, node.service, node.path, kAccessible, "GetState");
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return false;
  const QDBusArgument states = reply.arguments().first().value<QDBusArgument>();
  QList<uint> words;
  states >> words;
  return !words.isEmpty() && (words[0] & (1u << kStateEnabled)) != 0;
}

QString AtSpiProbe::Text(const Node& node) const {
  const QDBusMessage reply = Call(bus_, node.service, node.path, "org.a11y.atspi.Text", "GetText", {0, -1});
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return QString();
  return reply.arguments().first().toString();
}

bool AtSpiProbe::Press(const Node& node) const {
  const QDBusMessage reply = Call(bus_, node.service, node.path, "org.a11y.atspi.Action", "DoAction", {0});
  return reply.type() == QDBusMessage::ReplyMessage;
}

QRect AtSpiProbe::Extents(const Node& node) const {
  const QDBusMessage reply =
      Call(bus_, node.service, node.path, "org.a11y.atspi.Component", "GetExtents", {QVariant::fromValue(0u)});
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return QRect();
  const QDBusArgument box = reply.arguments().first().value<QDBusArgument>();
  int x = 0, y = 0, w = 0, h = 0;
  box.beginStructure();
  box >> x >> y >> w >> h;
  box.endStructure();
  return QRect(x, y, w, h);
}

void PrepareClientFolder(const std::string& bin_folder, const std::string& folder) {
  namespace fs = std::filesystem;
  for (const char* name : {"Brenvik", "libUART.so", "Table", "angle.org"}) {
    std::error_code ignored;
    fs::create_symlink(bin_folder + name, folder + "/" + name, ignored);
  }
  fs::copy_file(bin_folder + "Kelvara", folder + "/Kelvara");
}

std::string CommandOutput(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[4096];
    size_t n = 0;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);  // dumps hold NUL bytes
    pclose(p);
  }
  return out;
}

int RunAccessibilityTests(int argc, char** argv) {
  if (!std::getenv("DBUS_SESSION_BUS_ADDRESS")) {
    std::vector<char*> args{const_cast<char*>("dbus-run-session"), const_cast<char*>("--")};
    for (int i = 0; i < argc; ++i) args.push_back(argv[i]);
    args.push_back(nullptr);
    execvp(args[0], args.data());
    std::perror("dbus-run-session");
    return 1;
  }
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  PrivateRuntimeDir runtime;
  return RUN_ALL_TESTS();
}

}  // namespace testing
}  // namespace kelvara
