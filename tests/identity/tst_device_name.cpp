#include <QRandomGenerator>
#include <QtTest>

#include "identity/DeviceName.h"
#include "identity/IdentityKit.h"
#include "support/TestMain.h"

using identitykit::bytesOfFields;
using identitykit::describe;
using identitykit::fieldsOfName;
using identitykit::nameValue;

Q_DECLARE_METATYPE(NameBytes)
Q_DECLARE_METATYPE(NameFields)

// The NAME arithmetic without a window: the byte and field views of one NAME.
class DeviceNameTest : public QObject {
  Q_OBJECT
 private slots:
  void decode_data();
  void decode();
  void encode_data();
  void encode();
  void encodeLeavesBytesOfUnselectedLists();
  void encodeKeepsEachFieldToItsWidth();
  void decodeMatchesTheBitLayout();
  void decodeThenEncodeWritesTheSameBytes();
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

void DeviceNameTest::decode_data() {
  QTest::addColumn<NameBytes>("in");
  QTest::addColumn<NameFields>("out");
  QTest::newRow("all zero") << bytes({0, 0, 0, 0, 0, 0, 0, 0}) << fields(0, 0, 0, 0, 0, 0, 0, 0);
  QTest::newRow("identity 2097151")
      << bytes({0xFF, 0xFF, 0x1F, 0, 0, 0, 0, 0}) << fields(2097151, 0, 0, 0, 0, 0, 0, 0);
  QTest::newRow("manufacturer 2047")
      << bytes({0, 0, 0xE0, 0xFF, 0, 0, 0, 0}) << fields(0, 2047, 0, 0, 0, 0, 0, 0);
  QTest::newRow("box 4 3A") << bytes({0, 0, 0, 0, 0x3A, 0, 0, 0}) << fields(0, 0, 2, 7, 0, 0, 0, 0);
  QTest::newRow("box 6 FF, bit 48 ignored")
      << bytes({0, 0, 0, 0, 0, 0, 0xFF, 0}) << fields(0, 0, 0, 0, 0, 127, 0, 0);
  QTest::newRow("box 7 7F") << bytes({0, 0, 0, 0, 0, 0, 0, 0x7F})
                            << fields(0, 0, 0, 0, 0, 0, 15, 7);
  QTest::newRow("box 7 FF, bit 63 ignored")
      << bytes({0, 0, 0, 0, 0, 0, 0, 0xFF}) << fields(0, 0, 0, 0, 0, 0, 15, 7);
  QTest::newRow("function 255") << bytes({0, 0, 0, 0, 0, 0xFF, 0, 0})
                                << fields(0, 0, 0, 0, 255, 0, 0, 0);
}

void DeviceNameTest::decode() {
  QFETCH(NameBytes, in);
  QFETCH(NameFields, out);
  QCOMPARE(describe(DecodeName(in)), describe(out));
}

void DeviceNameTest::encode_data() {
  QTest::addColumn<NameFields>("given");
  QTest::addColumn<NameBytes>("current");
  QTest::addColumn<NameBytes>("written");
  const NameBytes zero{};
  auto row = [&](const char* name, const NameFields& f, const NameBytes& current,
                 const NameBytes& out) { QTest::newRow(name) << f << current << out; };
  row("identity 2097151", fields(2097151, 0, 0, 0, 0, 0, 0, 0), zero,
      bytes({0xFF, 0xFF, 0x1F, 0, 0, 0, 0, 0}));
  row("manufacturer 2047", fields(0, 2047, 0, 0, 0, 0, 0, 0), zero,
      bytes({0, 0, 0xE0, 0xFF, 0, 0, 0, 0}));
  row("vehicle system 127, box 6 even", fields(0, 0, 0, 0, 0, 127, 0, 0),
      bytes({0, 0, 0, 0, 0, 0, 0x10, 0}), bytes({0, 0, 0, 0, 0, 0, 0xFE, 0}));
  row("vehicle system 127, box 6 odd", fields(0, 0, 0, 0, 0, 127, 0, 0),
      bytes({0, 0, 0, 0, 0, 0, 0x11, 0}), bytes({0, 0, 0, 0, 0, 0, 0xFF, 0}));
  row("function instance 31, ECU 7", fields(0, 0, 7, 31, 0, 0, 0, 0), zero,
      bytes({0, 0, 0, 0, 0xFF, 0, 0, 0}));
  row("industry group 7, instance 15", fields(0, 0, 0, 0, 0, 0, 15, 7), zero,
      bytes({0, 0, 0, 0, 0, 0, 0, 0x7F}));
  row("the other bytes of current do not matter", fields(1, 0, 0, 0, 0, 0, 0, 0),
      bytes({9, 9, 9, 9, 9, 9, 8, 9}), bytes({1, 0, 0, 0, 0, 0, 0, 0}));
}

void DeviceNameTest::encode() {
  QFETCH(NameFields, given);
  QFETCH(NameBytes, current);
  QFETCH(NameBytes, written);
  const auto out = EncodeName(given, current);
  NameBytes got{};
  for (int i = 0; i < 8; ++i) {
    QVERIFY2(out[i].has_value(), qPrintable(QString::number(i)));
    got[i] = *out[i];
  }
  QCOMPARE(hex(got), hex(written));
}

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

void DeviceNameTest::decodeMatchesTheBitLayout() {
  QRandomGenerator random(kStart);
  for (int n = 0; n < kCases; ++n) {
    NameBytes b{};
    for (auto& v : b) v = static_cast<uint8_t>(random.bounded(256));
    const NameFields got = DecodeName(b);
    const NameFields want = fieldsOfName(nameValue(b));
    QVERIFY2(got == want, qPrintable(hex(b) + QStringLiteral(": ") + describe(got)));
  }
}

void DeviceNameTest::decodeThenEncodeWritesTheSameBytes() {
  QRandomGenerator random(kStart + 1);
  for (int n = 0; n < kCases; ++n) {
    NameBytes b{};
    for (auto& v : b) v = static_cast<uint8_t>(random.bounded(256));
    b[7] &= 0x7F;  // what the byte boxes let stand
    const auto out = EncodeName(DecodeName(b), b);
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
