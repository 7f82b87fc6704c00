#include "window/pgn/ParameterLayout.h"

#include <QComboBox>
#include <QLineEdit>
#include <algorithm>
#include <limits>

#include "rules/pgn/ParameterRules.h"
#include "rules/text/TextCodecs.h"
#include "window/desktop/MessageBoxes.h"
#include "window/fields/Controls.h"
#include "window/pgn/FieldWrites.h"

namespace j1939 {

namespace {
// The bound when the data length cannot be read.
constexpr int kFallbackDataLength = 8;
}  // namespace

ParameterLayout::ParameterLayout(QLineEdit* dataLength, QComboBox* parameterType,
                                 QLineEdit* parameterPos, int16_t& maxParameterPos,
                                 MessageBoxes& messages)
    : dataLength_(dataLength),
      parameterType_(parameterType),
      parameterPos_(parameterPos),
      maxParameterPos_(maxParameterPos),
      messages_(messages) {
  connect(dataLength_, &QLineEdit::textChanged, this, &ParameterLayout::checkDataLength);
  connect(parameterType_, &QComboBox::currentIndexChanged, this,
          &ParameterLayout::checkParameterType);
  connect(parameterPos_, &QLineEdit::textChanged, this, &ParameterLayout::checkParameterPos);
}

void ParameterLayout::checkDataLength() {
  const QString text = dataLength_->text();
  if (IsDecimalText(text)) {
    // Saturated just above the range, so that any longer digit string is out of it.
    const uint64_t length = DecimalValue(text, kMaxDataLength + 1);
    if (!IsDataLengthInRange(static_cast<int64_t>(length))) {
      tell(tr("Data length should be 1 to 1785"), tr("Data length is wrong"));
      RewriteSelected(dataLength_, QStringLiteral("8"));
    }
  } else if (text.isEmpty()) {
    RewriteSelected(dataLength_, QStringLiteral("1"));
  } else {
    tell(tr("You must enter decimal 1 to 1785"), tr("Data length must be decimal"));
    RewriteSelected(dataLength_, QStringLiteral("8"));
  }
  checkParameterType();
}

void ParameterLayout::checkParameterType() {
  const QString lengthText = dataLength_->text();
  if (IsDecimalText(lengthText)) {
    const std::optional<int> smaller =
        SmallerParameterType(DecimalValue(lengthText), parameterType_->currentIndex());
    if (smaller) {
      tell(tr("too big data type"), tr("Wrong Data Type"));
      SetListIndex(parameterType_, *smaller);
    }
  }
  checkParameterPos();
}

void ParameterLayout::checkParameterPos() {
  const QString lengthText = dataLength_->text();
  // The rules keep the data length within 1 to 1785; held to the bound's
  // 16 bits all the same, so that no text can overflow it.
  int64_t length = kFallbackDataLength;
  if (IsDecimalText(lengthText))
    length = static_cast<int64_t>(DecimalValue(lengthText, std::numeric_limits<int16_t>::max()));
  const int bound = static_cast<int>(MaxParameterPosFor(length, parameterType_->currentIndex()));
  maxParameterPos_ = static_cast<int16_t>(bound);

  const QString text = parameterPos_->text();
  const QString boundText = QString::number(bound);
  const auto outOfRange = [&] {
    tell(tr("Parameter position should be 1 to %1").arg(boundText),
         tr("Parameter position is wrong"));
    RewriteSelected(parameterPos_, boundText);
  };
  if (IsDecimalText(text)) {
    const uint64_t position = DecimalValue(text);
    if (position == 0 || position > static_cast<uint64_t>(std::max(bound, 0))) outOfRange();
  } else if (text.isEmpty()) {
    RewriteSelected(parameterPos_, QStringLiteral("1"));
  } else {
    outOfRange();
  }
}

void ParameterLayout::tell(const QString& prompt, const QString& title) {
  messages_.show(prompt, title, MessageIcon::Information);
}

}  // namespace j1939

#include "moc_ParameterLayout.cpp"
