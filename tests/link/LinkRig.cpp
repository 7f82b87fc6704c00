#include "LinkRig.h"

#include <QCloseEvent>
#include <QVBoxLayout>

#include "fields/Controls.h"

void HostWindow::closeEvent(QCloseEvent* event) {
  ++closesAccepted;
  event->accept();
}

LinkRig::LinkRig() {
  auto* layout = new QVBoxLayout(&window);
  cmbCOM = new QComboBox(&window);
  cmbCOM->setObjectName(QStringLiteral("cmbCOM"));
  for (int n = 1; n <= PortSelector::kPortCount; ++n)
    cmbCOM->addItem(QStringLiteral("COM%1").arg(n));
  cmbCOM->setCurrentIndex(-1);
  cmbSimulatorVersion = new QComboBox(&window);
  cmbSimulatorVersion->setObjectName(QStringLiteral("cmbSimulatorVersion"));
  cmbSimulatorVersion->addItems({QStringLiteral("1.01"), QStringLiteral("2.00")});
  chkDeletePGN1 = new QCheckBox(QStringLiteral("Delete This PGN"), &window);
  chkDeletePGN1->setObjectName(QStringLiteral("chkDeletePGN1"));
  chkDeletePGN2 = new QCheckBox(QStringLiteral("Delete This PGN"), &window);
  chkDeletePGN2->setObjectName(QStringLiteral("chkDeletePGN2"));
  cmdConfig = new QPushButton(QStringLiteral("Program Config"), &window);
  cmdConfig->setObjectName(QStringLiteral("cmdConfig"));
  for (QWidget* widget : std::initializer_list<QWidget*>{cmbCOM, cmbSimulatorVersion, chkDeletePGN1,
                                                         chkDeletePGN2, cmdConfig})
    layout->addWidget(widget);
  messages.watch(&window);
  record = slotsInUse();
}

LinkRig::~LinkRig() {
  download.reset();
  selector.reset();
}

void LinkRig::mapPort(int portNumber, const QString& device) {
  settings.setValue(QStringLiteral("Ports"), QStringLiteral("COM%1").arg(portNumber), device);
}

void LinkRig::build() {
  selector = std::make_unique<PortSelector>(cmbCOM, port, settings, messages);
  download =
      std::make_unique<ConfigDownload>(ConfigDownload::Controls{cmdConfig, cmbCOM, chkDeletePGN1,
                                                                chkDeletePGN2, cmbSimulatorVersion},
                                       state, port, clock, messages);
  QObject::connect(download.get(), &ConfigDownload::exchangeStarted, selector.get(),
                   &PortSelector::holdPort);
  QObject::connect(download.get(), &ConfigDownload::exchangeFinished, selector.get(),
                   &PortSelector::releasePort);
  download->formToConfig = [this]() -> MaybeFailure {
    ++formStores;
    SimulatorConfig stored = record;
    stored.ComPortIndex = static_cast<int16_t>(cmbCOM->currentIndex());
    stored.Pgn1InUse = checkValue(chkDeletePGN1) == 0 ? 1 : 0;
    stored.Pgn2InUse = checkValue(chkDeletePGN2) == 0 ? 1 : 0;
    stored.SimulatorVersion = static_cast<int16_t>(cmbSimulatorVersion->currentIndex());
    state.Config = stored;
    return std::nullopt;
  };
  window.show();
}

void LinkRig::selectPort(int index) {
  cmbCOM->setCurrentIndex(index);
}

void LinkRig::deleteSlot(int slot, bool deleted) {
  setCheckValue(slot == 1 ? chkDeletePGN1 : chkDeletePGN2, deleted ? 1 : 0);
}

QStringList LinkRig::prompts() const {
  QStringList result;
  for (const ShownMessage& message : messages.shown) result << message.prompt;
  return result;
}

SimulatorConfig slotsInUse(int32_t pgn1, int32_t pgn2) {
  SimulatorConfig c{};
  c.SourceAddress = 0x25;
  c.Pgn1InUse = 1;
  c.Pgn1UpdateRate = 4;
  c.Pgn1Priority = 6;
  c.Pgn1Pf = static_cast<uint8_t>((pgn1 >> 8) & 0xFF);
  c.Pgn1Ps = static_cast<uint8_t>(pgn1 & 0xFF);
  c.Pgn1 = pgn1;
  c.Pgn1DataLength = 8;
  c.Pgn1ParamPos = 1;
  c.Pgn2InUse = 1;
  c.Pgn2UpdateRate = 2;
  c.Pgn2Priority = 6;
  c.Pgn2Pf = static_cast<uint8_t>((pgn2 >> 8) & 0xFF);
  c.Pgn2Ps = static_cast<uint8_t>(pgn2 & 0xFF);
  c.Pgn2 = pgn2;
  c.Pgn2DataLength = 8;
  c.Pgn2ParamPos = 3;
  c.DtcVersion = 3;
  const char vin[] = "KorvaneElectronic";
  for (int i = 0; i < 17; ++i) c.Vin[i] = static_cast<uint8_t>(vin[i]);
  return c;
}
