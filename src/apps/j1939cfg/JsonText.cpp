#include "apps/j1939cfg/JsonText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSet>
#include <cmath>
#include <cstdio>

#include "apps/j1939cfg/RecordView.h"

namespace j1939 {

namespace {

// Deeper than any configuration: the reader refuses such a document anyway.
constexpr int kDeepest = 64;

// The significant digits of a decimal number and the count of digits before
// its point: "120.5" is {"1205", 3}, "0.05" {"5", -1}, zero {"", 0}.
struct Digits {
  QByteArray digits;
  qint64 point = 0;
  bool operator==(const Digits&) const = default;
};

Digits digitsOf(const QByteArray& whole, const QByteArray& fraction, qint64 exponent) {
  Digits d{whole + fraction, whole.size() + exponent};
  qsizetype zeros = 0;
  while (zeros < d.digits.size() && d.digits[zeros] == '0') ++zeros;
  d.digits.remove(0, zeros);
  d.point -= zeros;
  while (d.digits.endsWith('0')) d.digits.chop(1);
  if (d.digits.isEmpty()) d.point = 0;
  return d;
}

// Whether the double that `text` (a JSON number) reads as is that number.
bool heldExactly(const QRegularExpressionMatch& number) {
  bool ok = false;
  const double value = number.captured(0).toLatin1().toDouble(&ok);
  if (!ok || !std::isfinite(value)) return false;
  // Past 6 digits the exponent is out of any double's reach either way.
  const QString exponentText = number.captured(3);
  const qint64 exponent = exponentText.size() > 7
                              ? (exponentText.startsWith(QLatin1Char('-')) ? -1000000 : 1000000)
                              : exponentText.toLongLong();
  const Digits given =
      digitsOf(number.captured(1).toLatin1(), number.captured(2).toLatin1(), exponent);
  // Every double's exact decimal expansion has at most 1074 digits after the
  // point; the C library prints it exactly.
  char buffer[1500];
  std::snprintf(buffer, sizeof buffer, "%.1100f", std::fabs(value));
  const QByteArray printed(buffer);
  qsizetype point = 0;
  while (point < printed.size() && printed[point] >= '0' && printed[point] <= '9') ++point;
  return digitsOf(printed.left(point), printed.mid(point + 1), 0) == given;
}

class Scan {
 public:
  explicit Scan(const QByteArray& text) : text_(text) {}

  std::optional<QString> value(const QString& path, int depth) {
    blank();
    const char c = peek();
    if (c == '{' || c == '[') return container(path, depth, c == '{');
    if (c == '"') {
      if (!string(nullptr)) stopped_ = true;
      return std::nullopt;
    }
    static const QRegularExpression number(
        QStringLiteral("-?(0|[1-9][0-9]*)(?:\\.([0-9]+))?(?:[eE]([-+]?[0-9]+))?"));
    const qsizetype start = at_;
    while (at_ < text_.size() && QByteArrayView("-+.0123456789eEtruefalsn").contains(text_[at_]))
      ++at_;
    const QString word = QString::fromLatin1(text_.mid(start, at_ - start));
    if (word == QLatin1String("true") || word == QLatin1String("false") ||
        word == QLatin1String("null"))
      return std::nullopt;
    const QRegularExpressionMatch match = number.match(
        word, 0, QRegularExpression::NormalMatch, QRegularExpression::AnchorAtOffsetMatchOption);
    if (!match.hasMatch() || match.capturedLength() != word.size()) {
      stopped_ = true;
      return std::nullopt;
    }
    if (!heldExactly(match))
      return QStringLiteral("%1: %2 is not held exactly by a JSON number").arg(path, word);
    return std::nullopt;
  }

 private:
  std::optional<QString> container(const QString& path, int depth, bool object) {
    ++at_;
    if (depth >= kDeepest) return stop();
    const char end = object ? '}' : ']';
    QSet<QString> keys;
    blank();
    if (peek() == end) {
      ++at_;
      return std::nullopt;
    }
    for (int index = 0;; ++index) {
      QString member = QStringLiteral("%1[%2]").arg(path).arg(index);
      if (object) {
        QString key;
        blank();
        if (!string(&key)) return stop();
        const QString shown = PrintableText(key);
        member = path.isEmpty() ? shown : path + QLatin1Char('.') + shown;
        if (keys.contains(key)) return member + QStringLiteral(": the key is given twice");
        keys.insert(key);
        blank();
        if (peek() != ':') return stop();
        ++at_;
      }
      if (const std::optional<QString> fault = value(member, depth + 1)) return fault;
      if (stopped_) return std::nullopt;
      blank();
      if (peek() == end) {
        ++at_;
        return std::nullopt;
      }
      if (peek() != ',') return stop();
      ++at_;
    }
  }

  // A string; its text, unescaped as the JSON reader unescapes it, into `text`.
  bool string(QString* text) {
    if (peek() != '"') return false;
    const qsizetype start = at_++;
    while (at_ < text_.size() && text_[at_] != '"') at_ += text_[at_] == '\\' ? 2 : 1;
    if (at_++ >= text_.size()) return false;
    if (!text) return true;
    const QJsonDocument one = QJsonDocument::fromJson('[' + text_.mid(start, at_ - start) + ']');
    if (!one.isArray()) return false;
    *text = one.array().at(0).toString();
    return true;
  }

  std::optional<QString> stop() {
    stopped_ = true;
    return std::nullopt;
  }
  void blank() {
    while (at_ < text_.size() && QByteArrayView(" \t\r\n").contains(text_[at_])) ++at_;
  }
  char peek() const { return at_ < text_.size() ? text_[at_] : '\0'; }

  const QByteArray& text_;
  qsizetype at_ = 0;
  bool stopped_ = false;
};

}  // namespace

std::optional<QString> JsonTextFault(const QByteArray& text) {
  return Scan(text).value(QString(), 0);
}

}  // namespace j1939
