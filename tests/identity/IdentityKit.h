#pragma once

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QWidget>
#include <QtTest>
#include <cstdint>

#include "identity/DeviceName.h"

// What the identity tests share: typing as the user does, and the NAME read
// bit by bit, the way SAE J1939-81 lays it out, independently of the byte
// arithmetic under test.
namespace identitykit {

// Types over the whole content of the box, key by key (each key one change);
// an empty text deletes the content with one Backspace.
inline void typeOver(QLineEdit* box, const QString& text) {
  box->selectAll();
  if (text.isEmpty())
    QTest::keyClick(box, Qt::Key_Backspace);
  else
    QTest::keyClicks(box, text);
}

// Brings the window to the front as the desktop does when the user clicks it,
// so that focus changes are real ones. Waits (on events) until the application
// takes it as its active window: a transient window's QWindow already counts as
// active while its parent is, which is not yet the focus moving to it.
[[nodiscard]] inline bool activate(QWidget* window) {
  window->activateWindow();
  return QTest::qWaitFor([window] { return QApplication::activeWindow() == window; });
}

inline uint64_t nameValue(const NameBytes& bytes) {
  uint64_t name = 0;
  for (int i = 7; i >= 0; --i) name = (name << 8) | bytes[i];
  return name;
}

inline NameFields fieldsOfName(uint64_t name) {
  NameFields f;
  f.IdentityNumber = static_cast<uint32_t>(name & 0x1FFFFF);
  f.ManufacturerCode = static_cast<uint16_t>((name >> 21) & 0x7FF);
  f.EcuInstance = static_cast<int>((name >> 32) & 0x7);
  f.FunctionInstance = static_cast<uint8_t>((name >> 35) & 0x1F);
  f.Function = static_cast<uint8_t>((name >> 40) & 0xFF);
  f.VehicleSystem = static_cast<uint8_t>((name >> 49) & 0x7F);
  f.VehicleSystemInstance = static_cast<int>((name >> 56) & 0xF);
  f.IndustryGroup = static_cast<int>((name >> 60) & 0x7);
  return f;
}

// The NAME of the fields, with bit 48 as given and bit 63 clear.
inline NameBytes bytesOfFields(const NameFields& f, bool bit48) {
  uint64_t name = uint64_t{f.IdentityNumber} | uint64_t{f.ManufacturerCode} << 21 |
                  uint64_t(f.EcuInstance) << 32 | uint64_t{f.FunctionInstance} << 35 |
                  uint64_t{f.Function} << 40 | uint64_t{bit48} << 48 |
                  uint64_t{f.VehicleSystem} << 49 | uint64_t(f.VehicleSystemInstance) << 56 |
                  uint64_t(f.IndustryGroup) << 60;
  NameBytes bytes{};
  for (auto& byte : bytes) {
    byte = static_cast<uint8_t>(name & 0xFF);
    name >>= 8;
  }
  return bytes;
}

inline QString describe(const NameFields& f) {
  return QStringLiteral("id %1 mfg %2 ecu %3 fi %4 fn %5 vs %6 vsi %7 ig %8")
      .arg(f.IdentityNumber)
      .arg(f.ManufacturerCode)
      .arg(f.EcuInstance)
      .arg(f.FunctionInstance)
      .arg(f.Function)
      .arg(f.VehicleSystem)
      .arg(f.VehicleSystemInstance)
      .arg(f.IndustryGroup);
}

}  // namespace identitykit
