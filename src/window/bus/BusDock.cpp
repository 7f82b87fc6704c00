#include "window/bus/BusDock.h"

#include <QAction>
#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>

#include "link/bus/CanBus.h"
#include "rules/j1939/DeviceExpectations.h"
#include "rules/j1939/GroupNames.h"
#include "rules/system/SettingsStore.h"
#include "ui_frmBusDock.h"
#include "window/bus/BusMonitor.h"
#include "window/bus/BusTrafficModel.h"
#include "window/bus/IntervalChart.h"

namespace j1939 {

namespace {

const QString kBusSection = QStringLiteral("Bus");
const QString kOpenKey = QStringLiteral("Open");
const QString kInterfaceKey = QStringLiteral("Interface");
const QString kConnectedKey = QStringLiteral("Connected");

constexpr int kRefreshMs = 100;         // at most ten times a second
constexpr int kTicksPerJudgement = 10;  // the marks once a second
constexpr int kFormWaitMs = 200;        // the marks follow the form once typing pauses

QString addressHex(uint32_t value, int digits) {
  return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

}  // namespace

BusDock::BusDock(SettingsStore& settings, QStatusBar& statusBar,
                 std::function<SimulatorConfig()> formShows, QWidget* parent)
    : QDockWidget(tr("Bus"), parent),
      settings_(settings),
      statusBar_(statusBar),
      formShows_(std::move(formShows)) {
  setObjectName(QStringLiteral("dockBus"));
  setAccessibleName(tr("Bus"));
  toggleViewAction()->setStatusTip(tr("Show the simulator on the CAN bus"));
  refreshTimer_.setInterval(kRefreshMs);
  connect(&refreshTimer_, &QTimer::timeout, this, &BusDock::refresh);
  formWait_.setSingleShot(true);
  formWait_.setInterval(kFormWaitMs);
  connect(&formWait_, &QTimer::timeout, this, &BusDock::readForm);
  // The user opening or closing it from the View menu; the close box is closeEvent.
  connect(toggleViewAction(), &QAction::triggered, this, [this](bool open) {
    remember(kOpenKey, open ? QStringLiteral("1") : QStringLiteral("0"));
  });
}

BusDock::~BusDock() = default;

void BusDock::restore() {
  const bool open = settings_.value(kBusSection, kOpenKey) == QLatin1String("1");
  setVisible(open);
  const QString interface = settings_.value(kBusSection, kInterfaceKey);
  interface_ = interface;
  if (open && !interface.isEmpty() &&
      settings_.value(kBusSection, kConnectedKey) == QLatin1String("1"))
    connectBus(interface);
}

void BusDock::connectForRun(const QString& interface) {
  setVisible(true);
  connectBus(interface);
}

BusMonitor& BusDock::ensureMonitor() {
  if (monitor_ != nullptr) return *monitor_;
  monitor_ = new BusMonitor(this);
  connect(monitor_, &BusMonitor::stateChanged, this, [this] {
    if (monitor_->isConnected()) {
      rateFrames_ = 0;
      rateMs_ = monitor_->nowMs();
      framesPerSecond_ = 0;
      readForm();
    }
    runRefresh(isVisible());
    showState();
  });
  connect(monitor_, &BusMonitor::checkSaid, this, &BusDock::say);
  return *monitor_;
}

void BusDock::connectBus(const QString& interface) {
  interface_ = interface;
  if (ui_) {
    ui_->cmbBusInterface->setCurrentText(interface);
    model_->clear();
  }
  ensureMonitor().connectTo(interface);
}

void BusDock::showEvent(QShowEvent* event) {
  QDockWidget::showEvent(event);
  if (!ui_) build();
  if (monitor_ && monitor_->isConnected()) readForm();
  runRefresh(true);
}

void BusDock::hideEvent(QHideEvent* event) {
  QDockWidget::hideEvent(event);
  runRefresh(false);
}

void BusDock::closeEvent(QCloseEvent* event) {
  QDockWidget::closeEvent(event);
  if (event->isAccepted()) remember(kOpenKey, QStringLiteral("0"));
}

void BusDock::build() {
  ui_ = std::make_unique<Ui::frmBusDock>();
  auto* contents = new QWidget(this);
  ui_->setupUi(contents);
  setWidget(contents);
  fillInterfacePicker();
  makeTrafficTable();
  // The table takes what the chart does not need.
  ui_->splBus->setStretchFactor(0, 1);
  ui_->splBus->setStretchFactor(1, 0);
  ui_->splBus->setSizes(
      {4 * ui_->chtBusIntervals->sizeHint().width(), ui_->chtBusIntervals->sizeHint().width()});
  connectControls();
  showState();
  showChart();
}

void BusDock::fillInterfacePicker() {
  // The interfaces the CAN plugins find; any other can be typed, a URL of
  // the virtual bus among them.
  BusMonitor::quietPlugins();
  const CanInterfaceList found = AvailableCanInterfaces();
  for (const CanInterface& i : found.interfaces) {
    ui_->cmbBusInterface->addItem(i.plugin + QLatin1Char(':') + i.name);
    ui_->cmbBusInterface->setItemData(ui_->cmbBusInterface->count() - 1, i.description,
                                      Qt::ToolTipRole);
  }
  ui_->cmbBusInterface->setCurrentText(interface_);
  ui_->cmbBusInterface->lineEdit()->setPlaceholderText(QStringLiteral("socketcan:can0"));
}

void BusDock::makeTrafficTable() {
  model_ = new BusTrafficModel(this);
  filter_ = new BusTrafficFilter(this);
  filter_->setSourceModel(model_);
  filter_->setSortRole(BusTrafficModel::SortRole);
  QTableView* table = ui_->tblBusTraffic;
  table->setModel(filter_);
  table->sortByColumn(BusTrafficModel::Source, Qt::AscendingOrder);
  table->verticalHeader()->hide();
  table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  // Widths from the captions, once: measuring the contents at every refresh
  // would cost more than the refresh itself.
  QHeaderView* header = table->horizontalHeader();
  header->setStretchLastSection(true);
  const int digit = fontMetrics().horizontalAdvance(QLatin1Char('0'));
  for (int column = 0; column < BusTrafficModel::Data; ++column) {
    const int caption =
        fontMetrics().horizontalAdvance(model_->headerData(column, Qt::Horizontal).toString());
    const int content = column == BusTrafficModel::Length ? 9 * digit : 6 * digit;
    header->resizeSection(column, std::max(caption, content) + 3 * digit);
  }
}

void BusDock::connectControls() {
  connect(ui_->cmdBusConnect, &QPushButton::clicked, this, [this] {
    const QString interface = ui_->cmbBusInterface->currentText().trimmed();
    remember(kInterfaceKey, interface);
    remember(kConnectedKey, QStringLiteral("1"));
    connectBus(interface);
  });
  connect(ui_->cmbBusInterface->lineEdit(), &QLineEdit::returnPressed, ui_->cmdBusConnect,
          &QPushButton::click);
  connect(ui_->cmdBusDisconnect, &QPushButton::clicked, this, [this] {
    remember(kConnectedKey, QStringLiteral("0"));
    if (monitor_) monitor_->disconnectBus();
  });
  connect(ui_->txtBusFilter, &QLineEdit::textChanged, filter_, &BusTrafficFilter::setWords);
  connect(ui_->chkBusOwnAddress, &QCheckBox::toggled, this,
          [this](bool only) { filter_->setOnlyFrom(only ? formAddress_ : std::nullopt); });
  connect(ui_->tblBusTraffic->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          &BusDock::showChart);
}

void BusDock::runRefresh(bool shown) {
  const bool run = shown && monitor_ && monitor_->isConnected();
  if (run == refreshTimer_.isActive()) return;
  if (run) {
    refreshTimer_.start();
  } else {
    refreshTimer_.stop();
    if (ui_ && monitor_) refresh();  // the counts as they ended
  }
}

void BusDock::refresh() {
  monitor_->expire();
  model_->update(monitor_->tally().groups());
  if (++ticks_ % kTicksPerJudgement == 0) {
    judge();
    const qint64 now = monitor_->nowMs();
    if (now > rateMs_)
      framesPerSecond_ = double(monitor_->frames() - rateFrames_) * 1000.0 / double(now - rateMs_);
    rateFrames_ = monitor_->frames();
    rateMs_ = now;
    showState();
  }
  showChart();
}

void BusDock::formChanged() {
  if (monitor_ && monitor_->isConnected() && isVisible()) formWait_.start();
}

void BusDock::readForm() {
  if (!monitor_) return;
  const SimulatorConfig shown = formShows_();
  formAddress_ = shown.SourceAddress;
  SimulatorConfig played;
  if (PlayedConfig(shown, played))
    monitor_->setExpectations(std::nullopt, 250);
  else
    monitor_->setExpectations(ExpectationsOf(played), BitRateKbpsOf(played));
  if (ui_ && ui_->chkBusOwnAddress->isChecked()) filter_->setOnlyFrom(formAddress_);
  judge();
}

void BusDock::judge() {
  if (model_ && monitor_) model_->setMarks(monitor_->judge());
}

void BusDock::configAccepted(const SimulatorConfig& shown) {
  if (!monitor_ || !monitor_->isConnected()) return;
  readForm();
  SimulatorConfig played;
  if (PlayedConfig(shown, played)) return;
  monitor_->check(ExpectationsOf(played), BitRateKbpsOf(played));
  judge();
}

void BusDock::showState() {
  if (!ui_) return;
  using State = BusMonitor::State;
  const State state = monitor_ ? monitor_->state() : State::NotConnected;
  const QString name = monitor_ ? monitor_->interfaceName() : QString();
  QString text;
  switch (state) {
    case State::NotConnected:
      text = tr("Not connected");
      break;
    case State::Connecting:
      text = tr("Connecting to %1\u2026").arg(name);
      break;
    case State::Connected: {
      text = tr("Connected to %1: %2 frames/s").arg(name).arg(qRound(framesPerSecond_));
      if (const std::optional<int> rate = monitor_->bitRate())
        text += tr(", %1 kbit/s").arg(*rate / 1000.0);
      if (const qint64 faults = monitor_->transportFaults())
        text += tr(", %1 transport faults").arg(faults);
      break;
    }
    case State::Failed:
      text = tr("Not connected to %1: %2").arg(name, monitor_->reason());
      break;
    case State::Lost:
      text = tr("Disconnected: %1 went away (%2)").arg(name, monitor_->reason());
      break;
  }
  ui_->lblBusState->setText(text);
  ui_->lblBusState->setToolTip(text);
  const bool busy = state == State::Connected || state == State::Connecting;
  ui_->cmdBusConnect->setEnabled(!busy);
  ui_->cmdBusDisconnect->setEnabled(busy);
  ui_->cmbBusInterface->setEnabled(!busy);
}

void BusDock::showChart() {
  if (!ui_) return;
  IntervalChart* chart = ui_->chtBusIntervals;
  const QModelIndex current = ui_->tblBusTraffic->currentIndex();
  if (!current.isValid() || !monitor_ || !chart->isVisible()) {
    if (!current.isValid()) chart->showIntervals(QString(), {}, 0, 0);
    return;
  }
  const SourceGroup row = model_->rowAt(filter_->mapToSource(current).row());
  QString caption = ParameterGroupLabel(row.pgn);
  int configuredMs = 0;
  if (const auto& e = monitor_->expectations(); e && e->sourceAddress == row.source) {
    for (const QList<ExpectedGroup>* groups : {&e->additional, &e->background})
      for (const ExpectedGroup& g : *groups)
        if (g.pgn == row.pgn && configuredMs == 0) {
          configuredMs = g.periodMs;
          if (groups == &e->additional) caption = g.label + QLatin1Char(' ') + caption;
        }
  }
  caption += tr(" from %1").arg(addressHex(row.source, 2));
  const IntervalHistory* history = monitor_->history(row);
  chart->showIntervals(
      caption,
      history ? history->lastMinute(monitor_->nowMs()) : std::vector<IntervalHistory::Bucket>{},
      monitor_->nowMs(), configuredMs);
}

void BusDock::say(const QString& text) {
  if (statusPanel_ == nullptr) {
    statusPanel_ = new QLabel(&statusBar_);
    statusPanel_->setObjectName(QStringLiteral("sbStatusBus"));
    statusPanel_->setAccessibleName(tr("On the bus"));
    statusBar_.addWidget(statusPanel_, 1);
  }
  statusPanel_->setText(text);
  statusPanel_->setToolTip(text);
}

void BusDock::remember(const QString& key, const QString& value) {
  settings_.setValue(kBusSection, key, value);
  if (const MaybeFailure failure = settings_.sync())
    say(tr("The Bus dock's settings are not kept: %1").arg(DescribeFailure(*failure)));
}

}  // namespace j1939

#include "moc_BusDock.cpp"
