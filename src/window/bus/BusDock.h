#pragma once

#include <QDockWidget>
#include <QElapsedTimer>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

#include "rules/record/SimulatorConfig.h"

class QLabel;
class QStatusBar;

namespace Ui {
class frmBusDock;
}

namespace j1939 {

class BusMonitor;
class BusTrafficFilter;
class BusTrafficModel;
class SettingsStore;

// View > "Bus": the simulator on the CAN bus, next to the form that
// configured it. An interface picker with Connect and Disconnect and the
// interface's state in words; the traffic, a row per sender and group, with
// the configured groups marked by whether they do what the form shows; a
// strip chart of the selected row's intervals; and after "Program Config" the
// check of `j1939cfg verify`, said in the status bar.
//
// Closed, it costs the start-up nothing: its widgets are made when it is
// first shown, its bus when it first connects. Its table is refreshed at most
// ten times a second, by a timer that runs only while it is shown and
// connected; the frames are counted as they come. Whether it is open, and the
// interface it was connected to, are kept in the settings (section "Bus")
// when the user changes them.
class BusDock : public QDockWidget {
  Q_OBJECT
 public:
  // `formShows` gives the record that the form shows now (FormBinding::formAsShown).
  BusDock(SettingsStore& settings, QStatusBar& statusBar,
          std::function<SimulatorConfig()> formShows, QWidget* parent = nullptr);
  ~BusDock() override;

  // At start: open or closed as the user left it, and connected again where it was.
  void restore();
  // Open and connected to `interface` for this run only (j1939config --bus):
  // nothing is stored.
  void connectForRun(const QString& interface);
  // A control of the form changed: the marks follow it shortly.
  void formChanged();
  // "Program Config" was accepted with `shown`: with a bus, the device is
  // checked over the next seconds.
  void configAccepted(const SimulatorConfig& shown);

  // Null until the dock first connects or is first shown.
  BusMonitor* monitor() const { return monitor_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // The widgets, made when the dock is first shown; build's steps in their order.
  void build();
  void fillInterfacePicker();
  void makeTrafficTable();
  void connectControls();
  BusMonitor& ensureMonitor();
  void connectBus(const QString& interface);
  void runRefresh(bool shown);
  void refresh();
  void readForm();
  void judge();
  void showState();
  void showChart();
  void say(const QString& text);
  void remember(const QString& key, const QString& value);

  SettingsStore& settings_;
  QStatusBar& statusBar_;
  std::function<SimulatorConfig()> formShows_;
  std::unique_ptr<Ui::frmBusDock> ui_;
  BusMonitor* monitor_ = nullptr;
  BusTrafficModel* model_ = nullptr;
  BusTrafficFilter* filter_ = nullptr;
  QLabel* statusPanel_ = nullptr;
  QTimer refreshTimer_;
  QTimer formWait_;
  QString interface_;  // the one asked for before the picker was made
  std::optional<uint8_t> formAddress_;
  int ticks_ = 0;
  qint64 rateFrames_ = 0;
  qint64 rateMs_ = 0;
  double framesPerSecond_ = 0;
};

}  // namespace j1939
