#include <QRandomGenerator>
#include <QtTest>

#include "identity/DeviceName.h"
#include "identity/IdentityKit.h"
#include "support/TestMain.h"

using identitykit::bytesOfFields;
using identitykit::describe;
using identitykit::fieldsOfName;
using identitykit::nameValue;

// The NAME arithmetic without a window: the byte and field views of one NAME.
class DeviceNameTest : public QObject {
  Q_OBJECT
 private slots:
  void encodeLeavesBytesOfUnselectedLists();
  void encodeKeepsEachFieldToItsWidth();
  void decodeMatchesTheBitsAndEncodesBack();
  void encodeThenDecodeGivesTheFields();

 private:
  static constexpr int kCases = 5000;
  static constexpr quint32 kStart = 0x1939'0081;
};

namespace {
NameBytes bytes(std::initializer_list<int> values) {
  NameBytes out{};
  int i = 0;
  for (int v : values) out[i++] = static_cast<uint8_t>(v);
  return out;
}

NameFields fields(uint32_t id, uint16_t mfg, int ecu, uint8_t fi, uint8_t fn, uint8_t vs, int vsi,
                  int ig) {
  return NameFields{id, mfg, ecu, fi, fn, vs, vsi, ig};
}

QString hex(const NameBytes& b) {
  QStringList parts;
  for (uint8_t v : b) parts << QString::number(v, 16).rightJustified(2, QLatin1Char('0'));
  return parts.join(QLatin1Char(' '));
}
}  // namespace

void DeviceNameTest::encodeLeavesBytesOfUnselectedLists() {
  const NameBytes current = bytes({1, 2, 3, 4, 5, 6, 7, 8});
  auto out = EncodeName(fields(0, 0, -1, 3, 0, 0, 5, 2), current);
  QVERIFY(!out[4]);
  QCOMPARE(out[7], std::optional<uint8_t>(0x25));
  out = EncodeName(fields(0, 0, 1, 3, 0, 0, -1, 2), current);
  QVERIFY(!out[7]);
  QCOMPARE(out[4], std::optional<uint8_t>(0x19));
  out = EncodeName(fields(0, 0, 1, 3, 0, 0, 5, -1), current);
  QVERIFY(!out[7]);
  for (int i : {0, 1, 2, 3, 5, 6}) QVERIFY(out[i].has_value());
}

void DeviceNameTest::encodeKeepsEachFieldToItsWidth() {
  // Values that the boxes never hand over must still not reach a neighbour.
  const auto out = EncodeName(fields(0xFFFFFFFF, 0xFFFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF), {});
  NameBytes got{};
  for (int i = 0; i < 8; ++i) got[i] = out[i].value_or(0xEE);
  QCOMPARE(hex(got), hex(bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0x7F})));
}

void DeviceNameTest::decodeMatchesTheBitsAndEncodesBack() {
  QRandomGenerator random(kStart + 1);
  for (int n = 0; n < kCases; ++n) {
    NameBytes b{};
    for (auto& v : b) v = static_cast<uint8_t>(random.bounded(256));
    const NameFields decoded = DecodeName(b);
    QVERIFY2(decoded == fieldsOfName(nameValue(b)), qPrintable(hex(b) + ": " + describe(decoded)));
    b[7] &= 0x7F;  // what the byte boxes let stand
    const auto out = EncodeName(decoded, b);
    for (int i = 0; i < 8; ++i)
      QVERIFY2(out[i] == b[i], qPrintable(hex(b) + QStringLiteral(" byte %1").arg(i)));
  }
}

void DeviceNameTest::encodeThenDecodeGivesTheFields() {
  QRandomGenerator random(kStart + 2);
  for (int n = 0; n < kCases; ++n) {
    const NameFields f =
        fields(random.bounded(kMaxIdentityNumber + 1), random.bounded(kMaxManufacturerCode + 1),
               random.bounded(8), random.bounded(kMaxFunctionInstance + 1), random.bounded(256),
               random.bounded(kMaxVehicleSystem + 1), random.bounded(16), random.bounded(8));
    NameBytes current{};
    for (auto& v : current) v = static_cast<uint8_t>(random.bounded(256));
    const auto out = EncodeName(f, current);
    NameBytes b{};
    for (int i = 0; i < 8; ++i) b[i] = out[i].value();
    QVERIFY2(DecodeName(b) == f, qPrintable(describe(f)));
    QCOMPARE(hex(b), hex(bytesOfFields(f, current[6] & 1)));
  }
}

J1939_TEST(DeviceNameTest);
#include "tst_device_name.moc"
