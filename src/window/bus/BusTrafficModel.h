#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QSortFilterProxyModel>
#include <QStringList>
#include <optional>

#include "rules/j1939/BusTraffic.h"
#include "window/bus/BusMonitor.h"

namespace j1939 {

// The traffic of the bus, a row per sender and group (the tally's), with the
// mark of the configured groups. Rows are added as senders and groups first
// appear and stay until the model is cleared; the counts change in place.
class BusTrafficModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum Column {
    Check,
    Source,
    Pgn,
    PgnHex,
    Name,
    Priority,
    Destination,
    Length,
    Count,
    Period,
    Jitter,
    Data,
    ColumnCount
  };
  static constexpr int SortRole = Qt::UserRole;     // a number to sort by
  static constexpr int KeyRole = Qt::UserRole + 1;  // BusMonitor::rowKey of the row

  using QAbstractTableModel::QAbstractTableModel;

  // The tally as it stands: new rows at the end, the others changed.
  void update(const QList<GroupStatistics>& groups);
  void setMarks(const QHash<uint32_t, RowMark>& marks);
  void clear();
  SourceGroup rowAt(int row) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 private:
  QVariant display(const GroupStatistics& g, int column) const;
  QVariant sortValue(const GroupStatistics& g, int column) const;

  QList<GroupStatistics> rows_;
  QHash<uint32_t, int> rowOf_;  // by BusMonitor::rowKey
  QHash<uint32_t, RowMark> marks_;
};

// The rows a user asked for: those whose source address, PGN (decimal or
// hex) or group name is one of the words of the filter ("25 FF10 EEC1"), and
// where asked, only those from one address.
class BusTrafficFilter : public QSortFilterProxyModel {
  Q_OBJECT
 public:
  using QSortFilterProxyModel::QSortFilterProxyModel;
  void setWords(const QString& text);
  void setOnlyFrom(std::optional<uint8_t> address);

 protected:
  bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

 private:
  QStringList words_;
  std::optional<uint8_t> onlyFrom_;
};

}  // namespace j1939
