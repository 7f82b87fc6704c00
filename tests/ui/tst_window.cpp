#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "platform/FileDialogs.h"
#include "support/Harness.h"
#include "support/TestMain.h"

// The window's own rules and the real dialogs behind the seams.
class WindowTest : public QObject {
  Q_OBJECT
 private slots:
  void versionRule_data() {
    QTest::addColumn<int>("rateBefore");
    QTest::addColumn<int>("version");
    QTest::addColumn<QString>("shown");  // DTC format, bit rate, lists enabled, VIN shown
    QTest::newRow("1.01 on 500Kbps") << 1 << 0 << "Version3 250Kbps 0 0";
    QTest::newRow("2.00 on 500Kbps") << 1 << 1 << "Version4 500Kbps 1 1";
    QTest::newRow("2.00 on 250Kbps") << 0 << 1 << "Version4 250Kbps 1 1";
  }
  void versionRule() {
    QFETCH(int, rateBefore);
    QFETCH(int, version);
    QFETCH(QString, shown);
    Harness h;
    h.start();
    auto& ui = h.ui();
    ui.cmbSimulatorVersion->setCurrentIndex(1 - version);  // so that picking it is a change
    ui.cmbCANBUSBaudRate->setCurrentIndex(rateBefore);
    ui.cmbDTCVersion->setCurrentIndex(0);
    ui.cmbSimulatorVersion->setCurrentIndex(version);
    QCOMPARE(QStringLiteral("%1 %2 %3 %4")
                 .arg(ui.cmbDTCVersion->currentText(), ui.cmbCANBUSBaudRate->currentText())
                 .arg(ui.cmbDTCVersion->isEnabled() && ui.cmbCANBUSBaudRate->isEnabled())
                 .arg(ui.txtVIN->isVisible()),
             shown);
  }
  void toolbarRunsTheFileCommandsByKey() {
    Harness h;
    h.create();
    QStringList ran;
    for (QAction* command : {h.ui().mnuFileOpen, h.ui().mnuFileSave, h.ui().mnuFileSaveAs})
      QObject::connect(command, &QAction::triggered, [&ran, command] { ran << command->text(); });
    h.window->tbToolBar_ButtonClick("Save");
    h.window->tbToolBar_ButtonClick("Open");
    h.window->tbToolBar_ButtonClick("open");  // keys are case-sensitive
    h.window->tbToolBar_ButtonClick("Print");
    QCOMPARE(ran, (QStringList{"&Save", "&Open..."}));
  }
  void aboutBox() {
    Harness h;
    MainWindow& window = h.start();
    QStringList texts;
    QTimer::singleShot(0, [&] {
      QWidget* box = QApplication::activeModalWidget();
      QVERIFY(box && box->parentWidget() == &window);
      texts << box->windowTitle();
      for (const char* name : {"lblTitle", "lblVersion", "Label1"})
        texts << box->findChild<QLabel*>(name)->text();
      QVERIFY(!box->findChild<QLabel*>("imgIcon")->pixmap().isNull());
      QTest::mouseClick(box->findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
    });
    h.ui().mnuHelpAbout->trigger();  // returns once the box is closed
    QCOMPARE(texts, (QStringList{"About Tarvik Configuration", "TarvikConfig", "Version 2.1.0",
                                 "March 2017"}));
    QVERIFY(!QApplication::activeModalWidget());
  }
  // The title and filter as given, open or save; Cancel gives no name; a chosen
  // name comes back whole and is offered next time.
  void fileDialogs() {
    QCOMPARE(toQtNameFilters("J1939 Configure File (*.cfg)|*.cfg"), "J1939 Configure File (*.cfg)");
    QCOMPARE(toQtNameFilters("Text|*.txt|All (*)|*"), "Text (*.txt);;All (*)");
    QCOMPARE(toQtNameFilters("Text|*.txt|Odd"), "Text (*.txt);;Odd");
    QTemporaryDir dir;
    const QString chosen = dir.filePath("bench.cfg");
    QtFileDialogs dialogs;
    QStringList seen;
    const auto answer = [&](const QString& name) {
      QTimer::singleShot(0, [&, name] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        seen << QStringLiteral("%1 | %2 | %3 | %4")
                    .arg(dialog->windowTitle(), dialog->nameFilters().join(";;"),
                         dialog->acceptMode() == QFileDialog::AcceptSave ? "save" : "open",
                         QFileInfo(dialog->selectedFiles().value(0)).fileName());
        if (name.isEmpty()) return dialog->reject();
        dialog->selectFile(name);
        static_cast<QDialog*>(dialog)->accept();
      });
    };
    const QString filter = "J1939 Configure File (*.cfg)|*.cfg";
    answer(QString());
    QCOMPARE(dialogs.getOpenFileName("Open", filter), QString());
    answer(chosen);
    QCOMPARE(dialogs.getSaveFileName("save as", filter), chosen);
    answer(QString());
    QCOMPARE(dialogs.getOpenFileName("Open", filter), QString());
    QCOMPARE(seen.value(1).left(45), "save as | J1939 Configure File (*.cfg) | save");
    QCOMPARE(seen.value(2), "Open | J1939 Configure File (*.cfg) | open | bench.cfg");
  }
};

J1939_TEST(WindowTest);
#include "tst_window.moc"
