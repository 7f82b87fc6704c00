#include <QRandomGenerator>
#include <QtTest>

#include "SlotFixture.h"
#include "config/FormState.h"
#include "fields/Controls.h"
#include "fields/TextCodecs.h"
#include "pgn/PgnMath.h"
#include "support/TestMain.h"

// Long random runs of user edits over both slots. After every edit the slots
// must be consistent, whatever was typed, ticked or picked before.
class RandomEditsTest : public QObject {
  Q_OBJECT
 private slots:
  void slotsStayConsistent_data();
  void slotsStayConsistent();
};

namespace {
constexpr int kEditsPerRun = 4000;

class Editor {
 public:
  // afterEachChange runs after every key, paste, click and pick.
  Editor(Harness& h, quint32 startValue, std::function<void()> afterEachChange)
      : h_(h), random_(startValue), afterEachChange_(std::move(afterEachChange)) {}

  // One edit as a user makes it; returns what was done, for the report.
  QString edit() {
    const int slot = pick(2);
    const Slot s = Slot::of(h_, slot);
    const QString where = QStringLiteral("slot %1 ").arg(slot + 1);
    const int what = pick(100);
    if (what < 14) return where + writeText(s, s.pgn, pgnText());
    if (what < 30) return where + writeText(s, s.pf, hexText());
    if (what < 46) return where + writeText(s, s.ps, hexText());
    if (what < 56) return where + writeText(s, s.dataLength, decimalText());
    if (what < 66) return where + writeText(s, s.parameterPos, decimalText());
    if (what < 73) return where + click(s.reserveBit);
    if (what < 80) return where + click(s.dataPage);
    if (what < 86) return where + click(s.deletePgn);
    if (what < 94) return where + choose(s, s.parameterType);
    if (what < 97) return where + choose(s, s.updateRate);
    return where + choose(s, s.priority);
  }

 private:
  int pick(int n) { return static_cast<int>(random_.bounded(n)); }
  template <typename T>
  const T& oneOf(const QList<T>& list) {
    return list.at(pick(static_cast<int>(list.size())));
  }

  QString randomChars(const QString& alphabet, int longest) {
    QString text;
    const int length = 1 + pick(longest);
    for (int i = 0; i < length; ++i) text += alphabet.at(pick(static_cast<int>(alphabet.size())));
    return text;
  }

  QString pgnText() {
    static const QList<QString> known = {
        "65226",  "61444",       "59904",      "59392",      "131072",     "262143",  "262144",
        "130762", "65260",       "65280",      "0",          "000512",     "",        "12a",
        "-5",     "99999999999", "2147483647", "2147483648", "4294967296", "16777216"};
    switch (pick(4)) {
      case 0:
        return oneOf(known);
      case 1:
        return QString::number(random_.bounded(300000));
      case 2:
        return randomChars(QStringLiteral("0123456789"), 12);
      default:
        return randomChars(QStringLiteral("0123456789Ax -"), 6);
    }
  }

  QString hexText() {
    static const QList<QString> known = {"F0", "EA",  "E8",    "FE",  "CA", "C8", "FF", "EF",
                                         "00", "1FF", "000FE", "1Z2", "Z",  "",   "12", "0x1F"};
    if (pick(2) == 0) return oneOf(known);
    return randomChars(QStringLiteral("0123456789abcdefABCDEFGZ"), 4);
  }

  QString decimalText() {
    // Small numbers come from the random draws below; these are the edges.
    static const QList<QString> known = {
        "0", "1785", "1786", "40000", "", "12a", "-1", "0008", "99999999999999999999"};
    switch (pick(3)) {
      case 0:
        return oneOf(known);
      case 1:
        return QString::number(random_.bounded(2000));
      default:
        return randomChars(QStringLiteral("0123456789x"), 5);
    }
  }

  // A user cannot reach a greyed-out box: to edit it, they first take the
  // slot back into use. The program (the form binding) writes it all the same,
  // so now and then the text is written directly.
  QString writeText(const Slot& s, QLineEdit* box, const QString& text) {
    const QString shown = QStringLiteral("%1 <- '%2'").arg(box->objectName(), text);
    if (pick(10) == 0) {
      box->setText(text);
      afterEachChange_();
      return shown + QStringLiteral(" (written)");
    }
    if (!box->isEnabled()) return click(s.deletePgn);
    switch (pick(4)) {
      case 0:
        pasteOver(box, text);
        afterEachChange_();
        return shown + QStringLiteral(" (pasted)");
      case 1:
        box->end(false);
        typeKeys(box, text);
        return shown + QStringLiteral(" (typed at the end)");
      case 2: {
        box->end(false);
        const int keys = 1 + pick(3);
        for (int i = 0; i < keys; ++i) {
          QTest::keyClick(box, Qt::Key_Backspace);
          afterEachChange_();
        }
        return QStringLiteral("%1 <- %2 backspaces").arg(box->objectName()).arg(keys);
      }
      default:
        box->selectAll();
        if (text.isEmpty()) {
          QTest::keyClick(box, Qt::Key_Backspace);
          afterEachChange_();
        }
        typeKeys(box, text);
        return shown + QStringLiteral(" (typed over)");
    }
  }

  void typeKeys(QLineEdit* box, const QString& text) {
    for (QChar key : text) {
      QTest::keyClick(box, key.toLatin1());
      afterEachChange_();
    }
  }

  QString click(QCheckBox* box) {
    box->click();  // does nothing while greyed out
    afterEachChange_();
    return QStringLiteral("%1 clicked, now %2").arg(box->objectName()).arg(checkValue(box));
  }

  QString choose(const Slot& s, QComboBox* list) {
    if (!list->isEnabled()) return click(s.deletePgn);
    const int index = pick(list->count());
    list->setCurrentIndex(index);
    afterEachChange_();
    return QStringLiteral("%1 picked %2").arg(list->objectName()).arg(index);
  }

  Harness& h_;
  QRandomGenerator random_;
  std::function<void()> afterEachChange_;
};

// What is wrong with the slot after an edit; empty when nothing is.
QString slotProblem(Harness& h, int slot) {
  const Slot s = Slot::of(h, slot);
  const QString pgn = s.pgn->text();
  if (!IsDecimalText(pgn)) return QStringLiteral("PGN text '%1' is not decimal").arg(pgn);
  PgnParts shown;
  shown.reserved = isTicked(s.reserveBit);
  shown.dataPage = isTicked(s.dataPage);
  shown.pf = HexTextToByte(s.pf->text());
  shown.ps = HexTextToByte(s.ps->text());
  const QString partsText = QStringLiteral("PF '%1', PS '%2', reserved %3, data page %4")
                                .arg(s.pf->text(), s.ps->text())
                                .arg(shown.reserved)
                                .arg(shown.dataPage);
  const uint64_t value = DecimalValue(pgn);
  // The PGN equals what its parts make, except while a PGN above 262143 is
  // shown, or a PDU1 PGN typed with a low byte (which J1939 does not have):
  // typed digits stay as typed.
  const bool inRange = value <= static_cast<uint64_t>(kMaxPgn);
  const bool pdu1WithLowByte = IsPdu1Format((value >> 8) & 0xFF) && (value & 0xFF) != 0;
  if (inRange && !pdu1WithLowByte && value != static_cast<uint64_t>(PgnFromParts(shown)))
    return QStringLiteral("PGN %1 but the parts (%2) make %3")
        .arg(pgn, partsText)
        .arg(PgnFromParts(shown));
  // Whatever the PGN text, the parts are what J1939 makes of it, as far as it
  // can be split. In PDU1 the PS is no part of the PGN: an emptied PF (read
  // as 0) leaves the PS box as it was.
  const std::optional<PgnParts> expected =
      value <= 0x7FFFFFFF ? PartsFromPgn(static_cast<int64_t>(value)) : std::nullopt;
  if (expected) {
    PgnParts compared = shown;
    if (IsPdu1Format(shown.pf)) compared.ps = 0;
    if (!(*expected == compared))
      return QStringLiteral("PGN %1 but the parts show %2").arg(pgn, partsText);
  }

  const QString lengthText = s.dataLength->text();
  if (!IsDecimalText(lengthText)) return QStringLiteral("data length '%1'").arg(lengthText);
  const uint64_t length = DecimalValue(lengthText);
  if (length < 1 || length > 1785) return QStringLiteral("data length %1").arg(length);
  const int type = s.parameterType->currentIndex();
  static const int kSizes[] = {1, 2, 4};
  if (type < 0 || type > 2) return QStringLiteral("parameter type %1").arg(type);
  if (static_cast<uint64_t>(kSizes[type]) > length)
    return QStringLiteral("type %1 does not fit %2 bytes").arg(type).arg(length);
  const int bound =
      slot == 0 ? h.window->state().MaxParameterPos1 : h.window->state().MaxParameterPos2;
  if (static_cast<uint64_t>(bound) != length - kSizes[type] + 1)
    return QStringLiteral("bound %1 for %2 bytes and type %3").arg(bound).arg(length).arg(type);
  const QString posText = s.parameterPos->text();
  if (!IsDecimalText(posText)) return QStringLiteral("position '%1'").arg(posText);
  const uint64_t pos = DecimalValue(posText);
  if (pos < 1 || pos > static_cast<uint64_t>(bound))
    return QStringLiteral("position %1 beyond bound %2").arg(pos).arg(bound);

  const bool inUse = !isTicked(s.deletePgn);
  for (QWidget* control : s.editingControls())
    if (control->isEnabled() != inUse)
      return QStringLiteral("%1 enabled %2 while in use %3")
          .arg(control->objectName())
          .arg(control->isEnabled())
          .arg(inUse);
  if (!s.deletePgn->isEnabled()) return QStringLiteral("delete box greyed out");
  return QString();
}
}  // namespace

void RandomEditsTest::slotsStayConsistent_data() {
  QTest::addColumn<quint32>("startValue");
  QTest::newRow("run 1") << quint32(1939);
  QTest::newRow("run 2") << quint32(65226);
  QTest::newRow("run 3") << quint32(262143);
}

void RandomEditsTest::slotsStayConsistent() {
  QFETCH(quint32, startValue);
  Harness h;
  prepareSlots(h, QStringLiteral("0"), QStringLiteral("200704"));
  bool syncActiveDuringMessage = false;
  QSet<QString> titlesSeen;
  h.messages.whileShown = [&](const ShownMessage& message) {
    syncActiveDuringMessage |= h.window->state().PgnSyncActive;
    titlesSeen.insert(message.title);
  };

  QString problem;
  int changes = 0;
  const auto check = [&] {
    ++changes;
    h.messages.shown.clear();        // the double keeps only what a test reads
    if (!problem.isEmpty()) return;  // the first one is reported
    if (h.window->state().PgnSyncActive) problem = QStringLiteral("PgnSyncActive left set");
    if (syncActiveDuringMessage) problem = QStringLiteral("message shown inside a rewrite");
    for (int slot = 0; slot < 2 && problem.isEmpty(); ++slot) {
      problem = slotProblem(h, slot);
      if (!problem.isEmpty()) problem = QStringLiteral("slot %1: ").arg(slot + 1) + problem;
    }
  };
  Editor editor(h, startValue, check);
  QStringList recent;
  for (int step = 0; step < kEditsPerRun; ++step) {
    recent << editor.edit();
    if (recent.size() > 8) recent.removeFirst();
    if (!problem.isEmpty())
      QFAIL(qPrintable(QStringLiteral("during edit %1: %2\nlast edits:\n  %3")
                           .arg(step)
                           .arg(problem, recent.join(QStringLiteral("\n  ")))));
  }
  // The run reached the rules, not only the happy paths: most of the titles
  // of the three groups of rules were shown along the way.
  QVERIFY2(titlesSeen.size() >= 16, qPrintable(QStringList(titlesSeen.values()).join(", ")));
  QVERIFY(changes > kEditsPerRun);
}

J1939_TEST(RandomEditsTest);
#include "tst_random_edits.moc"
