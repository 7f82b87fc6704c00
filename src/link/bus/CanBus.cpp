#include "link/bus/CanBus.h"

#include <QCoreApplication>
#include <QLibrary>

namespace j1939 {

namespace {

using DriverEntry = CanDriver* (*)();

// Where the module is: beside an installed program's bin folder
// (lib/j1939config), or for a program run from the build folder, the
// build's own. The paths are made here rather than left to the run path,
// which the sanitizers' dlopen does not read.
QStringList modulePaths() {
  const QString programs = QCoreApplication::applicationDirPath();
  const QString name = QStringLiteral(J1939_CAN_MODULE_NAME);
  QStringList paths{programs + QStringLiteral("/" J1939_CAN_MODULE_FROM_BIN "/") + name};
  if (programs.startsWith(QStringLiteral(J1939_BUILD_DIR "/")))
    paths.prepend(QStringLiteral(J1939_CAN_MODULE_BUILD_DIR "/") + name);
  return paths;
}

DriverEntry moduleEntry(QString& error) {
  for (const QString& path : modulePaths()) {
    QLibrary module(path);
    if (auto* entry = reinterpret_cast<DriverEntry>(module.resolve("j1939CanDriver"))) return entry;
    if (error.isEmpty()) error = module.errorString();
  }
  return nullptr;
}

}  // namespace

// Loaded once and kept for the rest of the run: its devices may outlive any one user.
CanDriver* LoadCanDriver(QString& error) {
  static CanDriver* driver = nullptr;
  static QString failure;
  if (driver == nullptr && failure.isEmpty()) {
    QString why;
    if (const DriverEntry entry = moduleEntry(why))
      driver = entry();
    else
      failure = QStringLiteral("the CAN support could not be loaded: %1").arg(why);
  }
  error = failure;
  return driver;
}

CanInterfaceList AvailableCanInterfaces() {
  QString error;
  CanDriver* driver = LoadCanDriver(error);
  if (driver == nullptr) {
    CanInterfaceList none;
    none.failures.append({QStringLiteral(J1939_CAN_MODULE_NAME), error});
    return none;
  }
  return driver->interfaces();
}

CanBus::CanBus(QObject* parent) : QObject(parent) {}

CanBus::~CanBus() = default;

MaybeFailure CanBus::open(const QString& name) {
  name_ = name;
  const qsizetype colon = name.indexOf(QLatin1Char(':'));
  if (colon <= 0 || colon == name.size() - 1)
    return Failure{name, QStringLiteral("a CAN interface is named PLUGIN:INTERFACE, e.g. "
                                        "socketcan:can0 or virtualcan:can0")};
  QString error;
  CanDriver* driver = LoadCanDriver(error);
  if (driver == nullptr) return Failure{name, error};
  const QString plugin = name.left(colon);
  const QStringList plugins = driver->plugins();
  if (!plugins.contains(plugin))
    return Failure{name, QStringLiteral("no CAN plugin \"%1\" (there are: %2)")
                             .arg(plugin, plugins.join(QStringLiteral(", ")))};
  std::unique_ptr<CanDevice> device = driver->create(plugin, name.mid(colon + 1), *this, error);
  if (device == nullptr) return Failure{name, error};
  // Kept before it connects: a plugin may say "connected" from inside connectDevice.
  device_ = std::move(device);
  if (device_->connectDevice()) return std::nullopt;
  // Its error may have been said, and the device let go, already.
  const QString reason =
      device_ != nullptr ? device_->errorString() : QStringLiteral("it did not connect");
  device_.reset();
  return Failure{name, reason};
}

bool CanBus::isConnected() const {
  return device_ != nullptr && device_->state() == CanState::Connected;
}

std::optional<int> CanBus::bitRate() const {
  if (device_ == nullptr) return std::nullopt;
  return device_->bitRate();
}

bool CanBus::send(const CanFrame& frame) {
  if (!isConnected()) {
    sendFailure_ = QStringLiteral("the bus is not connected");
    return false;
  }
  if (device_->write(frame)) return true;
  sendFailure_ = device_->errorString();
  return false;
}

void CanBus::framesReceived() {
  if (device_ == nullptr) return;
  for (const CanFrame& frame : device_->readJ1939Frames()) emit received(frame);
}

void CanBus::stateChanged(CanState state) {
  if (state == CanState::Connected) {
    wasConnected_ = true;
    emit connected();
  } else if (state == CanState::Unconnected) {
    drop(wasConnected_ ? QStringLiteral("the connection closed")
                       : QStringLiteral("it did not connect"));
  }
}

void CanBus::failed() {
  drop(device_ != nullptr ? device_->errorString() : QString());
}

void CanBus::drop(const QString& reason) {
  if (device_ == nullptr) return;
  device_.release()->closeLater();
  emit lost(reason.isEmpty() ? QStringLiteral("the bus went away") : reason);
}

}  // namespace j1939

#include "moc_CanBus.cpp"
