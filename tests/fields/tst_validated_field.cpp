#include <QLineEdit>
#include <QtTest>

#include "fields/ValidatedField.h"
#include "support/Doubles.h"
#include "support/TestMain.h"

// The order of one validated box's work, seen from outside: every message with
// the text the box held while it was shown, and every run of the follow-up with
// the box's text and selection at that moment.
class ValidatedFieldTest : public QObject {
  Q_OBJECT
 private slots:
  void orderOfWork_data();
  void orderOfWork();
  void typedKeyByKey();
  void guardFlagSilencesEverything();
};

namespace {
enum class Kind { Decimal255, NameByte, NameByte7, Address };

ValidatedField::Rule ruleFor(Kind kind) {
  if (kind == Kind::Decimal255)
    return DecimalFieldRule{255, QStringLiteral("not decimal"), QStringLiteral("decimal 0 to 255"),
                            QStringLiteral("too large"), QStringLiteral("0 to 255")};
  HexByteFieldRule rule;
  rule.notHexTitle = QStringLiteral("not hex");
  rule.notHexPrompt = QStringLiteral("hex prompt");
  rule.tooLongTitle = QStringLiteral("too long");
  rule.tooLongPrompt = QStringLiteral("range prompt");
  if (kind == Kind::NameByte7) {
    rule.limit = 0x7F;
    rule.aboveLimit = HexByteFieldRule::AboveLimit::ClearBit7Silently;
  }
  if (kind == Kind::Address) {
    rule.whenEmpty = HexByteFieldRule::WhenEmpty::LeaveEmpty;
    rule.whenNotHex = HexByteFieldRule::WhenNotHex::WriteZeroAndSelect;
    rule.limit = 0x7F;
  }
  return rule;
}

struct Bench {
  explicit Bench(Kind kind, const QString& start = QStringLiteral("5")) {
    box.setText(start);
    field.emplace(&box, ruleFor(kind), messages, &guard, [this] {
      log << QStringLiteral("follow %1 [%2]").arg(box.text(), box.selectedText());
    });
    QObject::connect(&box, &QLineEdit::textChanged, &box, [this] { field->Change(); });
    messages.whileShown = [this](const ShownMessage& shown) {
      log << QStringLiteral("message %1 | %2").arg(shown.title, box.text());
    };
  }
  QLineEdit box;
  RecordingMessageBoxes messages;
  bool guard = false;
  QStringList log;
  std::optional<ValidatedField> field;
};
}  // namespace

void ValidatedFieldTest::orderOfWork_data() {
  QTest::addColumn<int>("kind");
  QTest::addColumn<QString>("text");
  QTest::addColumn<QStringList>("log");
  QTest::addColumn<QString>("left");

  const int dec = int(Kind::Decimal255);
  QTest::newRow("decimal 256") << dec << QStringLiteral("256")
                               << QStringList{"message too large | 256", "follow 255 []",
                                              "follow 255 [255]"}
                               << QStringLiteral("255");
  QTest::newRow("decimal 2a") << dec << QStringLiteral("2a")
                              << QStringList{"message not decimal | 2a", "follow 0 []",
                                             "follow 0 [0]"}
                              << QStringLiteral("0");
  QTest::newRow("decimal emptied")
      << dec << QString() << QStringList{"follow 0 []", "follow 0 [0]"} << QStringLiteral("0");
  QTest::newRow("decimal 007") << dec << QStringLiteral("007") << QStringList{"follow 007 []"}
                               << QStringLiteral("007");
  QTest::newRow("decimal 255") << dec << QStringLiteral("255") << QStringList{"follow 255 []"}
                               << QStringLiteral("255");
  QTest::newRow("decimal, twenty digits") << dec << QStringLiteral("00000000000000000256")
                                          << QStringList{"message too large | 00000000000000000256",
                                                         "follow 255 []", "follow 255 [255]"}
                                          << QStringLiteral("255");

  const int name = int(Kind::NameByte);
  QTest::newRow("byte 100") << name << QStringLiteral("100")
                            << QStringList{"message too long | 100", "follow 10 []",
                                           "follow 10 [10]"}
                            << QStringLiteral("10");
  QTest::newRow("byte 0FFF cut as typed")
      << name << QStringLiteral("0FFF")
      << QStringList{"message too long | 0FFF", "follow 0F []", "follow 0F [0F]"}
      << QStringLiteral("0F");
  QTest::newRow("byte 1G kept") << name << QStringLiteral("1G")
                                << QStringList{"message not hex | 1G", "follow 1G [1G]"}
                                << QStringLiteral("1G");
  QTest::newRow("byte emptied, no selection")
      << name << QString() << QStringList{"follow 0 []", "follow 0 []"} << QStringLiteral("0");
  QTest::newRow("byte 00FF") << name << QStringLiteral("00FF") << QStringList{"follow 00FF []"}
                             << QStringLiteral("00FF");

  const int name7 = int(Kind::NameByte7);
  QTest::newRow("byte 7 FF") << name7 << QStringLiteral("FF")
                             << QStringList{"follow 7F []", "follow 7F []"} << QStringLiteral("7F");
  QTest::newRow("byte 7 C5") << name7 << QStringLiteral("C5")
                             << QStringList{"follow 45 []", "follow 45 []"} << QStringLiteral("45");
  QTest::newRow("byte 7 FFF") << name7 << QStringLiteral("FFF")
                              << QStringList{"message too long | FFF", "follow 7F []",
                                             "follow 7F []", "follow 7F [7F]"}
                              << QStringLiteral("7F");

  const int addr = int(Kind::Address);
  QTest::newRow("address 80") << addr << QStringLiteral("80")
                              << QStringList{"message too long | 80", "follow 7F []",
                                             "follow 7F [7F]"}
                              << QStringLiteral("7F");
  QTest::newRow("address FFF, two messages")
      << addr << QStringLiteral("FFF")
      << QStringList{"message too long | FFF", "message too long | FF", "follow 7F []",
                     "follow 7F [7F]", "follow 7F [7F]"}
      << QStringLiteral("7F");
  QTest::newRow("address 7G") << addr << QStringLiteral("7G")
                              << QStringList{"message not hex | 7G", "follow 0 []", "follow 0 [0]"}
                              << QStringLiteral("0");
  QTest::newRow("address emptied stays empty")
      << addr << QString() << QStringList{"follow  []"} << QString();
}

void ValidatedFieldTest::orderOfWork() {
  QFETCH(int, kind);
  QFETCH(QString, text);
  QFETCH(QStringList, log);
  QFETCH(QString, left);
  Bench bench{Kind(kind)};
  bench.box.setText(text);
  QCOMPARE(bench.log, log);
  QCOMPARE(bench.box.text(), left);
}

void ValidatedFieldTest::typedKeyByKey() {
  // Each key is one change; the selection made inside the key's change
  // survives the rest of the key's handling.
  Bench bench(Kind::Decimal255, QString());
  QTest::keyClicks(&bench.box, QStringLiteral("256"));
  QCOMPARE(bench.log, (QStringList{"follow 2 []", "follow 25 []", "message too large | 256",
                                   "follow 255 []", "follow 255 [255]"}));
  QCOMPARE(bench.box.text(), QStringLiteral("255"));
  QCOMPARE(bench.box.selectedText(), QStringLiteral("255"));
  QCOMPARE(bench.box.selectionStart(), 0);
}

void ValidatedFieldTest::guardFlagSilencesEverything() {
  Bench bench(Kind::Decimal255);
  bench.guard = true;
  bench.box.setText(QStringLiteral("256"));
  bench.box.setText(QString());
  QVERIFY(bench.log.isEmpty());
  QCOMPARE(bench.box.text(), QString());
  bench.guard = false;
  bench.box.setText(QStringLiteral("x"));
  QCOMPARE(bench.box.text(), QStringLiteral("0"));
}

J1939_TEST(ValidatedFieldTest);
#include "tst_validated_field.moc"
