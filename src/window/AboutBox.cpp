#include "window/AboutBox.h"

#include "rules/system/AppInfo.h"
#include "ui_frmAbout.h"

namespace j1939 {

AboutBox::AboutBox(QWidget* owner) : QDialog(owner), ui_(std::make_unique<Ui::frmAbout>()) {
  ui_->setupUi(this);
  // The two separator lines are one pair, found together by their shared name.
  ui_->Line1_0->setObjectName(QStringLiteral("Line1"));
  ui_->Line1_1->setObjectName(QStringLiteral("Line1"));
  setWindowModality(Qt::WindowModal);
  connect(ui_->cmdOK, &QPushButton::clicked, this, &QDialog::accept);
  showProductFacts();
}

AboutBox::~AboutBox() = default;

void AboutBox::showProductFacts() {
  ui_->lblVersion->setText(
      tr("Version %1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRevision));
  ui_->lblTitle->setText(kAppTitle);
  ui_->Label1->setText(kReleaseDate);
}

}  // namespace j1939

#include "moc_AboutBox.cpp"
