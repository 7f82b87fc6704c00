#include "window/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QLayout>
#include <QLocale>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QUrl>
#include <cstdio>

#include "rules/record/VersionRule.h"
#include "rules/text/ListTexts.h"
#include "ui_frmMain.h"
#include "window/AboutBox.h"
#include "window/PortsDialog.h"
#include "window/WindowPlacement.h"
#include "window/bus/BusDock.h"
#include "window/fields/Controls.h"
#include "window/identity/AddressVinFields.h"
#include "window/identity/NameEditor.h"
#include "window/link/DownloadLog.h"
#include "window/pgn/ParameterLayout.h"
#include "window/pgn/PgnSlots.h"
#include "window/record/FileCommands.h"
#include "window/record/FormBinding.h"
#include "window/record/RecentFiles.h"

namespace j1939 {

namespace {
// The text panel's own caption, shown while there is nothing to report.
QString statusText() {
  return QCoreApplication::translate("j1939::MainWindow", "Status");
}
}  // namespace

MainWindow::MainWindow(Platform platform, QString workingDirectory, QWidget* parent)
    : QMainWindow(parent),
      ui_(std::make_unique<Ui::frmMain>()),
      platform_(platform),
      runSettings_(platform.settings),
      workingDirectory_(std::move(workingDirectory)) {
  ui_->setupUi(this);
  setUpPgnSlots();
  setUpLists();
  setUpToolbar();
  setUpStatusBar();

  // Identity of the simulated ECU.
  nameEditor_ = std::make_unique<NameEditor>(*ui_, state_, platform_.messages);
  addressVinFields_ = std::make_unique<AddressVinFields>(*ui_, platform_.messages);

  // Additional PGNs.
  const std::array slotControls{ui_->fraPGN1->controls(), ui_->fraPGN2->controls()};
  pgnSlots_ = std::make_unique<PgnSlots>(slotControls, state_, platform_.messages);
  for (int slot = 0; slot < 2; ++slot) {
    const PgnSlotControls& c = slotControls[static_cast<std::size_t>(slot)];
    parameterLayouts_[slot] =
        std::make_unique<ParameterLayout>(c.dataLength, c.parameterType, c.parameterPos,
                                          state_.MaxParameterPos[slot], platform_.messages);
  }

  // Simulator link.
  portSelector_ = std::make_unique<PortSelector>(ui_->cmbCOM, platform_.port, runSettings_,
                                                 platform_.portInventory, platform_.messages);
  connect(ui_->mnuFilePorts, &QAction::triggered, this, &MainWindow::editPorts);
  auto* portPanel = new QLabel(ui_->sbStatusBar);
  portPanel->setObjectName(QStringLiteral("sbStatusPort"));
  ui_->sbStatusBar->insertPermanentWidget(1, portPanel);
  // A device's path can be long (a udev by-id link): the panel shows what fits, its tool tip all.
  connect(portSelector_.get(), &PortSelector::portStateChanged, portPanel,
          [portPanel](const QString& state) {
            portPanel->setText(state);
            portPanel->setToolTip(state);
          });
  connect(
      portSelector_.get(), &PortSelector::statusChanged, statusPanel_,
      [this](const QString& text) { statusPanel_->setText(text.isEmpty() ? statusText() : text); });
  configDownload_ = std::make_unique<ConfigDownload>(
      ConfigDownload::Controls{ui_->cmdConfig, ui_->cmbCOM, ui_->fraPGN1->controls().deletePgn,
                               ui_->fraPGN2->controls().deletePgn, ui_->cmbSimulatorVersion},
      state_,
      [this](SimulatorConfig& shown) {
        MaybeFailure failure = formBinding_->FormToConfig();
        if (!failure) shown = formBinding_->recordAsShown();
        return failure;
      },
      platform_.port, platform_.clock, platform_.messages);
  // The port stays as it is while a download runs; a change of port asked for
  // meanwhile is made when it ends.
  connect(configDownload_.get(), &ConfigDownload::exchangeStarted, portSelector_.get(),
          &PortSelector::holdPort);
  connect(configDownload_.get(), &ConfigDownload::exchangeFinished, portSelector_.get(),
          &PortSelector::releasePort);

  // Configuration record and files.
  formBinding_ = std::make_unique<FormBinding>(
      *ui_, state_,
      FormRoutines{[this] { nameEditor_->NameBytesToComponents(); },
                   [this] { pgnSlots_->PgnFromFields(); },
                   [this](int slot, bool enabled) { pgnSlots_->SetPgnSlotEnabled(slot, enabled); },
                   [this](bool held) { pgnSlots_->holdRules(held); },
                   [this] { pgnSlots_->CheckShownSlots(); }});
  fileCommands_ =
      std::make_unique<FileCommands>(*ui_, state_, *formBinding_, platform_, workingDirectory_);

  // The title names the file Save writes, and marks changes not saved in it.
  caption_ = windowTitle();
  connect(fileCommands_.get(), &FileCommands::currentFileChanged, this,
          &MainWindow::showFileInTitle);
  connect(formBinding_.get(), &FormBinding::modifiedChanged, this, &QWidget::setWindowModified);
  // "Default" replaces the form: changes not saved are asked about first.
  connect(ui_->cmdDefault, &QPushButton::clicked, this, [this] {
    if (fileCommands_->settleChanges(FileCommands::Before::Replacing))
      formBinding_->restoreDefaults();
  });
  setUpKeys();

  // Files from anywhere: the recent files, and a file dropped on the window.
  recentFiles_ = std::make_unique<RecentFiles>(ui_->mnuFileRecent, platform_.settings);
  connect(fileCommands_.get(), &FileCommands::fileUsed, recentFiles_.get(), &RecentFiles::add);
  connect(recentFiles_.get(), &RecentFiles::openRequested, this, [this](const QString& path) {
    if (QFileInfo::exists(path)) return openFile(path);
    platform_.messages.show(
        tr("%1 no longer exists; it is taken off the list.").arg(QDir::toNativeSeparators(path)),
        tr("Recent Files"), MessageIcon::Information);
    recentFiles_->remove(path);
  });
  connect(recentFiles_.get(), &RecentFiles::notStored, this, [this](const Failure& failure) {
    reportSettingsFailure(failure, tr("The recent files are not kept for the next run."));
  });
  setAcceptDrops(true);

  // What each download sent and got back: the status bar says why a download
  // failed, View > "Download Log" keeps them all.
  downloadLog_ = new DownloadLog(platform_.fileDialogs, platform_.messages, this);
  addDockWidget(Qt::BottomDockWidgetArea, downloadLog_);
  downloadLog_->hide();
  downloadLog_->toggleViewAction()->setObjectName(QStringLiteral("mnuViewDownloadLog"));
  ui_->mnuView->addAction(downloadLog_->toggleViewAction());
  connect(
      configDownload_.get(), &ConfigDownload::downloaded, this, [this](const DownloadEntry& entry) {
        downloadLog_->add(entry);
        statusPanel_->setText(entry.accepted
                                  ? (entry.reason.isEmpty()
                                         ? tr("Program Config: accepted")
                                         : tr("Program Config: accepted (%1)").arg(entry.reason))
                                  : tr("Program Config: not accepted \u2014 %1").arg(entry.reason));
      });

  // The bus in the window: View > "Bus", closed until asked for. It follows
  // the form, and checks the device when "Program Config" is accepted.
  busDock_ = new BusDock(
      platform_.settings, *ui_->sbStatusBar, [this] { return formBinding_->formAsShown(); }, this);
  addDockWidget(Qt::BottomDockWidgetArea, busDock_);
  ui_->mnuView->addAction(busDock_->toggleViewAction());
  connect(formBinding_.get(), &FormBinding::formChanged, busDock_, &BusDock::formChanged);
  connect(configDownload_.get(), &ConfigDownload::configAccepted, busDock_,
          [this] { busDock_->configAccepted(formBinding_->recordAsShown()); });
  busDock_->restore();

  connect(ui_->cmbSimulatorVersion, &QComboBox::currentIndexChanged, this,
          &MainWindow::applyVersionRule);
  connect(ui_->mnuHelpAbout, &QAction::triggered, this, &MainWindow::showAbout);
}

MainWindow::~MainWindow() = default;

void MainWindow::setUpPgnSlots() {
  ui_->fraPGN1->setSlot(0);
  ui_->fraPGN2->setSlot(1);
  // Tab goes from the NAME through both slots to the buttons.
  QList<QWidget*> chain{ui_->Check1};
  chain << ui_->fraPGN1->tabOrder() << ui_->fraPGN2->tabOrder() << ui_->cmdConfig;
  for (qsizetype i = 1; i < chain.size(); ++i) QWidget::setTabOrder(chain[i - 1], chain[i]);
}

void MainWindow::setUpKeys() {
  // Each platform's own keys for the file commands.
  ui_->mnuFileOpen->setShortcut(QKeySequence::Open);
  ui_->mnuFileSave->setShortcut(QKeySequence::Save);
  ui_->mnuFileSaveAs->setShortcut(QKeySequence::SaveAs);
  ui_->mnuFileExit->setShortcut(QKeySequence::Quit);
  connect(ui_->mnuFileExit, &QAction::triggered, this, &QWidget::close);
  ui_->cmdConfig->setShortcut(Qt::Key_F5);
  ui_->cmdConfig->setToolTip(tr("Send the configuration to the simulator (F5)"));
}

void MainWindow::showFileInTitle(const QString& path) {
  setWindowFilePath(path);
  QString title = QStringLiteral("%1[*] \u2014 %2").arg(QFileInfo(path).fileName(), caption_);
  for (const QString& note : {runPortsNote_, heldTitleNote_})
    if (!note.isEmpty()) title += QStringLiteral(" \u2014 ") + note;
  setWindowTitle(title);
}

void MainWindow::setUpLists() {
  const std::pair<QComboBox*, const FormList&> lists[] = {
      {ui_->cmbCOM, ComPortList()},
      {ui_->cmbCANBUSBaudRate, CanBitRateList()},
      {ui_->cmbSimulatorVersion, SimulatorVersionList()},
      {ui_->cmbDTCVersion, DtcFormatList()},
      {ui_->cmbECUInstance, EcuInstanceList()},
      {ui_->cmbVehicleSysIns, VehicleSystemInstanceList()},
      {ui_->cmbIndustrygroup, IndustryGroupList()},
      {ui_->fraPGN1->controls().updateRate, UpdateRateList(0)},
      {ui_->fraPGN1->controls().priority, PriorityList(0)},
      {ui_->fraPGN1->controls().parameterType, ParameterTypeList(0)},
      {ui_->fraPGN2->controls().updateRate, UpdateRateList(1)},
      {ui_->fraPGN2->controls().priority, PriorityList(1)},
      {ui_->fraPGN2->controls().parameterType, ParameterTypeList(1)},
  };
  for (const auto& [box, list] : lists) {
    Q_ASSERT(box->objectName() == list.name);
    for (const QString& entry : list.entries)
      box->addItem(QCoreApplication::translate(kListTextsContext, entry.toUtf8().constData()));
    // Filling a list selects its first entry; the window's lists start with
    // no selection until the loaded configuration selects them.
    box->setCurrentIndex(-1);
  }
}

void MainWindow::setUpToolbar() {
  // The desktop's icons where its theme has them; else the style's classic
  // 16-pixel ones (its full icons decode up to 128 pixels, at start-up).
  const auto icon = [this](const QString& name, QStyle::StandardPixmap fallback) {
    return QIcon::hasThemeIcon(name) ? QIcon::fromTheme(name)
                                     : QIcon(style()->standardPixmap(fallback));
  };
  ui_->tbOpen->setIcon(icon(QStringLiteral("document-open"), QStyle::SP_DialogOpenButton));
  ui_->tbSave->setIcon(icon(QStringLiteral("document-save"), QStyle::SP_DialogSaveButton));
  // The toolbar's buttons are the File menu's commands.
  connect(ui_->tbOpen, &QAction::triggered, ui_->mnuFileOpen, &QAction::trigger);
  connect(ui_->tbSave, &QAction::triggered, ui_->mnuFileSave, &QAction::trigger);
}

void MainWindow::setUpStatusBar() {
  statusPanel_ = new QLabel(statusText(), ui_->sbStatusBar);
  statusPanel_->setObjectName(QStringLiteral("sbStatusText"));
  datePanel_ = new QLabel(ui_->sbStatusBar);
  datePanel_->setObjectName(QStringLiteral("sbStatusDate"));
  timePanel_ = new QLabel(ui_->sbStatusBar);
  timePanel_->setObjectName(QStringLiteral("sbStatusTime"));
  ui_->sbStatusBar->addWidget(statusPanel_, 1);
  ui_->sbStatusBar->addPermanentWidget(datePanel_);
  ui_->sbStatusBar->addPermanentWidget(timePanel_);
  // The panels' texts (a reason, a device's path, the bus's verdicts) never
  // make the window wider than the screen: past its width the status bar clips
  // them, and the device's whole path stays in its panel's tool tip.
  ui_->sbStatusBar->setMinimumWidth(1);

  clockTimer_ = new QTimer(this);
  clockTimer_->setObjectName(QStringLiteral("clockTimer"));
  clockTimer_->setSingleShot(true);
  // A coarse timer may wake a few milliseconds before the second changes,
  // show the old time again and wake once more.
  clockTimer_->setTimerType(Qt::PreciseTimer);
  connect(clockTimer_, &QTimer::timeout, this, &MainWindow::refreshClockPanels);
  refreshClockPanels();
}

namespace {

// A clock panel is held at the size of its text: a new time as wide as the
// last (most are) then repaints the panel alone instead of laying out the
// whole window again, once a second.
void showClockText(QLabel* panel, const QString& text) {
  panel->setText(text);
  const QSize size = panel->sizeHint();
  if (panel->minimumSize() != size || panel->maximumSize() != size) panel->setFixedSize(size);
}

}  // namespace

void MainWindow::refreshClockPanels() {
  const QDateTime now = QDateTime::currentDateTime();
  const QLocale locale;
  showClockText(datePanel_, locale.toString(now.date(), QLocale::ShortFormat));
  showClockText(timePanel_, locale.toString(now.time(), QLocale::ShortFormat));
  // Wake once when the shown time changes: at the next second where the
  // locale shows seconds, else at the next minute.
  const QTime time = now.time();
  int untilChange = 1000 - time.msec();
  if (!locale.timeFormat(QLocale::ShortFormat).contains(QLatin1Char('s')))
    untilChange += (59 - time.second()) * 1000;
  clockTimer_->start(untilChange + 5);
}

void MainWindow::useRunPorts(const QList<RunPort>& ports) {
  if (ports.isEmpty()) return;
  QStringList said;
  for (const RunPort& port : ports) {
    const QString com = QStringLiteral("COM%1").arg(port.number);
    runSettings_.holdForRun(kPortsSettingsSection, com, port.device);
    // The emulator's link names its terminal, the device that j1939sim printed.
    const QFileInfo device(port.device);
    said << (port.emulator
                 ? tr("%1 \u2192 emulator (%2)")
                       .arg(com, device.isSymLink() ? device.symLinkTarget() : port.device)
                 : tr("%1 \u2192 %2 (this run only)").arg(com, port.device));
  }
  runPortsNote_ = said.join(QStringLiteral(", "));
  auto* panel = new QLabel(runPortsNote_, ui_->sbStatusBar);
  panel->setObjectName(QStringLiteral("sbStatusPorts"));
  ui_->sbStatusBar->insertPermanentWidget(1, panel);
  // The ports were named on a terminal: it hears of them, and of what becomes
  // of them, as the status bar does.
  const auto sayOnTerminal = [](const QString& text) {
    if (!text.isEmpty()) std::fprintf(stderr, "j1939config: %s\n", qPrintable(text));
  };
  sayOnTerminal(runPortsNote_);
  connect(portSelector_.get(), &PortSelector::statusChanged, this, sayOnTerminal);
  portSelector_->mappingChanged();
}

void MainWindow::startUp() {
  if (MaybeFailure failure = fileCommands_->OpenDefaultFile())
    fileCommands_->reportFileFailure(*failure);
  if (const std::optional<qint64> holder = fileCommands_->defaultFileHolder())
    sayDefaultFileHeld(*holder);
  // Said before any editing, so that the user can keep the work with Save As.
  if (MaybeFailure refusal = fileCommands_->defaultFileWriteRefusal()) {
    statusPanel_->setText(DescribeFailure(*refusal));
    fileCommands_->reportFileFailure(*refusal);
  }
  // A message shown during the start-up runs the event loop, in which the
  // system may end the run; the rest of the start-up is then not done.
  if (shutDown_) return;

  const QList<Failure> notShown = formBinding_->ConfigToForm();
  recordShown_ = true;
  if (!shutDown_) fileCommands_->reportNotShown(fileCommands_->defaultFilePath(), notShown);
  if (!shutDown_) formBinding_->checkShownSlots();
  if (shutDown_) return;
  formBinding_->markUnmodified();
  showFileInTitle(fileCommands_->defaultFilePath());

  // The port selector reports a port that does not open itself.
  portSelector().OpenSelectedPort();
  if (shutDown_) return;

  // Sized and placed last, with the record and the port's status in place:
  // the window is laid out once, before its first paint. Where it was at the
  // last exit if that is on the screen now, else centred.
  FitToScreen(*this, *ui_->scrForm, *centralWidget()->layout());
  if (!RestoreWindowGeometry(*this, platform_.settings)) CentreWindow(*this);
}

void MainWindow::openFile(const QString& path) {
  if (!shutDown_ && fileCommands_->settleChanges(FileCommands::Before::Replacing))
    fileCommands_->openFile(path);
}

namespace {
// The one local file a drag carries; empty for anything else.
QString droppedFile(const QMimeData* data) {
  const QList<QUrl> urls = data ? data->urls() : QList<QUrl>();
  return urls.size() == 1 && urls.constFirst().isLocalFile() ? urls.constFirst().toLocalFile()
                                                             : QString();
}
}  // namespace

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (!droppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const QString path = droppedFile(event->mimeData());
  if (path.isEmpty()) return;
  event->acceptProposedAction();
  openFile(path);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // Changes not saved in an opened file are asked about before the window
  // closes (j1939.cfg receives them at exit anyway); the system ending the
  // run never waits for an answer.
  if (!shutDown_ && !closingBySystem_ && fileCommands_->hasUserFile() &&
      !fileCommands_->settleChanges(FileCommands::Before::Closing)) {
    event->ignore();
    return;
  }
  shutDown();
  event->accept();
}

void MainWindow::requestClose() {
  closingBySystem_ = true;
  if (shutDown_)
    closeOtherWindows();
  else if (isVisible())
    close();
  else
    shutDown();  // still starting: a window not yet shown gets no close event
}

void MainWindow::shutDown() {
  if (shutDown_) return;
  shutDown_ = true;

  // A download still waiting ends here without a verdict and lets go of the
  // port, which the shut-down closes.
  configDownload_->cancel();

  // Nothing typed is lost for one field that cannot be stored: the others are
  // stored and written, and the message names the ones that kept their values.
  // A run ended while the start-up was still showing the record (the system
  // asked during a start-up message) has a half-filled form that nobody
  // edited; the record read from the file is then the configuration to keep.
  // The same holds while a record is being shown after Open.
  QList<Failure> notStored;
  if (recordShown_ && !formBinding_->isShowingRecord())
    notStored = formBinding_->FormToConfigKeepingGoing();

  if (platform_.port.isOpen()) platform_.port.close();

  if (MaybeFailure failure = fileCommands_->WriteDefaultFileAndClose()) {
    fileCommands_->reportFileFailure(*failure);
  } else if (!notStored.isEmpty()) {
    QStringList fields;
    for (const Failure& field : notStored) fields << DescribeFailure(field);
    platform_.messages.show(
        tr("%1 was written, but these fields could not be stored and kept their "
           "earlier values: %2.")
            .arg(QDir::toNativeSeparators(fileCommands_->defaultFilePath()),
                 fields.join(QStringLiteral("; "))),
        ConfigNotStoredTitle(), MessageIcon::Information);
  }

  closeOtherWindows();

  if (isMinimized()) return;
  if (const MaybeFailure failure = SaveWindowGeometry(*this, platform_.settings))
    reportSettingsFailure(*failure, tr("The window's place and size are not kept."));
}

void MainWindow::closeOtherWindows() {
  // Every other window of the tool (the About box, a message box, a file
  // dialog), newest first. Other main windows exist only in tests.
  const QWidgetList windows = QApplication::topLevelWidgets();
  QList<QPointer<QWidget>> others;
  for (QWidget* window : windows) {
    // A floating dock is part of this window: it goes with it, and keeps
    // whether it was open for the next run.
    if (window != this && window->isVisible() && !qobject_cast<MainWindow*>(window) &&
        !qobject_cast<QDockWidget*>(window))
      others.prepend(window);
  }
  for (const QPointer<QWidget>& window : others)
    if (window) window->close();
}

void MainWindow::applyVersionRule() {
  if (ui_->cmbSimulatorVersion->currentIndex() == ListIndex(SimVersion::V101)) {
    SetListIndex(ui_->cmbDTCVersion, ListIndex(kDtcFormatOfVersion101));
    ui_->cmbDTCVersion->setEnabled(false);
    ui_->txtVIN->hide();
    SetListIndex(ui_->cmbCANBUSBaudRate, kCanBitRateOfVersion101);
    ui_->cmbCANBUSBaudRate->setEnabled(false);
  } else {
    SetListIndex(ui_->cmbDTCVersion, ListIndex(kDtcFormatOfVersion200));
    ui_->cmbDTCVersion->setEnabled(true);
    ui_->txtVIN->show();
    ui_->cmbCANBUSBaudRate->setEnabled(true);
  }
}

void MainWindow::showAbout() {
  AboutBox box(this);
  box.exec();
}

void MainWindow::editPorts() {
  PortsDialog dialog(runSettings_, platform_.portInventory, this);
  if (dialog.exec() != QDialog::Accepted) return;
  if (const MaybeFailure& failure = dialog.storeFailure())
    reportSettingsFailure(*failure, tr("The ports you chose hold for this run only."));
  portSelector_->mappingChanged();
}

void MainWindow::reportSettingsFailure(const Failure& failure, const QString& consequence) {
  platform_.messages.show(DescribeFailure(failure) + QStringLiteral(". ") + consequence,
                          tr("Settings not stored"), MessageIcon::Information);
}

void MainWindow::sayDefaultFileHeld(qint64 holder) {
  const QString file = kDefaultConfigFileName;
  const QString note = holder > 0
                           ? tr("%1 is held by another window (process %2)").arg(file).arg(holder)
                           : tr("%1 is held by another window").arg(file);
  heldTitleNote_ = note;
  heldNote_ = tr("%1: this window does not write it at exit").arg(note);
  // Said on the terminal too, for a window started from one.
  std::fprintf(stderr, "j1939config: %s\n", qPrintable(heldNote_));
  auto* panel = new QLabel(heldNote_, ui_->sbStatusBar);
  panel->setObjectName(QStringLiteral("sbStatusHeld"));
  // After the text panel (the status bar's one ordinary widget), before the clock.
  ui_->sbStatusBar->insertPermanentWidget(1, panel);
}

}  // namespace j1939

#include "moc_MainWindow.cpp"
