#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QSessionManager>
#include <QTranslator>
#include <optional>

#include "apps/console/Console.h"
#include "apps/j1939config/WindowOptions.h"
#include "rules/system/AppInfo.h"
#include "rules/system/TerminationSignals.h"
#include "window/MainWindow.h"
#include "window/bus/BusDock.h"
#include "window/desktop/Platform.h"

namespace j1939 {

namespace {

// Every window of the run, the About box and the message boxes included, carries the icon.
// Qt decodes the image here, whatever size it is given: the one of 64 pixels
// is a small read, and the desktop scales it.
void useWindowIcon() {
  QIcon icon;
  icon.addFile(QStringLiteral(":/icons/j1939config-64.png"), QSize(64, 64));
  QApplication::setWindowIcon(icon);
}

// A load tries some two dozen file names for the locale; a folder that is not
// there costs one look.
void useTranslation(QTranslator& translator, const QString& name, const QString& folder) {
  if (QFileInfo::exists(folder) && translator.load(QLocale(), name, QStringLiteral("_"), folder))
    QCoreApplication::installTranslator(&translator);
}

// The user's language, where a translation is installed: the tool's own texts
// from <prefix>/share/j1939config/translations beside the program's bin
// folder, the standard buttons' from Qt's. Without one the texts stay as
// written. The translators serve the whole run.
void useTranslations(QTranslator& toolTexts, QTranslator& qtTexts) {
  useTranslation(toolTexts, QStringLiteral("j1939config"),
                 QCoreApplication::applicationDirPath() +
                     QStringLiteral("/../share/j1939config/translations"));
  useTranslation(qtTexts, QStringLiteral("qtbase"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

// The application object has taken Qt's own options; the rest go into
// `options`. The exit status of a run that ends here, before any window: a
// command line that does not read (2), or one that asks for the help or the
// version (0).
std::optional<int> readCommandLine(WindowOptions& options) {
  SetConsoleProgram("j1939config");
  if (const std::optional<QString> failure =
          ParseWindowOptions(QCoreApplication::arguments().mid(1), options)) {
    Complain(*failure);
    return 2;
  }
  if (options.help || options.version) {
    Say(options.help ? QString::fromUtf8(kWindowUsage).chopped(1)
                     : QStringLiteral("j1939config %1.%2.%3")
                           .arg(kVersionMajor)
                           .arg(kVersionMinor)
                           .arg(kVersionRevision));
    return 0;
  }
  return std::nullopt;
}

// The end of the desktop session, SIGTERM, SIGINT and SIGHUP end the run the
// way the close box does, so that j1939.cfg is written. Taken before the
// start-up so that a request during it (while a message waits) is not lost.
// A run asked to end always ends: once the window has shut down (after any
// message that the shut-down showed), the event loop is left as well, even if
// the closing of the window did not end it.
void closeOnEndRequests(QApplication& app, TerminationSignals& termination, MainWindow& window) {
  QObject::connect(&termination, &TerminationSignals::terminationRequested, &window, [&window] {
    window.requestClose();
    if (window.hasShutDown()) QCoreApplication::exit(0);
  });
  QObject::connect(
      &app, &QGuiApplication::commitDataRequest, &window,
      [&window](QSessionManager&) { window.requestClose(); }, Qt::DirectConnection);
  QObject::connect(&app, &QCoreApplication::aboutToQuit, &window, [&window] { window.close(); });
}

// The window started up as the command line asks and shown; false when it
// has shut down meanwhile, which ends the run.
bool startWindow(MainWindow& window, const WindowOptions& options) {
  window.useRunPorts(options.ports);
  if (!options.bus.isEmpty()) window.busDock().connectForRun(options.bus);
  window.startUp();
  if (window.hasShutDown()) return false;
  window.show();
  // A file given on the command line (a launcher's %f) opens as File > Open
  // opens it, in the window the user sees.
  if (!options.file.isEmpty()) window.openFile(options.file);
  return !window.hasShutDown();
}

}  // namespace

}  // namespace j1939

int main(int argc, char* argv[]) {
  // main() is the one name the language wants global; the program's own are j1939's.
  using namespace j1939;
  QApplication app(argc, argv);
  QApplication::setOrganizationName(kAppTitle);
  QApplication::setApplicationName(kAppTitle);
  useWindowIcon();
  QTranslator toolTexts, qtTexts;
  useTranslations(toolTexts, qtTexts);
  WindowOptions options;
  if (const std::optional<int> status = readCommandLine(options)) return *status;

  QtPlatform seams;
  MainWindow window(seams.platform(), QDir::currentPath());
  seams.setOwner(&window);
  TerminationSignals termination;
  closeOnEndRequests(app, termination, window);
  // Started once the signals are taken: a run asked to end from here on ends
  // as the close box ends it.
  if (!startWindow(window, options)) return 0;
  return app.exec();
}
