#include <QApplication>
#include <QDir>

#include "platform/Platform.h"
#include "ui/AppInfo.h"
#include "ui/MainWindow.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setOrganizationName(kAppTitle);
  QApplication::setApplicationName(kAppTitle);

  QtPlatform seams;
  MainWindow window(seams.platform(), QDir::currentPath());
  seams.setOwner(&window);
  window.Form_Load();
  window.show();
  return app.exec();
}
