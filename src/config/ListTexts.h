#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>

// The entries of the window's drop-down lists, in list order. The record keeps
// a list selection as the entry's index, so these texts are what a stored
// index means wherever the record is shown, with or without the window. The
// two update-rate lists differ in one entry: "Every 100ms" in slot 1,
// "Every 100 ms" in slot 2.
struct ListEntries {
  QString control;  // the list's name in the window, e.g. "cmbUpdateRate1"
  QStringList entries;
};

// Every drop-down list of the window.
const QList<ListEntries>& FormLists();

// The entries of the named list; empty for a name that is no list.
const QStringList& ListEntriesOf(QStringView control);

// The text of entry `index` of the named list, nothing when it has no such entry.
std::optional<QString> ListEntryText(QStringView control, int index);

// The names of the lists that belong to an additional PGN slot (0 or 1).
QString UpdateRateList(int slot);     // "cmbUpdateRate1" / "cmbUpdateRate2"
QString PriorityList(int slot);       // "cmbPriority1" / "cmbPriority2"
QString ParameterTypeList(int slot);  // "cmbParameterType1" / "cmbParameterType2"
