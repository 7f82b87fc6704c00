#include "window/link/PortSelector.h"

#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>

#include "link/serial/PortInventory.h"
#include "link/serial/SerialPort.h"
#include "rules/system/AppInfo.h"
#include "rules/system/SettingsStore.h"
#include "window/desktop/MessageBoxes.h"

namespace j1939 {

namespace {

bool opensList(const QKeyEvent& key) {
  const bool alt = key.modifiers() & Qt::AltModifier;
  return key.key() == Qt::Key_F4 || key.key() == Qt::Key_Space ||
         (alt && (key.key() == Qt::Key_Down || key.key() == Qt::Key_Up));
}

}  // namespace

PortSelector::PortSelector(QComboBox* cmbCOM, SerialPort& port, SettingsStore& settings,
                           const PortInventory& inventory, MessageBoxes& messages, QObject* parent)
    : QObject(parent),
      cmbCOM_(cmbCOM),
      port_(port),
      settings_(settings),
      inventory_(inventory),
      messages_(messages) {
  connect(cmbCOM_, &QComboBox::currentIndexChanged, this, &PortSelector::openChosenPort);
  // Picking the entry already selected changes no index; only `activated` says so.
  connect(cmbCOM_, &QComboBox::activated, this, &PortSelector::reopenPickedPort);
  cmbCOM_->installEventFilter(this);
  connect(&port_, &SerialPort::portError, this, &PortSelector::portClosedItself);
}

QString PortSelector::platformDevice(int portNumber) {
  return PlatformPortDevice(portNumber);
}

QString PortSelector::deviceFor(int portNumber) const {
  return PortDevice(settings_, portNumber);
}

void PortSelector::refreshToolTips() {
  for (int i = 0; i < cmbCOM_->count() && i < kComPortCount; ++i) {
    const QString device = deviceFor(i + 1);
    cmbCOM_->setItemData(i,
                         inventory_.isPresent(device) ? device : tr("%1 (not present)").arg(device),
                         Qt::ToolTipRole);
  }
  showChosenToolTip();
}

void PortSelector::showChosenToolTip() {
  const int index = cmbCOM_->currentIndex();
  cmbCOM_->setToolTip(index >= 0 ? cmbCOM_->itemData(index, Qt::ToolTipRole).toString()
                                 : QString());
}

void PortSelector::openChosenPort() {
  // The list's own tooltip follows the entry.
  showChosenToolTip();
  OpenSelectedPort();
  openedByChange_ = true;
}

void PortSelector::reopenPickedPort() {
  if (std::exchange(openedByChange_, false)) return;
  OpenSelectedPort();
}

bool PortSelector::eventFilter(QObject* watched, QEvent* event) {
  // Each pick of the user starts with a press, a key or the wheel on the list.
  // A change made by code before it is followed by no activation, so it must
  // not swallow this pick's.
  const QEvent::Type type = event->type();
  if (watched != cmbCOM_) return QObject::eventFilter(watched, event);
  if (type == QEvent::MouseButtonPress || type == QEvent::KeyPress || type == QEvent::Wheel)
    openedByChange_ = false;
  // The tooltips say whether each device is present now: worked out as the
  // pointer rests on the list or the list opens (a click, F4, Alt+Down, Space),
  // since adapters come and go while the tool runs.
  if (type == QEvent::ToolTip || type == QEvent::MouseButtonPress ||
      (type == QEvent::KeyPress && opensList(*static_cast<QKeyEvent*>(event))))
    refreshToolTips();
  return QObject::eventFilter(watched, event);
}

void PortSelector::portClosedItself(const QString& reason) {
  const QString port = cmbCOM_->currentText();
  say(tr("%1 is closed: %2. Choose %1 again to reopen it").arg(port, reason));
  emit portStateChanged(tr("%1 \u2192 %2 \u00b7 closed: %3").arg(port, port_.device(), reason));
}

void PortSelector::say(const QString& status) {
  // Only what the selector said is cleared when a port opens: the panel may
  // hold news of the configuration file.
  if (status.isEmpty() && !saidStatus_) return;
  saidStatus_ = !status.isEmpty();
  emit statusChanged(status);
}

void PortSelector::report(const MaybeFailure& failure) {
  if (failure)
    messages_.show(tr("Com Port fails to open, try another com port"), kAppTitle,
                   MessageIcon::None);
}

void PortSelector::OpenSelectedPort() {
  if (held_) {
    reopenPending_ = true;
    return;
  }

  // The port number is the list index + 1. No entry selected is no port.
  const int index = cmbCOM_->currentIndex();
  PortChoice choice;
  if (index < 0 || index >= kComPortCount)
    choice.noDevice = Failure{QStringLiteral("cmbCOM"), tr("no com port is selected")};
  else
    choice.device = deviceFor(index + 1);
  MaybeFailure first;
  OpenPortSequence(port_, choice, [this, &first](const Failure& failure) {
    if (!first) first = failure;
    report(failure);
  });
  const QString com = cmbCOM_->currentText();
  if (!first)
    emit portStateChanged(tr("%1 \u2192 %2 \u00b7 9600 8N1 \u00b7 open").arg(com, choice.device));
  else if (choice.device.isEmpty())
    emit portStateChanged(first->reason);
  else
    emit portStateChanged(
        tr("%1 \u2192 %2 \u00b7 not open: %3").arg(com, choice.device, first->reason));
  if (!first)
    say(QString());
  else if (choice.device.isEmpty())
    say(first->reason);
  else  // COM1 = /dev/ttyUSB0: permission denied — is your user in the dialout group?
    say(tr("%1 = %2: %3").arg(cmbCOM_->currentText(), choice.device, first->reason));
}

void PortSelector::mappingChanged() {
  refreshToolTips();
  const int index = cmbCOM_->currentIndex();
  if (index >= 0 && index < kComPortCount && deviceFor(index + 1) != port_.device())
    OpenSelectedPort();
}

void PortSelector::holdPort() {
  held_ = true;
}

void PortSelector::releasePort() {
  if (!held_) return;
  held_ = false;
  if (std::exchange(reopenPending_, false)) OpenSelectedPort();
}

}  // namespace j1939

#include "moc_PortSelector.cpp"
