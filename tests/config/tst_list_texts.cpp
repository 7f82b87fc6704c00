#include <QComboBox>
#include <QtTest>

#include "config/ListTexts.h"
#include "support/Harness.h"
#include "support/TestMain.h"

// The list texts that tools without the window use to show a record are the
// window's own: every drop-down list of the form holds exactly the entries of
// the table, in its order, and the table names no list the form lacks.
class ListTextsTest : public QObject {
  Q_OBJECT
 private slots:
  void formListsHoldTheTableEntries();
  void entryTextsAtTheEdges_data();
  void entryTextsAtTheEdges();
};

void ListTextsTest::formListsHoldTheTableEntries() {
  Harness h;
  h.create();
  const QList<QComboBox*> lists = h.window->findChildren<QComboBox*>();
  QCOMPARE(lists.size(), FormLists().size());
  for (QComboBox* list : lists) {
    QStringList entries;
    for (int i = 0; i < list->count(); ++i) entries << list->itemText(i);
    QVERIFY2(!ListEntriesOf(list->objectName()).isEmpty(), qPrintable(list->objectName()));
    QCOMPARE(entries, ListEntriesOf(list->objectName()));
  }
}

void ListTextsTest::entryTextsAtTheEdges_data() {
  QTest::addColumn<QString>("list");
  QTest::addColumn<int>("index");
  QTest::addColumn<QString>("text");  // empty: no entry
  QTest::newRow("COM1") << "cmbCOM" << 0 << "COM1";
  QTest::newRow("COM16") << "cmbCOM" << 15 << "COM16";
  QTest::newRow("no COM17") << "cmbCOM" << 16 << "";
  QTest::newRow("no selection") << "cmbCOM" << -1 << "";
  QTest::newRow("slot 1: 100ms") << UpdateRateList(0) << 2 << "Every 100ms";
  QTest::newRow("slot 2: 100 ms") << UpdateRateList(1) << 2 << "Every 100 ms";
  QTest::newRow("priority 7") << PriorityList(1) << 7 << "7";
  QTest::newRow("4 Bytes") << ParameterTypeList(0) << 2 << "4 Bytes";
  QTest::newRow("Version4") << "cmbDTCVersion" << 3 << "Version4";
  QTest::newRow("500Kbps") << "cmbCANBUSBaudRate" << 1 << "500Kbps";
  QTest::newRow("2.00") << "cmbSimulatorVersion" << 1 << "2.00";
  QTest::newRow("no such list") << "cmbNothing" << 0 << "";
}

void ListTextsTest::entryTextsAtTheEdges() {
  QFETCH(QString, list);
  QFETCH(int, index);
  QFETCH(QString, text);
  const std::optional<QString> entry = ListEntryText(list, index);
  QCOMPARE(entry.has_value(), !text.isEmpty());
  if (entry) QCOMPARE(*entry, text);
}

J1939_TEST(ListTextsTest);
#include "tst_list_texts.moc"
