#include <algorithm>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QToolBar>
#include <QtTest>

#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"
#include "support/Harness.h"
#include "support/TestMain.h"

Q_DECLARE_METATYPE(MessageIcon)

namespace {

QStringList items(const QComboBox* list) {
  QStringList result;
  for (int i = 0; i < list->count(); ++i) result << list->itemText(i);
  return result;
}

QStringList numbers(int from, int to) {
  QStringList result;
  for (int i = from; i <= to; ++i) result << QString::number(i);
  return result;
}

// The caption of the frame a control stands in; "" for the window's top area.
QString groupOf(const QWidget* widget) {
  for (const QWidget* w = widget->parentWidget(); w; w = w->parentWidget())
    if (auto* group = qobject_cast<const QGroupBox*>(w)) return group->title();
  return QString();
}

// The texts of the labels that stand in the same frame as the control.
QStringList labelsBeside(const QWidget* widget) {
  QStringList texts;
  for (const QLabel* label : widget->parentWidget()->findChildren<QLabel*>()) {
    if (groupOf(label) == groupOf(widget)) texts << label->text();
  }
  return texts;
}

const QStringList kRates1 = {"On Request", "Every 50 ms", "Every 100ms",
                             "Every 0.5s", "Every 1s",    "Every 5s"};
const QStringList kRates2 = {"On Request", "Every 50 ms", "Every 100 ms",
                             "Every 0.5s", "Every 1s",    "Every 5s"};
const QStringList kTypes = {"Single Byte", "2 Bytes", "4 Bytes"};

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void controls_data();
  void controls();
  void nameBytesStandInOneRowUnderTheirHeadings();
  void initialTexts();
  void menusAndToolbar();
  void toolbarButtonsRunTheFileCommands();
  void statusBarPanels();
  void everyInputControlSaysWhatItIs();
  void tabOrderWalksTheFramesInReadingOrder();
  void versionRule_data();
  void versionRule();
  void aboutBox();
  void captionsFitWithALargerFont();
  void messageBoxAdaptor_data();
  void messageBoxAdaptor();
  void fileDialogAdaptor();
};

void MainWindowTest::controls_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("kind");
  QTest::addColumn<QStringList>("captions");  // own caption, or the labels beside it
  QTest::addColumn<QStringList>("listItems");
  QTest::addColumn<QString>("group");

  auto row = [](const char* name, const char* kind, QStringList captions, QStringList list,
                const char* group) {
    QTest::newRow(name) << QString(name) << QString(kind) << captions << list << QString(group);
  };
  row("cmbCOM", "QComboBox", {"Com Port Number:"},
      numbers(1, 16).replaceInStrings(QRegularExpression("^"), "COM"), "");
  row("txtJ1939Addr", "QLineEdit", {"J1939 Address:", "(hex)"}, {}, "");
  row("cmbCANBUSBaudRate", "QComboBox", {"CAN BUS Baud Rate:"}, {"250Kbps", "500Kbps"}, "");
  row("cmbSimulatorVersion", "QComboBox", {"Simulator Version:"}, {"1.01", "2.00"}, "");
  row("cmbDTCVersion", "QComboBox", {"DTC Format:"},
      {"Version1", "Version2", "Version3", "Version4"}, "");
  row("txtVIN", "QLineEdit", {"VIN:"}, {}, "");
  row("optDynamic", "QRadioButton", {"Dynamic"}, {}, "Simulator Mode");
  row("optStatic", "QRadioButton", {"Static"}, {}, "Simulator Mode");
  for (int i = 0; i < 8; ++i) {
    const QByteArray name = "txtDeviceName" + QByteArray::number(i);
    row(name.constData(), "QLineEdit", {"Device Name:", "Bytes (hex)", QString::number(i + 1)}, {},
        "Device Name");
  }
  const char* components = "Device Name Components (Decimal)";
  row("txtFunction", "QLineEdit", {"Function"}, {}, components);
  row("txtFunInstance", "QLineEdit", {"Function Instance"}, {}, components);
  row("txtVehicleSys", "QLineEdit", {"Vehicle System"}, {}, components);
  row("cmbVehicleSysIns", "QComboBox", {"Vehicle System Instance"}, numbers(0, 15), components);
  row("cmbIndustrygroup", "QComboBox", {"Industry Group"}, numbers(0, 7), components);
  row("txtIdentityNumber", "QLineEdit", {"Identity Number"}, {}, components);
  row("txtMfgCode", "QLineEdit", {"Manufacture Code"}, {}, components);
  row("cmbECUInstance", "QComboBox", {"ECU Instance"}, numbers(0, 7), components);
  row("Check1", "QCheckBox", {"Arbitrary Address Capable"}, {}, components);
  for (int slot = 1; slot <= 2; ++slot) {
    const QByteArray n = QByteArray::number(slot);
    const QByteArray group = "Additional PGN" + n;
    auto slotRow = [&](const char* base, const char* kind, QStringList captions, QStringList list) {
      const QByteArray name = base + n;
      QTest::newRow(name.constData())
          << QString(name) << QString(kind) << captions << list << QString(group);
    };
    slotRow("cmbUpdateRate", "QComboBox", {"Update Rate"}, slot == 1 ? kRates1 : kRates2);
    slotRow("cmbPriority", "QComboBox", {"Priority"}, numbers(0, 7));
    slotRow("chkReserveBit", "QCheckBox", {"Reserve Bit is 1"}, {});
    slotRow("chkDatapage", "QCheckBox", {"Data Page bit is 1"}, {});
    slotRow("txtPF", "QLineEdit", {slot == 1 ? "PF( hex) :" : "PF( hex):"}, {});
    slotRow("txtPS", "QLineEdit", {slot == 1 ? "PS (hex):" : "PS( hex):"}, {});
    slotRow("txtDatalength", "QLineEdit", {"Data Length", "(Decimal)"}, {});
    slotRow("txtPGN", "QLineEdit", {"PGN (decimal):"}, {});
    slotRow("cmbParameterType", "QComboBox", {"Parameter Type"}, kTypes);
    slotRow("txtParameterPos", "QLineEdit",
            {"This Parameter", slot == 1 ? "Position " : "Position", "(dec)"}, {});
    slotRow("chkDeletePGN", "QCheckBox", {"Delete This PGN"}, {});
  }
  row("cmdConfig", "QPushButton", {"Program Config"}, {}, "");
  row("cmdDefault", "QPushButton", {"Default"}, {}, "");
}

void MainWindowTest::controls() {
  QFETCH(QString, name);
  QFETCH(QString, kind);
  QFETCH(QStringList, captions);
  QFETCH(QStringList, listItems);
  QFETCH(QString, group);

  Harness h;
  MainWindow& window = h.create();
  QCOMPARE(window.objectName(), QStringLiteral("frmMain"));
  QCOMPARE(window.windowTitle(), QStringLiteral("Tarvik Configuration"));

  const QList<QWidget*> found = window.findChildren<QWidget*>(name);
  QCOMPARE(found.size(), 1);
  QWidget* control = found.first();
  QCOMPARE(QString(control->metaObject()->className()), kind);
  QCOMPARE(groupOf(control), group);

  if (auto* button = qobject_cast<QAbstractButton*>(control)) {
    QCOMPARE(QStringList{button->text()}, captions);
  } else {
    const QStringList labels = labelsBeside(control);
    for (const QString& caption : captions)
      QVERIFY2(labels.contains(caption), qPrintable(caption + " not beside " + name));
  }
  if (auto* list = qobject_cast<QComboBox*>(control)) {
    QCOMPARE(items(list), listItems);
    QVERIFY(!list->isEditable());
  }
}

void MainWindowTest::nameBytesStandInOneRowUnderTheirHeadings() {
  Harness h;
  MainWindow& window = h.start();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  auto& ui = h.ui();
  const std::array<QLineEdit*, 8> boxes = {ui.txtDeviceName0, ui.txtDeviceName1, ui.txtDeviceName2,
                                           ui.txtDeviceName3, ui.txtDeviceName4, ui.txtDeviceName5,
                                           ui.txtDeviceName6, ui.txtDeviceName7};
  const QWidget* frame = ui.fraDeviceName;
  for (int i = 0; i < 8; ++i) {
    const QRect box = QRect(boxes[i]->mapTo(frame, QPoint(0, 0)), boxes[i]->size());
    if (i > 0) {
      const QRect right = QRect(boxes[i - 1]->mapTo(frame, QPoint(0, 0)), boxes[i - 1]->size());
      QCOMPARE(box.top(), right.top());
      QVERIFY2(box.right() < right.left(), "byte boxes must run 7 ... 0 from left to right");
    }
    // The heading above box i reads i + 1.
    QLabel* heading = nullptr;
    for (QLabel* label : frame->findChildren<QLabel*>()) {
      const QRect r(label->mapTo(frame, QPoint(0, 0)), label->size());
      if (r.bottom() < box.top() && r.center().x() >= box.left() && r.center().x() <= box.right())
        heading = label;
    }
    QVERIFY(heading);
    QCOMPARE(heading->text(), QString::number(i + 1));
  }
}

void MainWindowTest::initialTexts() {
  Harness h;
  h.create();
  auto& ui = h.ui();
  for (QLineEdit* box : ui.fraDeviceName->findChildren<QLineEdit*>())
    QCOMPARE(box->text(), QStringLiteral("00"));
  QCOMPARE(ui.txtJ1939Addr->text(), QStringLiteral("0"));
  QCOMPARE(ui.txtVIN->text(), QStringLiteral("KorvaneElectronic"));
  QCOMPARE(ui.txtVIN->maxLength(), 17);
  // Lists have no selection until a configuration selects them.
  for (QComboBox* list : h.window->findChildren<QComboBox*>())
    QVERIFY2(list->currentIndex() == -1, qPrintable(list->objectName()));
}

void MainWindowTest::menusAndToolbar() {
  Harness h;
  h.create();
  auto& ui = h.ui();
  const QList<QAction*> menus = h.window->menuBar()->actions();
  QCOMPARE(menus.size(), 2);
  QCOMPARE(menus[0]->text(), QStringLiteral("&File"));
  QCOMPARE(menus[0]->menu()->objectName(), QStringLiteral("mnuFile"));
  QCOMPARE(menus[1]->text(), QStringLiteral("&Help"));
  QCOMPARE(menus[1]->menu()->objectName(), QStringLiteral("mnuHelp"));

  QStringList file, fileNames;
  for (QAction* item : ui.mnuFile->actions()) file << item->text(), fileNames << item->objectName();
  QCOMPARE(file, (QStringList{"&Open...", "&Save", "Save &As..."}));
  QCOMPARE(fileNames, (QStringList{"mnuFileOpen", "mnuFileSave", "mnuFileSaveAs"}));
  QCOMPARE(ui.mnuHelp->actions().size(), 1);
  QCOMPARE(ui.mnuHelp->actions()[0]->text(), QStringLiteral("&About "));
  QCOMPARE(ui.mnuHelp->actions()[0]->objectName(), QStringLiteral("mnuHelpAbout"));

  QCOMPARE(ui.tbToolBar->objectName(), QStringLiteral("tbToolBar"));
  QStringList keys;
  for (QAction* button : ui.tbToolBar->actions()) {
    keys << button->property("key").toString();
    QVERIFY(!button->icon().isNull());
  }
  QCOMPARE(keys, (QStringList{"Open", "Save"}));
}

void MainWindowTest::toolbarButtonsRunTheFileCommands() {
  Harness h;
  h.create();
  auto& ui = h.ui();
  QStringList ran;
  QObject::connect(ui.mnuFileOpen, &QAction::triggered, [&] { ran << "Open"; });
  QObject::connect(ui.mnuFileSave, &QAction::triggered, [&] { ran << "Save"; });
  QObject::connect(ui.mnuFileSaveAs, &QAction::triggered, [&] { ran << "SaveAs"; });
  ui.tbSave->trigger();
  ui.tbOpen->trigger();
  h.window->tbToolBar_ButtonClick(QStringLiteral("open"));  // keys are case-sensitive
  h.window->tbToolBar_ButtonClick(QStringLiteral("Print"));
  QCOMPARE(ran, (QStringList{"Save", "Open"}));
}

void MainWindowTest::statusBarPanels() {
  Harness h;
  h.start();
  const QList<QLabel*> panels = h.ui().sbStatusBar->findChildren<QLabel*>();
  QCOMPARE(panels.size(), 3);
  QStringList texts;
  for (QLabel* panel : panels) texts << panel->text();
  QVERIFY(texts.contains(QStringLiteral("Status")));
  QVERIFY2(texts.contains(QLocale().toString(QDate::currentDate(), QLocale::ShortFormat)),
           qPrintable(texts.join('|')));
  // The time panel follows the clock.
  const QLabel* time = h.window->findChild<QLabel*>(QStringLiteral("sbStatusTime"));
  QVERIFY(time);
  const QString first = time->text();
  QTRY_VERIFY_WITH_TIMEOUT(time->text() != first, 2500);
}

void MainWindowTest::everyInputControlSaysWhatItIs() {
  Harness h;
  h.create();
  QSet<QString> names;
  const QList<QWidget*> widgets = h.window->centralWidget()->findChildren<QWidget*>();
  for (QWidget* w : widgets) {
    const bool input = qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) ||
                       qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w);
    if (!input) continue;
    const QString name = w->accessibleName();
    QVERIFY2(!name.isEmpty(), qPrintable(w->objectName()));
    QVERIFY2(!names.contains(name), qPrintable("twice: " + name));
    names.insert(name);
    const QString slot = groupOf(w).startsWith("Additional PGN") ? groupOf(w) : QString();
    if (!slot.isEmpty()) QVERIFY2(name.startsWith(slot), qPrintable(name));
    if (qobject_cast<QComboBox*>(w)) {
      // On Linux Qt names a list by its current entry; a screen reader takes the list's caption
      // from its labelled-by relations: the label whose buddy it is, and the slot's frame.
      QStringList labelledBy;
      for (const auto& by : QAccessible::queryAccessibleInterface(w)->relations(QAccessible::Label))
        labelledBy << by.first->text(QAccessible::Name);
      const QList<QLabel*> labels = h.window->findChildren<QLabel*>();
      const bool captioned = std::any_of(labels.begin(), labels.end(), [&](const QLabel* label) {
        return label->buddy() == w && labelledBy.contains(label->text());
      });
      QVERIFY2(captioned && (slot.isEmpty() || labelledBy.contains(slot)),
               qPrintable(w->objectName() + ": " + labelledBy.join('|')));
    }
  }
  QCOMPARE(h.ui().txtPGN1->accessibleName(), QStringLiteral("Additional PGN1 PGN (decimal)"));
}

void MainWindowTest::tabOrderWalksTheFramesInReadingOrder() {
  Harness h;
  h.create();
  auto& ui = h.ui();
  const QStringList frames = {"",
                              "Simulator Mode",
                              "Device Name",
                              "Device Name Components (Decimal)",
                              "Additional PGN1",
                              "Additional PGN2"};
  QStringList visitedFrames;
  QSet<QWidget*> seen;
  QWidget* w = ui.cmbCOM;
  QStringList order;
  do {
    if (w->focusPolicy() & Qt::TabFocus && ui.centralwidget->isAncestorOf(w)) {
      QVERIFY2(!seen.contains(w), qPrintable(w->objectName()));
      seen.insert(w);
      order << w->objectName();
      if (qobject_cast<QPushButton*>(w)) break;
      const QString frame = groupOf(w);
      if (visitedFrames.isEmpty() || visitedFrames.last() != frame) visitedFrames << frame;
    }
    w = w->nextInFocusChain();
  } while (w != ui.cmbCOM);
  QCOMPARE(visitedFrames, frames);
  // Within the NAME bytes the order is the order on screen, byte 8 first.
  const int first = static_cast<int>(order.indexOf("txtDeviceName7"));
  for (int i = 0; i < 8; ++i)
    QCOMPARE(order.value(first + i), QStringLiteral("txtDeviceName%1").arg(7 - i));
  QCOMPARE(order.last(), QStringLiteral("cmdConfig"));
}

void MainWindowTest::versionRule_data() {
  QTest::addColumn<int>("baudBefore");
  QTest::addColumn<int>("version");
  QTest::addColumn<QString>("dtc");
  QTest::addColumn<QString>("baud");
  QTest::addColumn<bool>("listsEnabled");
  QTest::addColumn<bool>("vinShown");
  QTest::newRow("1.01 on 500Kbps") << 1 << 0 << "Version3"
                                   << "250Kbps" << false << false;
  QTest::newRow("2.00 on 500Kbps") << 1 << 1 << "Version4"
                                   << "500Kbps" << true << true;
  QTest::newRow("2.00 on 250Kbps") << 0 << 1 << "Version4"
                                   << "250Kbps" << true << true;
}

void MainWindowTest::versionRule() {
  QFETCH(int, baudBefore);
  QFETCH(int, version);
  QFETCH(QString, dtc);
  QFETCH(QString, baud);
  QFETCH(bool, listsEnabled);
  QFETCH(bool, vinShown);
  Harness h;
  h.start();
  auto& ui = h.ui();
  // Start from the other version, so that picking this one is a change.
  ui.cmbSimulatorVersion->setCurrentIndex(1 - version);
  ui.cmbCANBUSBaudRate->setCurrentIndex(baudBefore);
  ui.cmbDTCVersion->setCurrentIndex(0);
  ui.cmbSimulatorVersion->setCurrentIndex(version);
  QCOMPARE(ui.cmbDTCVersion->currentText(), dtc);
  QCOMPARE(ui.cmbCANBUSBaudRate->currentText(), baud);
  QCOMPARE(ui.cmbDTCVersion->isEnabled(), listsEnabled);
  QCOMPARE(ui.cmbCANBUSBaudRate->isEnabled(), listsEnabled);
  QCOMPARE(ui.txtVIN->isVisible(), vinShown);
  QVERIFY(ui.lblVIN->isVisible());
}

void MainWindowTest::aboutBox() {
  Harness h;
  MainWindow& window = h.start();
  QString title, version, caption, date, notice, okText;
  int lines = 0;
  bool modal = false, icon = false;
  QWidget* owner = nullptr;
  QTimer::singleShot(0, [&] {
    QWidget* box = QApplication::activeModalWidget();
    QVERIFY(box);
    modal = box->isModal();
    owner = box->parentWidget();
    caption = box->windowTitle();
    title = box->findChild<QLabel*>("lblTitle")->text();
    version = box->findChild<QLabel*>("lblVersion")->text();
    date = box->findChild<QLabel*>("Label1")->text();
    notice = box->findChild<QLabel*>("lblDescription")->text();
    const auto* image = box->findChild<QLabel*>("imgIcon");
    icon = image && !image->pixmap().isNull();  // the resource is linked into the program
    lines = static_cast<int>(box->findChildren<QFrame*>("Line1").size());
    auto* ok = box->findChild<QPushButton*>("cmdOK");
    okText = ok->text();
    QTest::mouseClick(ok, Qt::LeftButton);
  });
  h.ui().mnuHelpAbout->trigger();  // returns once the box is closed
  QVERIFY(modal);
  QCOMPARE(owner, &window);
  QCOMPARE(caption, QStringLiteral("About Tarvik Configuration"));
  QCOMPARE(title, QStringLiteral("TarvikConfig"));
  QCOMPARE(version, QStringLiteral("Version 2.1.0"));
  QCOMPARE(date, QStringLiteral("March 2017"));
  QVERIFY(!notice.isEmpty() && !notice.contains('\n'));
  QCOMPARE(lines, 2);
  QCOMPARE(okText, QStringLiteral("OK"));
  QVERIFY(icon);
  QVERIFY(!QApplication::activeModalWidget());
}

void MainWindowTest::captionsFitWithALargerFont() {
  const QFont original = QApplication::font();
  QFont large = original;
  large.setPointSizeF(original.pointSizeF() * 1.5);
  QApplication::setFont(large);
  Harness h;
  MainWindow& window = h.start();
  window.adjustSize();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  for (QLabel* label : window.centralWidget()->findChildren<QLabel*>()) {
    if (!label->isVisible()) continue;
    QVERIFY2(label->width() >= label->sizeHint().width() &&
                 label->height() >= label->minimumSizeHint().height(),
             qPrintable(label->objectName()));
  }
  for (QAbstractButton* button : window.centralWidget()->findChildren<QAbstractButton*>())
    QVERIFY2(button->width() >= button->minimumSizeHint().width(),
             qPrintable(button->objectName()));
  QApplication::setFont(original);
}

void MainWindowTest::messageBoxAdaptor_data() {
  QTest::addColumn<MessageIcon>("icon");
  QTest::addColumn<QMessageBox::Icon>("shown");
  QTest::newRow("information") << MessageIcon::Information << QMessageBox::Information;
  QTest::newRow("none") << MessageIcon::None << QMessageBox::NoIcon;
}

// The real adaptor, not the test double: a modal box over its owner with the
// title, the prompt, the icon and an OK button only; show() returns once the
// user has pressed OK.
void MainWindowTest::messageBoxAdaptor() {
  QFETCH(MessageIcon, icon);
  QFETCH(QMessageBox::Icon, shown);
  QWidget owner;
  owner.show();
  QtMessageBoxes boxes;
  boxes.setOwner(&owner);
  QMessageBox* box = nullptr;
  QString title, prompt;
  QMessageBox::Icon iconShown = QMessageBox::Critical;
  QTimer::singleShot(0, [&] {
    box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    title = box->windowTitle();
    prompt = box->text();
    iconShown = box->icon();
    QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(box->parentWidget(), &owner);
    box->button(QMessageBox::Ok)->click();
  });
  boxes.show(QStringLiteral("You must enter hex 0 to ff"),
             QStringLiteral("Device Name must be hex"), icon);
  QVERIFY(box);
  QCOMPARE(title, QStringLiteral("Device Name must be hex"));
  QCOMPARE(prompt, QStringLiteral("You must enter hex 0 to ff"));
  QCOMPARE(iconShown, shown);
  QVERIFY(!QApplication::activeModalWidget());
}

// The real file dialogs: the title and the filter as given, open or save, and
// a cancel gives no name; a chosen name comes back whole and is offered next.
void MainWindowTest::fileDialogAdaptor() {
  QTemporaryDir dir;
  const QString chosen = dir.filePath(QStringLiteral("bench.cfg"));
  QtFileDialogs dialogs;
  QStringList seen;
  auto answer = [&](const QString& name) {
    QTimer::singleShot(0, [&, name] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      seen << dialog->windowTitle() + QStringLiteral(" | ") + dialog->nameFilters().join(";;") +
                  (dialog->acceptMode() == QFileDialog::AcceptSave ? " | save" : " | open") +
                  QStringLiteral(" | ") + dialog->selectedFiles().value(0);
      if (name.isEmpty()) {
        dialog->reject();
      } else {
        dialog->selectFile(name);
        static_cast<QDialog*>(dialog)->accept();
      }
    });
  };
  const QString filter = QStringLiteral("J1939 Configure File (*.cfg)|*.cfg");
  answer(QString());
  QCOMPARE(dialogs.getOpenFileName(QStringLiteral("Open"), filter), QString());
  answer(chosen);
  QCOMPARE(dialogs.getSaveFileName(QStringLiteral("save as"), filter), chosen);
  answer(QString());
  QCOMPARE(dialogs.getOpenFileName(QStringLiteral("Open"), filter), QString());
  QCOMPARE(seen.size(), 3);
  QVERIFY2(seen[0].startsWith(QStringLiteral("Open | J1939 Configure File (*.cfg) | open")),
           qPrintable(seen[0]));
  QVERIFY2(seen[1].startsWith(QStringLiteral("save as | J1939 Configure File (*.cfg) | save")),
           qPrintable(seen[1]));
  QCOMPARE(seen[2], QStringLiteral("Open | J1939 Configure File (*.cfg) | open | ") + chosen);
}

J1939_TEST(MainWindowTest);
#include "tst_main_window.moc"
