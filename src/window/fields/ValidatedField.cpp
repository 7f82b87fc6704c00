#include "window/fields/ValidatedField.h"

#include <QLineEdit>

#include "rules/text/TextCodecs.h"
#include "window/desktop/MessageBoxes.h"
#include "window/fields/Controls.h"

namespace j1939 {

HexByteFieldRule HexByteMessages(const QString& notHexTitle, const QString& tooLongTitle,
                                 const QString& prompt) {
  HexByteFieldRule rule;
  rule.notHexTitle = notHexTitle, rule.notHexPrompt = prompt;
  rule.tooLongTitle = tooLongTitle, rule.tooLongPrompt = prompt;
  return rule;
}

ValidatedField::ValidatedField(QLineEdit* box, Rule rule, MessageBoxes& messages, const bool* guard,
                               std::function<void()> followUp)
    : box_(box),
      rule_(std::move(rule)),
      messages_(&messages),
      guard_(guard),
      followUp_(std::move(followUp)) {}

void ValidatedField::Change() {
  if (guard_ && *guard_) return;
  if (const auto* decimal = std::get_if<DecimalFieldRule>(&rule_))
    changeDecimal(*decimal);
  else
    changeHexByte(std::get<HexByteFieldRule>(rule_));
  if (followUp_) followUp_();
}

void ValidatedField::changeDecimal(const DecimalFieldRule& rule) {
  const QString text = box_->text();
  if (IsDecimalText(text)) {
    // Saturating one above the maximum keeps any number of digits comparable.
    if (DecimalValue(text, uint64_t{rule.maximum} + 1) > rule.maximum) {
      report(rule.tooLargePrompt, rule.tooLargeTitle);
      box_->setText(QString::number(rule.maximum));
      SelectAll(box_);
    }
  } else if (!text.isEmpty()) {
    report(rule.notDecimalPrompt, rule.notDecimalTitle);
    box_->setText(QStringLiteral("0"));
    SelectAll(box_);
  } else {
    box_->setText(QStringLiteral("0"));
    SelectAll(box_);
  }
}

void ValidatedField::changeHexByte(const HexByteFieldRule& rule) {
  using Rule = HexByteFieldRule;
  const QString text = box_->text();
  if (text.isEmpty()) {
    if (rule.whenEmpty == Rule::WhenEmpty::WriteZero) box_->setText(QStringLiteral("0"));
    return;
  }
  if (!IsHexText(text)) {
    report(rule.notHexPrompt, rule.notHexTitle);
    if (rule.whenNotHex == Rule::WhenNotHex::WriteZeroAndSelect) box_->setText(QStringLiteral("0"));
    SelectAll(box_);
    return;
  }
  if (StripLeadingZeros(text).size() > 2) {
    report(rule.tooLongPrompt, rule.tooLongTitle);
    // The first two characters as typed, not of the stripped text: '0FFF' gives
    // '0F'. The nested run has checked the shortened text in full, limit
    // included, by the time the write returns.
    box_->setText(text.left(2));
    SelectAll(box_);
    return;
  }
  // At most two significant digits: the value is a byte.
  const uint8_t value = HexTextToByte(text);
  if (value <= rule.limit) return;
  switch (rule.aboveLimit) {
    case Rule::AboveLimit::WriteLimitWithMessage:
      report(rule.tooLongPrompt, rule.tooLongTitle);
      box_->setText(ByteToHexText(rule.limit));
      SelectAll(box_);
      break;
    case Rule::AboveLimit::ClearBit7Silently:
      box_->setText(ByteToHexText(static_cast<uint8_t>(value & 0x7F)));
      break;
  }
}

void ValidatedField::report(const QString& prompt, const QString& title) {
  messages_->show(prompt, title, MessageIcon::Information);
}

}  // namespace j1939
