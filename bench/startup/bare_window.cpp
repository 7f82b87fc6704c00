// The yardstick for the configurator's start-up: the same Designer form in a
// bare main window, with none of the tool's logic, files or port.
#include <QApplication>
#include <QLayout>
#include <QMainWindow>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>

#include "ui_frmMain.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QMainWindow window;
  Ui::frmMain form;
  form.setupUi(&window);
  // Sized as the configurator sizes its window (the form's natural size up to
  // two thirds of the screen, never less than all of it, never more than the
  // screen), so that both paint the same area and the comparison is of the
  // work, not of the window's size.
  const QScreen* screen = window.screen();
  const QSize area = (screen ? screen->availableGeometry().size() : QSize(800, 600)) -
                     QSize(0, window.style()->pixelMetric(QStyle::PM_TitleBarHeight));
  const int bar = window.style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  const QMargins m = window.centralWidget()->layout()->contentsMargins();
  const QSize beside(m.left() + m.right(),
                     window.minimumSizeHint().height() - form.scrForm->minimumSizeHint().height());
  const QWidget& shown = *form.scrForm->widget();
  window.resize((beside + shown.sizeHint())
                    .boundedTo(area * 2 / 3)
                    .expandedTo(beside + shown.minimumSizeHint() + QSize(bar, bar))
                    .boundedTo(area));
  window.show();
  return app.exec();
}
