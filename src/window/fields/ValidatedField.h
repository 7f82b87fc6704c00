#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <variant>

class QLineEdit;

namespace j1939 {

class MessageBoxes;

// A box that holds a decimal number from 0 up to a maximum. A text above the
// maximum falls back to the maximum, any other text that is not decimal to "0",
// both after a message; an emptied box becomes "0" silently.
struct DecimalFieldRule {
  uint32_t maximum = 0;
  QString notDecimalTitle;
  QString notDecimalPrompt;
  QString tooLargeTitle;
  QString tooLargePrompt;
};

// A box that holds one byte as hexadecimal text. More than two significant
// digits are cut back to the first two characters as typed, after a message.
struct HexByteFieldRule {
  enum class WhenEmpty {
    WriteZero,   // "0", no message, no selection
    LeaveEmpty,  // the box stays empty
  };
  enum class WhenNotHex {
    KeepAndSelect,       // the text stays as typed, selected
    WriteZeroAndSelect,  // "0", selected
  };
  enum class AboveLimit {
    WriteLimitWithMessage,  // the message of the too-long case, then the limit, selected
    ClearBit7Silently,      // the value less 128, no message, no selection
  };

  QString notHexTitle;
  QString notHexPrompt;
  QString tooLongTitle;
  QString tooLongPrompt;
  WhenEmpty whenEmpty = WhenEmpty::WriteZero;
  WhenNotHex whenNotHex = WhenNotHex::KeepAndSelect;
  uint8_t limit = 0xFF;
  AboveLimit aboveLimit = AboveLimit::WriteLimitWithMessage;
};

// A hex byte rule with its two titles and the one prompt both faults share,
// its handling of empty, non-hex and too large texts the defaults.
HexByteFieldRule HexByteMessages(const QString& notHexTitle, const QString& tooLongTitle,
                                 const QString& prompt);

// The change handling that every validated numeric box of the window shares,
// bound to one box. Change() runs on every change of the box's text (typed,
// pasted, deleted or written by the program):
//   1. while the group's guard flag is set, it returns at once;
//   2. a bad text is reported first (information icon) and corrected after;
//      the correction is itself a change, so Change() runs again, nested, on
//      the corrected text before the write returns;
//   3. the corrected text is then selected whole;
//   4. the group's follow-up runs, in every case that got past step 1. After a
//      correction it has run twice: once in the nested run, once here.
// The owner connects the box's textChanged to its handler, which calls
// Change(); one direct connection per box, so that a nested run always
// finishes before the outer run reads the box again.
class ValidatedField {
 public:
  using Rule = std::variant<DecimalFieldRule, HexByteFieldRule>;

  // guard may be null (no group flag); followUp may be empty.
  ValidatedField(QLineEdit* box, Rule rule, MessageBoxes& messages, const bool* guard,
                 std::function<void()> followUp);

  void Change();

  QLineEdit* box() const { return box_; }
  const Rule& rule() const { return rule_; }

 private:
  void changeDecimal(const DecimalFieldRule& rule);
  void changeHexByte(const HexByteFieldRule& rule);
  void report(const QString& prompt, const QString& title);

  QLineEdit* box_;
  Rule rule_;
  MessageBoxes* messages_;
  const bool* guard_;
  std::function<void()> followUp_;
};

}  // namespace j1939
