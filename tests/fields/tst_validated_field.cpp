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
  const auto row = [](const char* name, Kind kind, const char* text, const QStringList& log,
                      const char* left) {
    QTest::newRow(name) << int(kind) << QString::fromLatin1(text) << log
                        << QString::fromLatin1(left);
  };
  row("decimal 256", Kind::Decimal255, "256",
      {"message too large | 256", "follow 255 []", "follow 255 [255]"}, "255");
  row("decimal 2a", Kind::Decimal255, "2a",
      {"message not decimal | 2a", "follow 0 []", "follow 0 [0]"}, "0");
  row("decimal emptied", Kind::Decimal255, "", {"follow 0 []", "follow 0 [0]"}, "0");
  row("decimal 007", Kind::Decimal255, "007", {"follow 007 []"}, "007");
  row("decimal 255", Kind::Decimal255, "255", {"follow 255 []"}, "255");
  row("decimal, twenty digits", Kind::Decimal255, "00000000000000000256",
      {"message too large | 00000000000000000256", "follow 255 []", "follow 255 [255]"}, "255");
  row("byte 100", Kind::NameByte, "100",
      {"message too long | 100", "follow 10 []", "follow 10 [10]"}, "10");
  row("byte 0FFF cut as typed", Kind::NameByte, "0FFF",
      {"message too long | 0FFF", "follow 0F []", "follow 0F [0F]"}, "0F");
  row("byte 1G kept", Kind::NameByte, "1G", {"message not hex | 1G", "follow 1G [1G]"}, "1G");
  row("byte emptied, no selection", Kind::NameByte, "", {"follow 0 []", "follow 0 []"}, "0");
  row("byte 00FF", Kind::NameByte, "00FF", {"follow 00FF []"}, "00FF");
  row("byte 7 FF", Kind::NameByte7, "FF", {"follow 7F []", "follow 7F []"}, "7F");
  row("byte 7 C5", Kind::NameByte7, "C5", {"follow 45 []", "follow 45 []"}, "45");
  row("byte 7 FFF", Kind::NameByte7, "FFF",
      {"message too long | FFF", "follow 7F []", "follow 7F []", "follow 7F [7F]"}, "7F");
  row("address 80", Kind::Address, "80",
      {"message too long | 80", "follow 7F []", "follow 7F [7F]"}, "7F");
  row("address FFF, two messages", Kind::Address, "FFF",
      {"message too long | FFF", "message too long | FF", "follow 7F []", "follow 7F [7F]",
       "follow 7F [7F]"},
      "7F");
  row("address 7G", Kind::Address, "7G", {"message not hex | 7G", "follow 0 []", "follow 0 [0]"},
      "0");
  row("address emptied stays empty", Kind::Address, "", {"follow  []"}, "");
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
