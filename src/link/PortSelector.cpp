#include "link/PortSelector.h"

#include <QComboBox>

#include "platform/MessageBoxes.h"
#include "platform/SerialPort.h"
#include "platform/SettingsStore.h"
#include "ui/AppInfo.h"

PortSelector::PortSelector(QComboBox* cmbCOM, SerialPort& port, SettingsStore& settings,
                           MessageBoxes& messages, QObject* parent)
    : QObject(parent), cmbCOM_(cmbCOM), port_(port), settings_(settings), messages_(messages) {
  refreshToolTips();
  connect(cmbCOM_, &QComboBox::currentIndexChanged, this, &PortSelector::cmbCOM_Click);
}

QString PortSelector::platformDevice(int portNumber) {
#ifdef Q_OS_WIN
  return QStringLiteral("COM%1").arg(portNumber);
#else
  return QStringLiteral("/dev/ttyS%1").arg(portNumber - 1);
#endif
}

QString PortSelector::deviceFor(int portNumber) const {
  const QString key = QStringLiteral("COM%1").arg(portNumber);
  if (settings_.contains(kSettingsSection, key)) {
    const QString device = settings_.value(kSettingsSection, key).trimmed();
    if (!device.isEmpty()) return device;
  }
  return platformDevice(portNumber);
}

void PortSelector::refreshToolTips() {
  for (int i = 0; i < cmbCOM_->count() && i < kPortCount; ++i)
    cmbCOM_->setItemData(i, deviceFor(i + 1), Qt::ToolTipRole);
  const int index = cmbCOM_->currentIndex();
  cmbCOM_->setToolTip(index >= 0 ? cmbCOM_->itemData(index, Qt::ToolTipRole).toString()
                                 : QString());
}

void PortSelector::cmbCOM_Click() {
  // The list's own tooltip follows the entry, from what was read at the last open.
  const int index = cmbCOM_->currentIndex();
  cmbCOM_->setToolTip(index >= 0 ? cmbCOM_->itemData(index, Qt::ToolTipRole).toString()
                                 : QString());
  OpenSelectedPort();
}

void PortSelector::report(const MaybeFailure& failure) {
  if (failure) messages_.show(kOpenFailedPrompt, kAppTitle, MessageIcon::None);
}

void PortSelector::OpenSelectedPort() {
  if (held_) {
    reopenPending_ = true;
    return;
  }
  refreshToolTips();

  // 1. The old port goes first, so that a failed change leaves no port open.
  if (port_.isOpen()) port_.close();
  // 2. The port number: the list index + 1. No entry selected is no port.
  const int index = cmbCOM_->currentIndex();
  if (index < 0 || index >= kPortCount) {
    port_.setDevice(QString());
    report(Failure{QStringLiteral("cmbCOM"), QStringLiteral("no com port is selected")});
  } else {
    port_.setDevice(deviceFor(index + 1));
  }
  // 3. and 4.
  port_.setReadLength(0);
  port_.setReceiveBufferSize(kReceiveBufferSize);
  // 5. to 8. The line settings follow the open: the port opens with the
  // settings it had and is switched to 9600,N,8,1 at once.
  report(port_.open());
  report(port_.discardReceiveBuffer());
  report(port_.discardTransmitBuffer());
  report(port_.setLineSettings(kLineSettings));
}

void PortSelector::holdPort() {
  held_ = true;
}

void PortSelector::releasePort() {
  if (!held_) return;
  held_ = false;
  if (std::exchange(reopenPending_, false)) OpenSelectedPort();
}
