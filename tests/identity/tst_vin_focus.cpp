#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "identity/AddressVinFields.h"
#include "identity/IdentityKit.h"
#include "support/Harness.h"
#include "support/TestMain.h"

using identitykit::activate;

// The VIN is checked when the user leaves its box for another control of the
// window, through real focus changes in the window.
class VinFocusTest : public QObject {
  Q_OBJECT
 private slots:
  void leavingTheBox_data();
  void leavingTheBox();
  void eachLeavingChecksAgain();
  void viaRealMessageBoxChecksOnce();
  void messageBoxTakingTheFocusRunsNoCheck();
  void menuTakingTheFocusRunsNoCheck();
  void hiddenBoxIsNotChecked();
};

namespace {
const QString kShortMessage = QStringLiteral("VIN Length must be 17 characters");
const QString kSpaceMessage = QStringLiteral("VIN cannot contain Space character");

// How the focus leaves the VIN box.
enum class Move { Tab, Backtab, Click, Shortcut, Program, WindowSwitch, Popup };

struct VinWindow {
  VinWindow() {
    h.start();
    h.ui().cmbSimulatorVersion->setCurrentIndex(1);  // "2.00" shows the VIN
    vin = h.ui().txtVIN;
  }
  // The VIN box holds `text` and has the focus of the active window.
  bool focusVin(const QString& text) {
    if (!activate(h.window.get())) return false;
    vin->setText(text);
    vin->setFocus(Qt::OtherFocusReason);
    h.messages.clear();
    return QApplication::focusWidget() == vin;
  }
  void leave(Move move) {
    QWidget* other = h.ui().txtJ1939Addr;
    switch (move) {
      case Move::Tab:
        QTest::keyClick(vin, Qt::Key_Tab);
        break;
      case Move::Backtab:
        QTest::keyClick(vin, Qt::Key_Tab, Qt::ShiftModifier);
        break;
      case Move::Click:
        QTest::mouseClick(other, Qt::LeftButton);
        break;
      case Move::Shortcut:
        other->setFocus(Qt::ShortcutFocusReason);
        break;
      case Move::Program:
        other->setFocus(Qt::OtherFocusReason);
        break;
      case Move::WindowSwitch:
        other->setFocus(Qt::ActiveWindowFocusReason);
        break;
      case Move::Popup:
        other->setFocus(Qt::PopupFocusReason);
        break;
    }
    // The check runs once the focus change has been handled.
    QCoreApplication::processEvents();
  }
  Harness h;
  QLineEdit* vin = nullptr;
};

// Stands in for a real modal message box: a transient window of the main
// window takes the focus while the message is "open"; when it closes, the main
// window is activated again, as a window manager does.
void takeFocusWhileShown(VinWindow& w) {
  w.h.messages.whileShown = [&w](const ShownMessage&) {
    QDialog box(w.h.window.get());
    QPushButton ok(QStringLiteral("OK"), &box);
    box.show();
    QVERIFY(activate(&box));
    ok.setFocus(Qt::OtherFocusReason);
    QCOMPARE(QApplication::focusWidget(), &ok);
    box.hide();
    QVERIFY(activate(w.h.window.get()));
  };
}
}  // namespace

Q_DECLARE_METATYPE(Move)

void VinFocusTest::leavingTheBox_data() {
  QTest::addColumn<QString>("vin");
  QTest::addColumn<Move>("move");
  QTest::addColumn<QString>("message");  // empty: none
  QTest::addColumn<int>("selectionStart");
  QTest::addColumn<QString>("selected");

  const QString good = QStringLiteral("1hG-cm8.2/a_3#b0z");
  const QString sixteen = QStringLiteral("ABCDEFGHJKLMNPRS");
  const QString blanks = QStringLiteral("ABC DEFG HIJKLMNO");  // positions 4 and 9
  QTest::newRow("too short, Tab") << sixteen << Move::Tab << kShortMessage << 0 << sixteen;
  QTest::newRow("too short, Shift+Tab")
      << sixteen << Move::Backtab << kShortMessage << 0 << sixteen;
  QTest::newRow("too short, click") << sixteen << Move::Click << kShortMessage << 0 << sixteen;
  QTest::newRow("too short, mnemonic")
      << sixteen << Move::Shortcut << kShortMessage << 0 << sixteen;
  QTest::newRow("empty, Tab") << QString() << Move::Tab << kShortMessage << -1 << QString();
  QTest::newRow("blanks at 4 and 9, Tab")
      << blanks << Move::Tab << kSpaceMessage << 3 << QStringLiteral(" ");
  QTest::newRow("blanks at 4 and 9, click")
      << blanks << Move::Click << kSpaceMessage << 3 << QStringLiteral(" ");
  QTest::newRow("blank last") << QStringLiteral("ABCDEFGHJKLMNPRS ") << Move::Tab << kSpaceMessage
                              << 16 << QStringLiteral(" ");
  QTest::newRow("lower case and punctuation pass")
      << good << Move::Tab << QString() << -1 << QString();
  QTest::newRow("good, click") << good << Move::Click << QString() << -1 << QString();
  // The focus taken by the program, a window switch or a popup is no leaving.
  QTest::newRow("too short, focus moved by the program")
      << sixteen << Move::Program << QString() << -1 << QString();
  QTest::newRow("too short, window switch")
      << sixteen << Move::WindowSwitch << QString() << -1 << QString();
  QTest::newRow("too short, popup") << sixteen << Move::Popup << QString() << -1 << QString();
}

void VinFocusTest::leavingTheBox() {
  QFETCH(QString, vin);
  QFETCH(Move, move);
  QFETCH(QString, message);
  QFETCH(int, selectionStart);
  QFETCH(QString, selected);

  VinWindow w;
  QVERIFY(w.focusVin(vin));
  w.leave(move);

  if (message.isEmpty()) {
    QVERIFY(w.h.messages.shown.isEmpty());
    QVERIFY(QApplication::focusWidget() != w.vin);
    return;
  }
  QCOMPARE(w.h.messages.shown.size(), 1);
  const ShownMessage& shown = w.h.messages.shown.first();
  QCOMPARE(shown.prompt, message);
  QCOMPARE(shown.title, QStringLiteral("VIN is wrong"));
  QCOMPARE(shown.icon, MessageIcon::Information);
  QCOMPARE(QApplication::focusWidget(), w.vin);
  QCOMPARE(w.vin->text(), vin);
  QCOMPARE(w.vin->selectionStart(), selectionStart);
  QCOMPARE(w.vin->selectedText(), selected);
}

void VinFocusTest::eachLeavingChecksAgain() {
  VinWindow w;
  QVERIFY(w.focusVin(QStringLiteral("SHORT")));
  w.leave(Move::Tab);
  // Giving the focus back is no leaving: nothing more happens however long the
  // window runs.
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  QCOMPARE(w.h.messages.shown.size(), 1);
  QCOMPARE(QApplication::focusWidget(), w.vin);
  w.leave(Move::Click);
  w.leave(Move::Backtab);
  QCOMPARE(w.h.messages.shown.size(), 3);
  QCOMPARE(QApplication::focusWidget(), w.vin);
  // Once the VIN is right the user can go on.
  w.vin->setText(QStringLiteral("KorvaneElectronic"));
  w.leave(Move::Tab);
  QCOMPARE(w.h.messages.shown.size(), 3);
  QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.h.ui().optDynamic));
}

void VinFocusTest::viaRealMessageBoxChecksOnce() {
  // The check's own message box takes the focus and gives it back; the VIN box
  // gets it last, and no second check follows.
  VinWindow w;
  takeFocusWhileShown(w);
  QVERIFY(w.focusVin(QStringLiteral("ABC DEFG HIJKLMNO")));
  w.leave(Move::Tab);
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  QCOMPARE(w.h.messages.shown.size(), 1);
  QCOMPARE(w.h.messages.shown.first().prompt, kSpaceMessage);
  QCOMPARE(QApplication::focusWidget(), w.vin);
  QCOMPARE(w.vin->selectionStart(), 3);
  QCOMPARE(w.vin->selectedText(), QStringLiteral(" "));
}

void VinFocusTest::messageBoxTakingTheFocusRunsNoCheck() {
  // Another box's message while the VIN box has the focus: the VIN is not
  // checked, neither when the box takes the focus nor when it gives it back.
  VinWindow w;
  takeFocusWhileShown(w);
  QVERIFY(w.focusVin(QStringLiteral("SHORT")));
  w.h.ui().txtJ1939Addr->setText(QStringLiteral("7G"));  // as a loaded file would
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  QCOMPARE(w.h.messages.titles(), QStringList{QStringLiteral("J1939 Address must be hex")});
  QCOMPARE(QApplication::focusWidget(), w.vin);
}

void VinFocusTest::menuTakingTheFocusRunsNoCheck() {
  VinWindow w;
  QVERIFY(w.focusVin(QStringLiteral("SHORT")));
  QMenu* menu = w.h.ui().mnuFile;
  menu->popup(w.vin->mapToGlobal(QPoint(0, w.vin->height())));
  QVERIFY(QTest::qWaitForWindowExposed(menu));
  QCOMPARE(QApplication::activePopupWidget(), menu);
  QCoreApplication::processEvents();
  menu->close();
  QCoreApplication::processEvents();
  QVERIFY(w.h.messages.shown.isEmpty());
  QCOMPARE(QApplication::focusWidget(), w.vin);
}

void VinFocusTest::hiddenBoxIsNotChecked() {
  // Choosing "1.01" hides the VIN box, which passes the focus on: there is no
  // VIN to check then.
  VinWindow w;
  QVERIFY(w.focusVin(QStringLiteral("SHORT")));
  w.h.ui().cmbSimulatorVersion->setCurrentIndex(0);
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  QVERIFY(w.vin->isHidden());
  QVERIFY(w.h.messages.shown.isEmpty());
  QVERIFY(QApplication::focusWidget() != w.vin);
}

J1939_TEST(VinFocusTest);
#include "tst_vin_focus.moc"
