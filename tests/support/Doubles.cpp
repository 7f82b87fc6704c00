#include "support/Doubles.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTimer>
#include <QWidget>

void RecordingMessageBoxes::show(const QString& prompt, const QString& title, MessageIcon icon) {
  ShownMessage message{prompt, title, icon, {}};
  if (watched_) {
    for (const QLineEdit* box : watched_->findChildren<QLineEdit*>())
      message.texts.insert(box->objectName(), box->text());
    for (const QComboBox* list : watched_->findChildren<QComboBox*>())
      message.texts.insert(list->objectName(), list->currentText());
  }
  shown.append(message);
  if (whileShown) whileShown(message);
}

SaveAnswer RecordingMessageBoxes::askToSave(const QString& prompt, const QString& title) {
  show(prompt, title, MessageIcon::None);
  return saveAnswers.isEmpty() ? SaveAnswer::Discard : saveAnswers.dequeue();
}

QStringList RecordingMessageBoxes::titles() const {
  QStringList result;
  for (const ShownMessage& message : shown) result << message.title;
  return result;
}

QString ScriptedFileDialogs::getOpenFileName(const QString& title, const QString& filter) {
  return answer(false, title, filter);
}

QString ScriptedFileDialogs::getSaveFileName(const QString& title, const QString& filter) {
  return answer(true, title, filter);
}

QString ScriptedFileDialogs::answer(bool save, const QString& title, const QString& filter) {
  calls.append({save, title, filter});
  return answers.isEmpty() ? QString() : answers.dequeue();
}

MaybeFailure FakeSerialPort::open() {
  log << QStringLiteral("open %1").arg(device_);
  if (open_) return Failure{device_, QStringLiteral("already open")};
  if (!existing.contains(device_))
    return Failure{device_, QStringLiteral("No such file or directory")};
  open_ = true;
  return std::nullopt;
}

MaybeFailure FakeSerialPort::write(const QByteArray& bytes) {
  log << QStringLiteral("write %1").arg(bytes.size());
  if (!open_) return Failure{device_, QStringLiteral("the port is not open")};
  if (failWrite) return failWrite;
  written += bytes;
  pending_ += bytes.size();
  // The bytes leave the transmit buffer once the event loop runs, as with a driver.
  QTimer::singleShot(0, this, [this, bytes] {
    if (!open_ || holdOutput) return;
    pending_ = 0;
    emit bytesWritten(bytes.size());
    if (onWrite) onWrite(bytes);
  });
  return std::nullopt;
}

void FakeSerialPort::receive(const QByteArray& bytes) {
  if (!open_) return;
  received_ += bytes;
  emit readyRead();
}

void FakeSerialPort::failNow(const QString& reason) {
  if (!open_) return;
  open_ = false;
  pending_ = 0;
  emit portError(reason);
}

#include "moc_Doubles.cpp"
