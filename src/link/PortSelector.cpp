#include "link/PortSelector.h"

#include <QComboBox>
#include <QEvent>

#include "config/AppInfo.h"
#include "platform/MessageBoxes.h"
#include "platform/SerialPort.h"
#include "platform/SettingsStore.h"

PortSelector::PortSelector(QComboBox* cmbCOM, SerialPort& port, SettingsStore& settings,
                           MessageBoxes& messages, QObject* parent)
    : QObject(parent), cmbCOM_(cmbCOM), port_(port), settings_(settings), messages_(messages) {
  refreshToolTips();
  connect(cmbCOM_, &QComboBox::currentIndexChanged, this, &PortSelector::openChosenPort);
  // Picking the entry already selected changes no index; only `activated` says so.
  connect(cmbCOM_, &QComboBox::activated, this, &PortSelector::cmbCOM_Activated);
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
  for (int i = 0; i < cmbCOM_->count() && i < kPortCount; ++i)
    cmbCOM_->setItemData(i, deviceFor(i + 1), Qt::ToolTipRole);
  const int index = cmbCOM_->currentIndex();
  cmbCOM_->setToolTip(index >= 0 ? cmbCOM_->itemData(index, Qt::ToolTipRole).toString()
                                 : QString());
}

void PortSelector::openChosenPort() {
  // The list's own tooltip follows the entry, from what was read at the last open.
  const int index = cmbCOM_->currentIndex();
  cmbCOM_->setToolTip(index >= 0 ? cmbCOM_->itemData(index, Qt::ToolTipRole).toString()
                                 : QString());
  OpenSelectedPort();
  openedByChange_ = true;
}

void PortSelector::cmbCOM_Activated() {
  if (std::exchange(openedByChange_, false)) return;
  OpenSelectedPort();
}

bool PortSelector::eventFilter(QObject* watched, QEvent* event) {
  // Each pick of the user starts with a press, a key or the wheel on the list.
  // A change made by code before it is followed by no activation, so it must
  // not swallow this pick's.
  const QEvent::Type type = event->type();
  if (watched == cmbCOM_ &&
      (type == QEvent::MouseButtonPress || type == QEvent::KeyPress || type == QEvent::Wheel))
    openedByChange_ = false;
  return QObject::eventFilter(watched, event);
}

void PortSelector::portClosedItself(const QString& reason) {
  closedItself_ = true;
  const QString port = cmbCOM_->currentText();
  emit statusChanged(
      QStringLiteral("%1 is closed: %2. Choose %1 again to reopen it").arg(port, reason));
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

  // The port number is the list index + 1. No entry selected is no port.
  const int index = cmbCOM_->currentIndex();
  PortChoice choice;
  if (index < 0 || index >= kPortCount)
    choice.noDevice = Failure{QStringLiteral("cmbCOM"), QStringLiteral("no com port is selected")};
  else
    choice.device = deviceFor(index + 1);
  OpenPortSequence(port_, choice, [this](const Failure& failure) { report(failure); });
  if (closedItself_ && port_.isOpen()) {
    closedItself_ = false;
    emit statusChanged(QString());
  }
}

void PortSelector::holdPort() {
  held_ = true;
}

void PortSelector::releasePort() {
  if (!held_) return;
  held_ = false;
  if (std::exchange(reopenPending_, false)) OpenSelectedPort();
}
