#include "window/bus/BusTrafficModel.h"

#include <QBrush>
#include <QColor>
#include <QRegularExpression>

#include "rules/j1939/GroupNames.h"

namespace j1939 {

namespace {

QString cellHex(uint32_t value, int digits) {
  return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

// Long data (a BAM carries up to 1785 bytes) is cut in the cell; the tool tip has it whole.
constexpr int kDataBytesShown = 24;

QString cellData(const QByteArray& data, bool whole) {
  const QByteArray shown = whole ? data : data.left(kDataBytesShown);
  QString text = QString::fromLatin1(shown.toHex(' ').toUpper());
  if (shown.size() < data.size()) text += QStringLiteral(" \u2026");
  return text;
}

QString cellMs(double ms) {
  return QString::number(ms, 'f', 1);
}

}  // namespace

int BusTrafficModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int BusTrafficModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ColumnCount;
}

SourceGroup BusTrafficModel::rowAt(int row) const {
  return SourceGroup{rows_[row].source, rows_[row].pgn};
}

void BusTrafficModel::update(const QList<GroupStatistics>& groups) {
  const int before = static_cast<int>(rows_.size());
  QList<GroupStatistics> added;
  for (const GroupStatistics& g : groups) {
    const auto found = rowOf_.constFind(BusMonitor::rowKey({g.source, g.pgn}));
    if (found != rowOf_.cend())
      rows_[*found] = g;
    else
      added << g;
  }
  if (before > 0) emit dataChanged(index(0, Source), index(before - 1, ColumnCount - 1));
  if (added.isEmpty()) return;
  beginInsertRows(QModelIndex(), before, before + static_cast<int>(added.size()) - 1);
  for (const GroupStatistics& g : added) {
    rowOf_.insert(BusMonitor::rowKey({g.source, g.pgn}), static_cast<int>(rows_.size()));
    rows_ << g;
  }
  endInsertRows();
}

void BusTrafficModel::setMarks(const QHash<uint32_t, RowMark>& marks) {
  if (marks == marks_) return;
  marks_ = marks;
  if (!rows_.isEmpty()) emit dataChanged(index(0, Check), index(rowCount() - 1, Check));
}

void BusTrafficModel::clear() {
  beginResetModel();
  rows_.clear();
  rowOf_.clear();
  marks_.clear();
  endResetModel();
}

QVariant BusTrafficModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rows_.size()) return {};
  const GroupStatistics& g = rows_[index.row()];
  const uint32_t key = BusMonitor::rowKey({g.source, g.pgn});
  if (role == KeyRole) return key;
  if (role == SortRole) return sortValue(g, index.column());
  if (index.column() == Check) {
    const auto mark = marks_.constFind(key);
    if (mark == marks_.cend()) return {};
    switch (role) {
      case Qt::DisplayRole:
        return mark->kind == RowMark::Kind::Holds   ? QStringLiteral("\u2713")
               : mark->kind == RowMark::Kind::Fails ? QStringLiteral("\u2717")
                                                    : QStringLiteral("\u2026");
      case Qt::AccessibleTextRole:
        return mark->kind == RowMark::Kind::Holds   ? tr("holds")
               : mark->kind == RowMark::Kind::Fails ? tr("does not hold")
                                                    : tr("listening");
      case Qt::ToolTipRole:
        return mark->toolTip;
      case Qt::ForegroundRole:
        return mark->kind == RowMark::Kind::Listening
                   ? QVariant()
                   : QBrush(mark->kind == RowMark::Kind::Holds ? QColor(0, 128, 0)
                                                               : QColor(192, 0, 0));
      case Qt::TextAlignmentRole:
        return Qt::AlignCenter;
    }
    return {};
  }
  switch (role) {
    case Qt::DisplayRole:
      return display(g, index.column());
    case Qt::ToolTipRole:
      if (index.column() == Name)
        if (const auto name = ParameterGroupNameOf(g.pgn)) return QString::fromLatin1(name->title);
      if (index.column() == Data && g.lastData.size() > kDataBytesShown)
        return cellData(g.lastData, true);
      return {};
    case Qt::TextAlignmentRole:
      return index.column() == Name || index.column() == Data
                 ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                 : QVariant(Qt::AlignRight | Qt::AlignVCenter);
  }
  return {};
}

QVariant BusTrafficModel::display(const GroupStatistics& g, int column) const {
  switch (column) {
    case Source:
      return cellHex(g.source, 2);
    case Pgn:
      return QString::number(g.pgn);
    case PgnHex:
      return cellHex(g.pgn, 4);
    case Name:
      if (const auto name = ParameterGroupNameOf(g.pgn)) return QString::fromLatin1(name->acronym);
      return QString();
    case Priority:
      return QString::number(g.priority);
    case Destination:
      return cellHex(g.destination, 2);
    case Length:
      return g.byBam ? tr("%1 by BAM").arg(g.lastData.size()) : QString::number(g.lastData.size());
    case Count:
      return QString::number(g.count);
    case Period:
      return g.count > 1 ? cellMs(g.meanPeriodMs()) : QString();
    case Jitter:
      return g.count > 1 ? cellMs(g.jitterMs()) : QString();
    case Data:
      return cellData(g.lastData, false);
  }
  return {};
}

QVariant BusTrafficModel::sortValue(const GroupStatistics& g, int column) const {
  // Ties fall to the sender, then the group.
  const qint64 key = BusMonitor::rowKey({g.source, g.pgn});
  switch (column) {
    case Check: {
      const auto mark = marks_.constFind(static_cast<uint32_t>(key));
      return mark == marks_.cend() ? 3 : static_cast<int>(mark->kind);
    }
    case Source:
      return key;
    case Pgn:
    case PgnHex:
      return static_cast<qint64>(g.pgn) << 8 | g.source;
    case Name:
      return display(g, Name).toString();
    case Priority:
      return g.priority;
    case Destination:
      return g.destination;
    case Length:
      return static_cast<qint64>(g.lastData.size());
    case Count:
      return g.count;
    case Period:
      return g.meanPeriodMs();
    case Jitter:
      return g.jitterMs();
    case Data:
      return g.lastData;
  }
  return {};
}

QVariant BusTrafficModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return {};
  static const char* const captions[ColumnCount] = {
      QT_TR_NOOP("Check"),       QT_TR_NOOP("Source"),      QT_TR_NOOP("PGN"),
      QT_TR_NOOP("PGN hex"),     QT_TR_NOOP("Name"),        QT_TR_NOOP("Priority"),
      QT_TR_NOOP("Destination"), QT_TR_NOOP("Length"),      QT_TR_NOOP("Count"),
      QT_TR_NOOP("Period (ms)"), QT_TR_NOOP("Jitter (ms)"), QT_TR_NOOP("Last data")};
  static const char* const tips[ColumnCount] = {
      QT_TR_NOOP("The configured groups against what the form shows: \u2713 every expectation "
                 "holds, \u2717 one does not (the tool tip says which)"),
      QT_TR_NOOP("The sender's source address (hex)"),
      QT_TR_NOOP("Parameter group number"),
      QT_TR_NOOP("Parameter group number (hex)"),
      QT_TR_NOOP("The group's acronym"),
      QT_TR_NOOP("Priority of the last message"),
      QT_TR_NOOP("Destination address of the last message (hex; FF to all)"),
      QT_TR_NOOP("Data bytes of the last message; a BAM's reassembled"),
      QT_TR_NOOP("Messages counted"),
      QT_TR_NOOP("Mean interval between the messages"),
      QT_TR_NOOP("Standard deviation of the intervals"),
      QT_TR_NOOP("The last message's data (hex)")};
  if (section < 0 || section >= ColumnCount) return {};
  if (role == Qt::DisplayRole) return tr(captions[section]);
  if (role == Qt::ToolTipRole) return tr(tips[section]);
  return {};
}

void BusTrafficFilter::setWords(const QString& text) {
  static const QRegularExpression separators(QStringLiteral("[\\s,;]+"));
  const QStringList words = text.split(separators, Qt::SkipEmptyParts);
  if (words == words_) return;
  words_ = words;
  invalidateRowsFilter();
}

void BusTrafficFilter::setOnlyFrom(std::optional<uint8_t> address) {
  if (address == onlyFrom_) return;
  onlyFrom_ = address;
  invalidateRowsFilter();
}

bool BusTrafficFilter::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
  const uint32_t key =
      sourceModel()->index(sourceRow, 0, sourceParent).data(BusTrafficModel::KeyRole).toUInt();
  const auto source = static_cast<uint8_t>(key >> 24);
  const uint32_t pgn = key & 0xFFFFFF;
  if (onlyFrom_ && *onlyFrom_ != source) return false;
  if (words_.isEmpty()) return true;
  const auto name = ParameterGroupNameOf(pgn);
  for (const QString& word : words_) {
    QString hex = word;
    if (hex.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) hex = hex.mid(2);
    bool isHex = false, isDecimal = false;
    const uint hexValue = hex.toUInt(&isHex, 16);
    const uint decimalValue = word.toUInt(&isDecimal, 10);
    if (isHex && ((hexValue <= 0xFF && hexValue == source) || hexValue == pgn)) return true;
    if (isDecimal && decimalValue == pgn) return true;
    if (name && word.compare(QLatin1String(name->acronym), Qt::CaseInsensitive) == 0) return true;
  }
  return false;
}

}  // namespace j1939

#include "moc_BusTrafficModel.cpp"
