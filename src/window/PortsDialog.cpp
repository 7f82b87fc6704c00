#include "window/PortsDialog.h"

#include <QComboBox>
#include <QLabel>

#include "link/serial/PortInventory.h"
#include "rules/system/SettingsStore.h"
#include "ui_frmPorts.h"
#include "window/WindowPlacement.h"

namespace j1939 {

PortsDialog::PortsDialog(RunOnlySettings& settings, const PortInventory& inventory, QWidget* owner)
    : QDialog(owner), ui_(std::make_unique<Ui::frmPorts>()), settings_(settings) {
  ui_->setupUi(this);
  setWindowModality(Qt::WindowModal);
  // The menu item's caption is "Ports…"; the dialog is named for what it edits.
  setWindowTitle(tr("Ports"));
  connect(ui_->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(ui_->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);

  // Listed once for the sixteen boxes: asking the drivers is not cheap.
  const QList<PresentPort> present = inventory.presentPorts();
  for (int n = 1; n <= kComPortCount; ++n) {
    auto* box = new QComboBox(this);
    box->setObjectName(QStringLiteral("cmbPort%1").arg(n));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    // Completing a typed device with a listed port's description would store the description.
    box->setCompleter(nullptr);
    box->setMinimumContentsLength(40);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    for (const PresentPort& port : present)
      box->addItem(DescribePresentPort(port), port.systemLocation);
    box->setEditText(PortDevice(settings_, n));
    if (settings_.isHeldForRun(kPortsSettingsSection, QStringLiteral("COM%1").arg(n))) {
      box->setEnabled(false);
      box->setToolTip(tr("Given on the command line for this run only; not stored"));
    }
    // A picked port shows as the device that is stored for it.
    connect(box, &QComboBox::activated, box,
            [box](int index) { box->setEditText(box->itemData(index).toString()); });
    auto* label = new QLabel(QStringLiteral("COM%1").arg(n), this);
    label->setBuddy(box);
    ui_->gridPorts->addWidget(label, n - 1, 0);
    ui_->gridPorts->addWidget(box, n - 1, 1);
    boxes_[n - 1] = box;
  }
  boxes_.front()->setFocus();
  // The sixteen rows scroll where the screen is too small for them; the
  // buttons stay in view.
  FitToScreen(*this, *ui_->scrPorts, *layout());
}

PortsDialog::~PortsDialog() = default;

void PortsDialog::accept() {
  storeFailure_ = storeMapping();
  QDialog::accept();
}

MaybeFailure PortsDialog::storeMapping() {
  // Only what the user changed is written, so that OK on an untouched dialog
  // leaves the settings file as it was: a key that exists takes its new value,
  // a new key only a device other than the system's own port. An empty value
  // stands for the system's own port, as an absent key does.
  bool written = false;
  for (int n = 1; n <= kComPortCount; ++n) {
    const QString key = QStringLiteral("COM%1").arg(n);
    const QString device = boxes_[n - 1]->currentText().trimmed();
    if (settings_.isHeldForRun(kPortsSettingsSection, key)) continue;
    if (device == PortDevice(settings_, n) ||
        (device.isEmpty() && !settings_.contains(kPortsSettingsSection, key)))
      continue;
    settings_.setValue(kPortsSettingsSection, key, device);
    written = true;
  }
  return written ? settings_.sync() : std::nullopt;
}

}  // namespace j1939

#include "moc_PortsDialog.cpp"
