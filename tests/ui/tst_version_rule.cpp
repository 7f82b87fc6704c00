#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

#include "support/Harness.h"
#include "support/TestMain.h"

class VersionRuleTest : public QObject {
  Q_OBJECT
 private slots:
  void oldSimulatorFixesDtcAndBaudAndHidesVin();
};

void VersionRuleTest::oldSimulatorFixesDtcAndBaudAndHidesVin() {
  Harness h;
  h.start();
  auto& ui = h.ui();
  ui.cmbSimulatorVersion->setCurrentIndex(1);
  ui.cmbCANBUSBaudRate->setCurrentIndex(1);
  ui.cmbSimulatorVersion->setCurrentIndex(0);
  QCOMPARE(ui.cmbDTCVersion->currentText(), QStringLiteral("Version3"));
  QCOMPARE(ui.cmbCANBUSBaudRate->currentText(), QStringLiteral("250Kbps"));
  QVERIFY(!ui.cmbDTCVersion->isEnabled());
  QVERIFY(!ui.cmbCANBUSBaudRate->isEnabled());
  QVERIFY(ui.txtVIN->isHidden());
  QVERIFY(ui.lblVIN->isVisible());

  ui.cmbSimulatorVersion->setCurrentIndex(1);
  QCOMPARE(ui.cmbDTCVersion->currentText(), QStringLiteral("Version4"));
  QCOMPARE(ui.cmbCANBUSBaudRate->currentText(), QStringLiteral("250Kbps"));
  QVERIFY(ui.cmbDTCVersion->isEnabled());
  QVERIFY(ui.cmbCANBUSBaudRate->isEnabled());
  QVERIFY(ui.txtVIN->isVisible());
}

J1939_TEST(VersionRuleTest);
#include "tst_version_rule.moc"
