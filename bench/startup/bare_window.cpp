// The yardstick for the configurator's start-up: the same Designer form in a
// bare main window, with none of the tool's logic, files or port.
#include <QApplication>
#include <QMainWindow>

#include "ui_frmMain.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QMainWindow window;
  Ui::frmMain form;
  form.setupUi(&window);
  window.show();
  return app.exec();
}
