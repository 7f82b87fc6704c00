#include <QAbstractItemModelTester>
#include <QAbstractItemView>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMenu>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTest>
#include <memory>

#include "support/Emulator.h"
#include "support/Harness.h"
#include "support/Records.h"
#include "support/TestMain.h"
#include "support/VirtualBus.h"
#include "window/bus/BusDock.h"
#include "window/bus/BusMonitor.h"
#include "window/bus/BusTrafficModel.h"
#include "window/bus/IntervalChart.h"
#include "window/bus/IntervalHistory.h"

using L = QStringList;

namespace {

// A virtual bus of the test's own, apart from tst_bus's and tst_verify's: bus
// 0 is served by this process, which connects first; bus 1 by the j1939sim
// that a test starts on it.
QString bus(int number) {
  return virtualBus(30000, 1300, 2, number);
}

// What j1939sim plays for the verdicts, static.
SimulatorConfig played(const std::function<void(SimulatorConfig&)>& edit = {}) {
  return playedRecord([&](SimulatorConfig& c) {
    c.DynamicMode = 0;
    if (edit) edit(c);
  });
}

// Measured times written "#": "every 50.2 ms (jitter 1.3 ms)" -> "every # ms (jitter # ms)".
QString masked(QString text) {
  static const QRegularExpression measured(QStringLiteral("[0-9]+\\.[0-9]+ (ms|s)"));
  return text.replace(measured, QStringLiteral("# \\1"));
}

// The real window on a j1939.cfg of `record`, its Bus dock connected to `interface`.
struct BusBench : Harness {
  explicit BusBench(const SimulatorConfig& record, const QString& interface = bus(0)) {
    startOn(record);
    dock().connectForRun(interface);
    // Every row and cell change the traffic announces is one a view can take.
    const auto* filter = qobject_cast<QSortFilterProxyModel*>(rows());
    modelCheck = std::make_unique<QAbstractItemModelTester>(
        filter ? filter->sourceModel() : rows(),
        QAbstractItemModelTester::FailureReportingMode::QtTest);
  }
  std::unique_ptr<QAbstractItemModelTester> modelCheck;
  BusDock& dock() { return window->busDock(); }
  BusMonitor& monitor() { return *dock().monitor(); }
  QAbstractItemModel* rows() { return find<QTableView>("tblBusTraffic")->model(); }
  [[nodiscard]] bool connected() {
    return until(&monitor(), &BusMonitor::stateChanged, [&] { return monitor().isConnected(); });
  }
  QString status() {
    const auto* label = find<QLabel>("sbStatusBus");
    return label ? masked(label->text()) : QString();
  }
  QString state() { return find<QLabel>("lblBusState")->text(); }
  // The row's cells as the table shows them, joined by "|": the counts and
  // times "#" (they depend on how long the bus was watched).
  QString row(int r) {
    QStringList cells;
    for (int c = 0; c < BusTrafficModel::ColumnCount; ++c) {
      QString text = rows()->index(r, c).data().toString();
      if (c >= BusTrafficModel::Count && c <= BusTrafficModel::Jitter) text = "#";
      cells << text;
    }
    return cells.join('|');
  }
  L table(const QString& source = {}) {
    L list;
    for (int r = 0; r < rows()->rowCount(); ++r)
      if (source.isEmpty() || rows()->index(r, BusTrafficModel::Source).data() == source)
        list << row(r);
    return list;
  }
  // The marks of the rows from `source`: "65296 ✓".
  L marks(const QString& source = "25") {
    L list;
    for (int r = 0; r < rows()->rowCount(); ++r)
      if (rows()->index(r, BusTrafficModel::Source).data() == source &&
          !rows()->index(r, BusTrafficModel::Check).data().toString().isEmpty())
        list << rows()->index(r, BusTrafficModel::Pgn).data().toString() + " " +
                    rows()->index(r, BusTrafficModel::Check).data().toString();
    return list;
  }
  QString toolTip(const QString& pgn) {
    for (int r = 0; r < rows()->rowCount(); ++r)
      if (rows()->index(r, BusTrafficModel::Source).data() == "25" &&
          rows()->index(r, BusTrafficModel::Pgn).data() == pgn)
        return masked(rows()->index(r, BusTrafficModel::Check).data(Qt::ToolTipRole).toString());
    return "no row " + pgn;
  }
  [[nodiscard]] bool marksAre(const L& expected, int ms = 8000) {
    return until(
        rows(), &QAbstractItemModel::dataChanged, [&] { return marks() == expected; }, ms);
  }
};

const L kAllHold{"60928 \u2713", "65260 \u2713", "65296 \u2713", "126720 \u2713"};

}  // namespace

// View > "Bus" in the real window, on virtual CAN buses of the test's own with
// j1939sim playing a configuration on them.
class BusDockTest : public QObject {
  Q_OBJECT
  std::unique_ptr<CanSender> sender_;
  std::unique_ptr<SimulatorProcess> sim_;
  QTemporaryDir dir_;

  // A change of the form turns a tick into a cross, the reason in its tool
  // tip, before anything is sent; the form put back, the tick returns.
  void changeForm(BusBench& b) {
    struct Row {
      const char* name;
      std::function<void(BusBench&)> edit, undo;
      QString pgn;
      QString toolTip;
    };
    const Row rows[] = {
        {"priority", [](BusBench& b) { b.find<QComboBox>("cmbPriority1")->setCurrentIndex(5); },
         [](BusBench& b) { b.find<QComboBox>("cmbPriority1")->setCurrentIndex(6); }, "65296",
         "PGN1: 1 of 8 expectations does not hold\n\u2717 priority 6, configured priority "
         "5\n\u2713 reserved bit 0\n\u2713 data page 0\n\u2713 PF FF\n\u2713 PS 10\n\u2713 8 "
         "bytes\n\u2713 every 50 ms\n\u2713 parameter stays (static)"},
        {"mode", [](BusBench& b) { b.find<QRadioButton>("optDynamic")->setChecked(true); },
         [](BusBench& b) { b.find<QRadioButton>("optStatic")->setChecked(true); }, "126720",
         "PGN2: 1 of 8 expectations does not hold\n\u2713 priority 3\n\u2713 reserved bit "
         "0\n\u2713 data page 1\n\u2713 PF EF\n\u2713 PS 00\n\u2713 8 bytes\n\u2713 every 100 "
         "ms\n\u2717 stays at 7D FF FF FF FF FF FF FF, configured parameter changes (dynamic)"},
        {"NAME", [](BusBench& b) { enter(b.find<QLineEdit>("txtFunction"), "130"); },
         [](BusBench& b) { enter(b.find<QLineEdit>("txtFunction"), "129"); }, "60928",
         "address 25: does not hold\n\u2717 claimed with NAME 2705813A0C6B3039 (Function 129, not "
         "130), configured address 25 claimed with NAME 2705823A0C6B3039"},
    };
    for (const Row& row : rows) {
      row.edit(b);
      QVERIFY2(until(b.rows(), &QAbstractItemModel::dataChanged,
                     [&] { return b.toolTip(row.pgn) == row.toolTip; }),
               qPrintable(QString(row.name) + ": " + b.toolTip(row.pgn)));
      row.undo(b);
      QVERIFY2(b.marksAre(kAllHold), row.name);
    }
  }

 private slots:
  void initTestCase() {
    QLoggingCategory::setFilterRules("qt.canbus.plugins.virtualcan*=false");
    sender_ = std::make_unique<CanSender>(bus(0));
    QVERIFY(sender_->connected());
    QVERIFY(writeRecord(dir_.filePath("played.cfg"), played()));
    sim_ = std::make_unique<SimulatorProcess>(
        L{"--can", bus(0), "--config", dir_.filePath("played.cfg")});
    QVERIFY(!sim_->waitForLine("plays: ").isEmpty());
  }

  // The chart's minute in 100 ms buckets of least, greatest and mean
  // interval, from the run's first bucket on; a bucket a minute old gives its
  // place to the new one.
  void intervalBuckets() {
    IntervalHistory history;
    // The first at 0 ms, in the millisecond the bus connected, counts as any other.
    for (qint64 ms : {0, 20, 60, 250}) history.add(ms);
    using B = std::tuple<qint64, double, double, double>;
    const auto buckets = [&](qint64 now) {
      QList<B> list;
      for (const auto& b : history.lastMinute(now)) list << B{b.startMs, b.least, b.most, b.mean};
      return list;
    };
    QCOMPARE(buckets(300), (QList<B>{{0, 20, 40, 30}, {200, 190, 190, 190}}));
    history.add(60050);
    QCOMPARE(buckets(60050), (QList<B>{{200, 190, 190, 190}, {60000, 59800, 59800, 59800}}));
    QCOMPARE(buckets(120300), QList<B>());
  }

  // The chart read back from its pixels: the scale's top is 1, 2 or 5 times a
  // power of ten, at least the greatest interval and half again the
  // configured one; each bucket's mean sits at its height and at its place in
  // the minute, the configured interval's dashed line at its own.
  void intervalChart_data() {
    QTest::addColumn<int>("configured");
    QTest::addColumn<QList<double>>("means");  // a bucket each, evenly over the minute
    QTest::addColumn<double>("top");
    QTest::newRow("configured 100 ms") << 100 << QList<double>{120, 30} << 200.0;
    QTest::newRow("a mean at a step") << 0 << QList<double>{200, 50, 10} << 200.0;
    QTest::newRow("just above a step") << 0 << QList<double>{201} << 500.0;
    QTest::newRow("tens") << 0 << QList<double>{7} << 10.0;
    QTest::newRow("configured 700 ms") << 700 << QList<double>{40} << 2000.0;
    QTest::newRow("below a millisecond") << 0 << QList<double>{0.3} << 0.5;
  }
  void intervalChart() {
    QFETCH(int, configured);
    QFETCH(QList<double>, means);
    QFETCH(double, top);
    IntervalChart chart;
    chart.resize(400, 240);
    const qint64 now = 200000;
    const auto placeOf = [&](qsizetype k) { return double(k + 1) / double(means.size() + 1); };
    std::vector<IntervalHistory::Bucket> buckets;
    for (qsizetype k = 0; k < means.size(); ++k)
      buckets.push_back(
          {qint64(now - 60000 + placeOf(k) * 60000) - 50, means[k], means[k], means[k]});
    chart.showIntervals("EEC1", buckets, now, configured);
    // What a screen reader says of it.
    QCOMPARE(chart.accessibleDescription(),
             QString("EEC1: intervals from %1 to %2 ms in the last minute")
                     .arg(*std::min_element(means.cbegin(), means.cend()))
                     .arg(*std::max_element(means.cbegin(), means.cend())) +
                 (configured ? QString(", configured %1 ms").arg(configured) : ""));
    const QImage image = chart.grab().toImage();
    const QPalette& colours = chart.palette();
    // How much of `colour` a pixel holds over the background, 0 to 1: its
    // saturation where its hue is the colour's (the grey of text has none).
    const auto weight = [&](int x, int y, QColor colour) {
      const QColor p = image.pixelColor(x, y);
      const int apart = std::abs(p.hsvHue() - colour.hsvHue());
      return p.hsvHue() >= 0 && std::min(apart, 360 - apart) < 20 ? p.hsvSaturationF() : 0.0;
    };
    // The plot's frame: the rows and columns that its colour mostly fills.
    const QRgb mid = colours.color(QPalette::Mid).rgb();
    const auto filled = [&](int lines, int length, auto pixel) {
      QList<int> found;
      for (int i = 0; i < lines; ++i) {
        int n = 0;
        for (int j = 0; j < length; ++j) n += pixel(i, j) == mid;
        if (n > length / 2) found << i;
      }
      return found;
    };
    const QList<int> rows =
        filled(image.height(), image.width(), [&](int y, int x) { return image.pixel(x, y); });
    const QList<int> columns =
        filled(image.width(), image.height(), [&](int x, int y) { return image.pixel(x, y); });
    QCOMPARE(rows.size(), 2);
    QCOMPARE(columns.size(), 2);
    const QRect frame(QPoint(columns[0], rows[0]), QPoint(columns[1], rows[1]));
    QVERIFY(frame.width() > 200 && frame.height() > 100);
    // The frame is drawn one pixel wider and taller than the plot inside it.
    const auto yOf = [&](double ms) {
      return frame.bottom() - 1 - ms / top * (frame.height() - 1);
    };
    // The marks, left to right: the centre of each run of columns that has some.
    QList<QPointF> marks;
    double sum = 0, sumX = 0, sumY = 0;
    for (int x = frame.left() + 1; x < frame.right(); ++x) {
      double column = 0;
      for (int y = 0; y < image.height(); ++y) {
        const double w = weight(x, y, colours.color(QPalette::Highlight));
        column += w, sumX += w * (x + 0.5), sumY += w * (y + 0.5);
      }
      sum += column;
      if (column < 0.05 && sum > 0.5) marks << QPointF(sumX / sum, sumY / sum);
      if (column < 0.05) sum = sumX = sumY = 0;
    }
    QCOMPARE(marks.size(), means.size());
    for (qsizetype k = 0; k < means.size(); ++k) {
      const QPointF want(frame.left() + placeOf(k) * (frame.width() - 1), yOf(means[k]));
      QVERIFY2((marks[k] - want).manhattanLength() < 0.5,
               qPrintable(QStringLiteral("mark %1 at %2,%3, not %4,%5")
                              .arg(k)
                              .arg(marks[k].x())
                              .arg(marks[k].y())
                              .arg(want.x())
                              .arg(want.y())));
    }
    // The dashed line: the rows of the most red (its label stands above it).
    QList<double> red(image.height());
    for (int y = frame.top() + 1; y < frame.bottom(); ++y)
      for (int x = frame.left() + 1; x < frame.right(); ++x)
        red[y] += weight(x, y, QColor(192, 0, 0));
    const qsizetype most = std::max_element(red.cbegin(), red.cend()) - red.cbegin();
    if (configured == 0) QCOMPARE(red[most], 0.0);
    if (configured == 0) return;
    double line = 0, weights = 0;
    for (qsizetype y = most - 1; y <= most + 1; ++y) line += (y + 0.5) * red[y], weights += red[y];
    line /= weights;
    QVERIFY2(std::abs(line - yOf(configured)) < 0.5,
             qPrintable(QString("%1, not %2").arg(line).arg(yOf(configured))));
  }

  // A row's cells: Data cut after 24 bytes with the whole in its tooltip, no
  // period or jitter for a group seen once, and the mark of a judged row.
  void rowCells() {
    BusTrafficModel model;
    QList<GroupStatistics> groups(2);
    groups[0].pgn = 65260, groups[0].count = 1, groups[0].lastData = QByteArray(25, 'A');
    groups[0].byBam = true;
    groups[1].pgn = 65296, groups[1].count = 2, groups[1].lastMs = 250;
    groups[1].lastData = QByteArray(24, '\x0B');
    model.update(groups);
    const auto row = [&](int r) {
      L cells;
      for (int c = BusTrafficModel::Name; c < BusTrafficModel::ColumnCount; ++c)
        cells << model.index(r, c).data().toString();
      return cells.join('|') + " / " +
             model.index(r, BusTrafficModel::Data).data(Qt::ToolTipRole).toString();
    };
    const QString a25 = QString("41 ").repeated(25).chopped(1),
                  b24 = QString("0B ").repeated(24).chopped(1);
    QCOMPARE(row(0), "VI|0|FF|25 by BAM|1|||" + a25.left(71) + " \u2026 / " + a25);
    QCOMPARE(row(1), "|0|FF|24|2|250.0|0.0|" + b24 + " / ");
    // The mark of a judged row, as shown and as a screen reader says it.
    model.setMarks({{uint32_t(BusMonitor::rowKey({0, 65260})), {RowMark::Kind::Fails, "why"}},
                    {uint32_t(BusMonitor::rowKey({0, 65296})), {RowMark::Kind::Holds, ""}}});
    const auto mark = [&](int r) {
      const QModelIndex check = model.index(r, BusTrafficModel::Check);
      return check.data().toString() + ' ' + check.data(Qt::AccessibleTextRole).toString();
    };
    QCOMPARE(mark(0) + ", " + mark(1), "\u2717 does not hold, \u2713 holds");
  }

  // Closed by default, nothing of it is made; opened from View > "Bus" it is
  // remembered, and so is the interface it was connected to; a window
  // started on those settings opens it and connects again. Its parts are
  // announced by their captions.
  void openRemembered() {
    Harness h;
    h.startOn(played());
    BusDock& dock = h.window->busDock();
    QAction* view = dock.toggleViewAction();
    QVERIFY(h.find<QMenu>("mnuView")->actions().contains(view));
    QCOMPARE(view->text(), "Bus");
    QVERIFY(dock.isHidden() && dock.widget() == nullptr && dock.monitor() == nullptr);
    QVERIFY(h.find<QLabel>("sbStatusBus") == nullptr);

    view->trigger();
    QVERIFY(dock.isVisible() && h.find<QTableView>("tblBusTraffic"));
    // Interfaces that do not connect say why, in the dock's state.
    const auto connectTo = [&](const QString& interface) {
      h.find<QComboBox>("cmbBusInterface")->setCurrentText(interface);
      QTest::mouseClick(h.find<QPushButton>("cmdBusConnect"), Qt::LeftButton);
      return h.find<QLabel>("lblBusState")->text();
    };
    for (const QString name : {"can0", "virtualcan:"})
      QCOMPARE(connectTo(name), "Not connected to " + name +
                                    ": a CAN interface is named PLUGIN:INTERFACE, e.g. "
                                    "socketcan:can0 or virtualcan:can0");
    QCOMPARE(connectTo("virtualcan:can7"),
             "Not connected to virtualcan:can7: Invalid interface 'can7'.");
    QCOMPARE(connectTo(bus(0)), "Connecting to " + bus(0) + "\u2026");
    QVERIFY(until(dock.monitor(), &BusMonitor::stateChanged,
                  [&] { return dock.monitor()->isConnected(); }));
    L writes{"Bus/Open"};
    for (int attempt = 0; attempt < 4; ++attempt)
      writes << "Bus/Interface"
             << "Bus/Connected";
    QCOMPARE(h.settings.writes, writes);
    QCOMPARE(h.settings.values.value("Bus/Open"), "1");
    QCOMPARE(h.settings.values.value("Bus/Interface"), bus(0));
    QCOMPARE(h.settings.values.value("Bus/Connected"), "1");

    QStringList names;
    for (const char* name :
         {"cmbBusInterface", "cmdBusConnect", "cmdBusDisconnect", "lblBusState", "txtBusFilter",
          "chkBusOwnAddress", "tblBusTraffic", "chtBusIntervals"})
      names << h.find(name)->accessibleName();
    QCOMPARE(names,
             (L{"CAN interface", "Connect", "Disconnect", "Bus state", "Filter by address or PGN",
                "Only the simulator's address", "Bus traffic", "Intervals of the selected row"}));
    QCOMPARE(QAccessible::queryAccessibleInterface(&dock)->text(QAccessible::Name), "Bus");
    QStringList headers;
    QAbstractItemModel* model = h.find<QTableView>("tblBusTraffic")->model();
    for (int c = 0; c < model->columnCount(); ++c)
      headers << model->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(headers, (L{"Check", "Source", "PGN", "PGN hex", "Name", "Priority", "Destination",
                         "Length", "Count", "Period (ms)", "Jitter (ms)", "Last data"}));

    // A floating dock goes with the window, still open for the next run.
    dock.setFloating(true);
    // The table takes what the chart does not need.
    const auto widths = [&](int dockWidth) {
      dock.resize(dockWidth, 400);
      QCoreApplication::processEvents();
      return QList<int>{h.find<QTableView>("tblBusTraffic")->width(),
                        h.find("chtBusIntervals")->width()};
    };
    const QList<int> narrow = widths(900), wide = widths(1300);
    QCOMPARE(wide, (QList<int>{narrow[0] + 400, narrow[1]}));
    h.window->close();
    QVERIFY(h.window->hasShutDown());
    QCOMPARE(h.settings.values.value("Bus/Open"), "1");

    // Started again on what was kept: open and connected.
    Harness again;
    again.settings.values = h.settings.values;
    again.startOn(played());
    BusDock& reopened = again.window->busDock();
    QVERIFY(reopened.isVisible() && reopened.monitor());
    QCOMPARE(reopened.monitor()->interfaceName(), bus(0));
    QCOMPARE(again.find<QComboBox>("cmbBusInterface")->currentText(), bus(0));
    QTest::mouseClick(again.find<QPushButton>("cmdBusDisconnect"), Qt::LeftButton);
    reopened.close();
    QCOMPARE(again.settings.values.value("Bus/Connected"), "0");
    QCOMPARE(again.settings.values.value("Bus/Open"), "0");
    QCOMPARE(again.find<QLabel>("lblBusState")->text(), "Not connected");

    // Closed, yet still "connected" to an interface (the file edited by
    // hand): the dock stays closed and connects to nothing unseen.
    Harness closed;
    closed.settings.values = again.settings.values;
    closed.settings.values["Bus/Connected"] = "1";
    closed.startOn(played());
    QVERIFY(closed.window->busDock().isHidden() && closed.window->busDock().monitor() == nullptr);
  }

  // "Program Config" accepted with the dock connected: the check of j1939cfg
  // verify over the next two seconds, said in the status bar, and the rows of
  // the configured groups marked. Windows whose form differs from what
  // j1939sim plays are checked side by side with one whose form is the same,
  // whose form then changes.
  void download() {
    struct Row {
      const char* name;
      std::function<void(SimulatorConfig&)> edit;
      QString status;
      L marks;
    };
    const Row rows[] = {
        {"same",
         {},
         "On the bus: address 25 claimed, PGN1 every 50 ms, PGN2 every 100 ms, VIN \u2713",
         kAllHold},
        {"rate",
         [](auto& c) { c.Pgns[0].UpdateRate = 2; },
         "On the bus: address 25 claimed, PGN1: every # ms (jitter # ms), configured every 100 "
         "ms, PGN2 every 100 ms, VIN \u2717",
         {"60928 \u2713", "65260 \u2713", "65296 \u2717", "126720 \u2713"}},
        {"address",
         [](auto& c) { c.SourceAddress = 0x26; },
         "On the bus: address 26: no Address Claimed from 26; that NAME claimed 25, configured "
         "address 26 claimed with NAME 2705813A0C6B3039, PGN1 every 50 ms, PGN2 every 100 ms, VIN "
         "\u2717",
         {"60928 \u2717", "65260 \u2713", "65296 \u2713", "126720 \u2713"}},
        {"VIN",
         [](auto& c) { setVin(c, "1FUJGLDR5CSBM1235"); },
         "On the bus: address 25 claimed, PGN1 every 50 ms, PGN2 every 100 ms, VIN: VIN "
         "\"1FUJGLDR5CSBM1234\", configured VIN \"1FUJGLDR5CSBM1235\" \u2717",
         {"60928 \u2713", "65260 \u2717", "65296 \u2713", "126720 \u2713"}},
    };
    std::vector<std::unique_ptr<BusBench>> benches;
    for (const Row& row : rows) {
      benches.push_back(std::make_unique<BusBench>(played(row.edit)));
      QVERIFY2(benches.back()->connected(), row.name);
    }
    for (auto& bench : benches) QVERIFY(bench->programConfig());
    for (auto& bench : benches) QCOMPARE(bench->status(), "On the bus: checking for 2 s\u2026");
    for (std::size_t i = 0; i < benches.size(); ++i) {
      BusBench& b = *benches[i];
      QVERIFY(
          until(&b.monitor(), &BusMonitor::checkSaid, [&] { return !b.monitor().isChecking(); }));
      QVERIFY2(b.status() == rows[i].status, qPrintable(b.status()));
      QVERIFY2(b.marksAre(rows[i].marks), qPrintable(b.marks().join(", ")));
    }
    // What the window with the form j1939sim plays shows of the device.
    const QString counted = "|#|#|#|";
    QCOMPARE(benches[0]->table("25"),
             (L{"\u2713|25|60928|EE00|ACL|6|FF|8" + counted + "39 30 6B 0C 3A 81 05 27",
                "|25|61443|F003|EEC2|3|FF|8" + counted + "FF FF FF FF FF FF FF FF",
                "|25|61444|F004|EEC1|3|FF|8" + counted + "FF FF FF FF FF FF FF FF",
                "|25|65226|FECA|DM1|6|FF|8" + counted + "00 FF 00 00 00 00 FF FF",
                "\u2713|25|65260|FEEC|VI|7|FF|18 by BAM" + counted +
                    "31 46 55 4A 47 4C 44 52 35 43 53 42 4D 31 32 33 34 2A",
                "|25|65262|FEEE|ET1|6|FF|8" + counted + "FF FF FF FF FF FF FF FF",
                "\u2713|25|65296|FF10||6|FF|8" + counted + "FF FF 7F 7D FF FF FF FF",
                "\u2713|25|126720|1EF00||3|00|8" + counted + "7D FF FF FF FF FF FF FF"}));
    // The others' Requests (from the tool's address F9) are all else there is.
    QCOMPARE(benches[0]->table().size() - 8, benches[0]->table("F9").size());
    // A row's chart names the slot that configured its group; the simulator's
    // own groups go by their names.
    QStringList charts;
    auto* view = benches[0]->find<QAbstractItemView>("tblBusTraffic");
    for (const char* pgn : {"65296", "61444"}) {
      const QModelIndexList at = view->model()->match(view->model()->index(0, BusTrafficModel::Pgn),
                                                      Qt::DisplayRole, pgn, 1, Qt::MatchExactly);
      QVERIFY(!at.isEmpty());
      view->setCurrentIndex(at[0]);
      charts << benches[0]->find("chtBusIntervals")->accessibleDescription().section(':', 0, 0);
    }
    QCOMPARE(charts, (L{"PGN1 65296 from 25", "EEC1 (61444) from 25"}));
    QCOMPARE(benches[1]->toolTip("65296"),
             "PGN1: 1 of 8 expectations does not hold\n\u2713 priority 6\n\u2713 reserved bit "
             "0\n\u2713 data page 0\n\u2713 PF FF\n\u2713 PS 10\n\u2713 8 bytes\n\u2717 every # ms "
             "(jitter # ms), configured every 100 ms\n\u2713 parameter stays (static)");
    // Then the form of the first changes.
    changeForm(*benches[0]);
    if (QTest::currentTestFailed()) return;
    QCOMPARE(benches[0]->status(), rows[0].status);  // nothing more was sent
  }

  // The filter's words pick rows by source address, PGN (decimal or hex) or
  // name; "only the simulator's address" keeps those from the form's address.
  void filter() {
    BusBench b(played());
    QVERIFY(b.connected());
    // Two more senders: EEC1 from 30, and FF10 from 31.
    QTimer others;
    connect(&others, &QTimer::timeout, this, [&] {
      sender_->send(CanFrame{0x0CF00430, QByteArray(8, '\xFF')});
      sender_->send(CanFrame{0x18FF1031, QByteArray(8, '\x00')});
    });
    others.start(20);
    const auto pgnsBySource = [&] {
      L list;
      for (int r = 0; r < b.rows()->rowCount(); ++r)
        list << b.rows()->index(r, BusTrafficModel::Source).data().toString() + " " +
                    b.rows()->index(r, BusTrafficModel::Pgn).data().toString();
      return list;
    };
    QVERIFY(until(b.rows(), &QAbstractItemModel::rowsInserted,
                  [&] { return pgnsBySource().size() == 8; }));
    others.stop();
    const L all = pgnsBySource();
    QCOMPARE(all, (L{"25 61443", "25 61444", "25 65226", "25 65262", "25 65296", "25 126720",
                     "30 61444", "31 65296"}));
    // A data packet to all that no announcement went before: a transport
    // fault of 31's, counted in the dock's state and nowhere in the table.
    sender_->send(CanFrame{0x1CEBFF31, QByteArray::fromHex("01FFFFFFFFFFFFFF")});
    const auto afterRate = [&] { return b.state().section(" frames/s", 1); };
    QVERIFY2(
        until(b.rows(), &QAbstractItemModel::dataChanged, [&] { return !afterRate().isEmpty(); }),
        qPrintable(b.state()));
    QCOMPARE(afterRate(), ", 1 transport faults");
    QCOMPARE(pgnsBySource(), all);
    struct Row {
      QString words;
      bool onlyOwn;
      L shown;
    };
    const Row rows[] = {
        {"", false, all},
        {"30", false, {"30 61444"}},
        {"0x31", false, {"31 65296"}},
        {"FF10", false, {"25 65296", "31 65296"}},
        {"65296", false, {"25 65296", "31 65296"}},
        {"eec1", false, {"25 61444", "30 61444"}},
        {"30, 126720 DM1", false, {"25 65226", "25 126720", "30 61444"}},
        {"1EF00", false, {"25 126720"}},
        {"99 zz", false, {}},
        {"", true, {"25 61443", "25 61444", "25 65226", "25 65262", "25 65296", "25 126720"}},
        {"FF10", true, {"25 65296"}},
        {"30", true, {}},
    };
    for (const Row& row : rows) {
      enter(b.find<QLineEdit>("txtBusFilter"), row.words);
      b.find<QCheckBox>("chkBusOwnAddress")->setChecked(row.onlyOwn);
      QVERIFY2(pgnsBySource() == row.shown,
               qPrintable(row.words + ": " + pgnsBySource().join(", ")));
    }
    // Sorted by any column: here by PGN, the highest first, ties by source.
    enter(b.find<QLineEdit>("txtBusFilter"), "");
    b.find<QCheckBox>("chkBusOwnAddress")->setChecked(false);
    b.find<QTableView>("tblBusTraffic")->sortByColumn(BusTrafficModel::Pgn, Qt::DescendingOrder);
    QCOMPARE(pgnsBySource(), (L{"25 126720", "31 65296", "25 65296", "25 65262", "25 65226",
                                "30 61444", "25 61444", "25 61443"}));
    b.find<QTableView>("tblBusTraffic")->sortByColumn(BusTrafficModel::Source, Qt::AscendingOrder);
    enter(b.find<QLineEdit>("txtBusFilter"), "30");
    b.find<QCheckBox>("chkBusOwnAddress")->setChecked(true);
    // The form's address is the one kept.
    enter(b.find<QLineEdit>("txtJ1939Addr"), "30");
    QVERIFY2(until(b.rows(), &QAbstractItemModel::rowsInserted,
                   [&] { return pgnsBySource() == L{"30 61444"}; }),
             qPrintable(pgnsBySource().join(", ")));
  }

  // The bus going away during a check: said in the status bar and in the
  // dock's state; the rows stay as they were, and Connect is offered again.
  void busGoesAway() {
    QVERIFY(writeRecord(dir_.filePath("own.cfg"), played()));
    SimulatorProcess own({"--can", bus(1), "--config", dir_.filePath("own.cfg")});
    QVERIFY(!own.waitForLine("plays: ").isEmpty());
    BusBench b(played(), bus(1));
    QVERIFY(b.connected());
    QVERIFY(until(b.rows(), &QAbstractItemModel::rowsInserted,
                  [&] { return b.table("25").size() >= 4; }));
    QVERIFY(b.programConfig());
    QVERIFY(b.monitor().isChecking());
    const qsizetype rows = b.table().size();
    QVERIFY(own.quit());
    QVERIFY(until(&b.monitor(), &BusMonitor::stateChanged,
                  [&] { return b.monitor().state() == BusMonitor::State::Lost; }));
    QCOMPARE(b.status(),
             "On the bus: the check stopped, the bus went away (" + b.monitor().reason() + ")");
    QCOMPARE(b.state(), "Disconnected: " + bus(1) + " went away (" + b.monitor().reason() + ")");
    QVERIFY(!b.monitor().reason().isEmpty());
    QCOMPARE(b.table().size(), rows);
    QVERIFY(b.find<QPushButton>("cmdBusConnect")->isEnabled());
    QVERIFY(!b.find<QPushButton>("cmdBusDisconnect")->isEnabled());
  }

  void cleanupTestCase() { QVERIFY(sim_->quit()); }
};

J1939_TEST_MAIN(BusDockTest, "busdock")
#include "tst_busdock.moc"
