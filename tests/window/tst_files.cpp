#include <unistd.h>
#include <QApplication>
#include <QComboBox>
#include <QDebug>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemWatcher>
#include <QLabel>
#include <QLineEdit>
#include <QLockFile>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTest>
#include <QUrl>
#include <algorithm>
#include <csignal>
#include <cstdio>

#include "rules/record/RecordCodec.h"
#include "rules/system/SettingsStore.h"
#include "support/Emulator.h"
#include "support/Harness.h"
#include "support/RecordModel.h"
#include "support/TestMain.h"
#include "window/desktop/FileDialogs.h"
#include "window/fields/Controls.h"
#include "window/record/FileCommands.h"

namespace {

// A file that the user may read but not write (root is not held back by
// permissions, so the refusal is made here), or that takes at most `limit`
// bytes of a write, as a full disk can (-1: none).
class FailingFile : public QFile {
 public:
  FailingFile(const QString& path, qint64 limit, bool readOnly)
      : QFile(path), limit_(limit), readOnly_(readOnly) {}
  bool open(OpenMode mode) override {
    if (readOnly_ && (mode & QIODevice::WriteOnly))
      return setErrorString("Permission denied"), false;
    return QFile::open(mode);
  }

 protected:
  qint64 writeData(const char* data, qint64 length) override {
    if (limit_ < 0) return setErrorString("No space left on device"), -1;
    return QFile::writeData(data, std::min(length, limit_));
  }

 private:
  qint64 limit_;
  bool readOnly_;
};

const QByteArray kTail = QByteArray(100, '\xE7');
const QString kClosingUnsaved =
    "Tarvik Configuration: The form has changes that are not saved in bench.cfg. Save them before "
    "closing? j1939.cfg receives them at exit either way.";
const QString kFilter = "J1939 Configure File (*.cfg)|*.cfg";

// The files of every run: j1939.cfg as `start` says; bench.cfg, long.cfg (with
// a filler that is not zero and a tail) and cut.cfg (76 bytes) from a bench
// record whose source address is 33.
void prepare(Harness& h, const QString& start) {
  const QByteArray bench = EncodeConfigRecord(benchRecord());
  const QByteArray other = EncodeConfigRecord(benchRecord([](auto& c) { c.SourceAddress = 0x33; }));
  if (start == "bench" || start == "readonly" || start.startsWith("write"))
    QVERIFY(writeBytes(h.path("j1939.cfg"), bench));
  if (start.startsWith("cut40")) QVERIFY(writeBytes(h.path("j1939.cfg"), bench.left(40)));
  if (start == "folder") QDir(h.dir.path()).mkdir("j1939.cfg");
  QVERIFY(writeBytes(h.path("bench.cfg"), other));
  QVERIFY(writeBytes(h.path("long.cfg"), other.left(77) + QByteArray(7, '\x77') + kTail));
  QVERIFY(writeBytes(h.path("cut.cfg"), other.left(76)));
  QVERIFY(writeBytes(h.path("empty.cfg"), {}));
  QVERIFY(writeBytes(h.path("zero.cfg"), QByteArray(84, '\0')));
  const qint64 limit = start == "write10"   ? 10
                       : start == "write0"  ? 0
                       : start == "write-1" ? -1
                                            : 84;
  const bool readOnly = start == "readonly";
  h.create().fileCommands().setFileFactory([limit, readOnly](const QString& path) {
    return std::make_unique<FailingFile>(path, limit, readOnly);
  });
}

// Runs the user's steps: "addr=44" types a source address ("shown=44" checks
// it is still there), "open=NAME" and "saveas=NAME" answer the dialog (no
// name: Cancel), "tbopen=" and "tbsave" use the toolbar, "save", "default",
// "exit", and "kill" ends the run at the next message;
// "answer=Save|Discard|Cancel" answers the next question whether to save
// changes. "replace=NAME" puts a record with source address 66 there as
// editors and git do (a new file renamed over the name), "rm=NAME" removes it.
void run(Harness& h, const QString& script) {
  for (const QString& step : script.split(' ', Qt::SkipEmptyParts)) {
    const QString verb = step.section('=', 0, 0);
    const QString name = step.section('=', 1);
    if (verb == "addr") enter(h.find<QLineEdit>("txtJ1939Addr"), name);
    if (verb == "shown") QCOMPARE(h.find<QLineEdit>("txtJ1939Addr")->text(), name);
    if (verb == "save") h.find<QAction>("mnuFileSave")->trigger();
    if (verb == "tbsave") h.find<QAction>("tbSave")->trigger();
    if (verb == "default") QTest::mouseClick(h.find<QPushButton>("cmdDefault"), Qt::LeftButton);
    if (verb == "click") QTest::mouseClick(h.find<QAbstractButton>(name), Qt::LeftButton);
    if (verb == "exit") h.window->close();
    if (verb == "replace") {
      QVERIFY(writeRecord(h.path("new"), benchRecord([](auto& c) { c.SourceAddress = 0x66; })));
      QVERIFY(std::rename(qPrintable(h.path("new")), qPrintable(h.path(name))) == 0);
    }
    if (verb == "rm") QVERIFY(QFile::remove(h.path(name)));
    if (verb == "answer")  // to the next question whether to save changes
      h.messages.saveAnswers << (name == "Save"      ? SaveAnswer::Save
                                 : name == "Discard" ? SaveAnswer::Discard
                                                     : SaveAnswer::Cancel);
    if (verb == "kill")  // the system ends the run at the next message
      h.messages.whileShown = [&h](const ShownMessage&) { h.window->requestClose(); };
    if (verb.contains("open") || verb == "saveas") {
      h.fileDialogs.answers << (name.isEmpty() ? QString() : h.path(name));
      const qsizetype dialogs = h.fileDialogs.calls.size();
      (verb == "open"     ? h.find<QAction>("mnuFileOpen")
       : verb == "tbopen" ? h.find<QAction>("tbOpen")
                          : h.find<QAction>("mnuFileSaveAs"))
          ->trigger();
      if (h.fileDialogs.calls.size() == dialogs) continue;  // Cancel before the dialog
      const auto& asked = h.fileDialogs.calls.last();
      QCOMPARE(asked.title + asked.filter, (verb == "saveas" ? "save as" : "Open") + kFilter);
    }
  }
}

QStringList messagesOf(Harness& h) {
  QStringList shown;
  for (const ShownMessage& m : h.messages.shown)
    shown << m.title + ": " + QString(m.prompt).remove(h.dir.path() + '/');
  return shown;
}

// The folder's files, name -> bytes.
QMap<QString, QByteArray> contents(const Harness& h) {
  QMap<QString, QByteArray> files;
  for (const QString& name : QDir(h.dir.path()).entryList(QDir::Files))
    files[name] = fileBytes(h.path(name));
  return files;
}

// NAME=AA: the file holds a record with source address AA (and the tail it
// had, unless "AA/84": 84 bytes); "same": as `before`; "none": no file; "zero":
// the all-zero record as read so far, data lengths of 0 meaning 1.
void checkFiles(const Harness& h, const QString& files, const QMap<QString, QByteArray>& before) {
  for (const QString& expected : files.split(' ', Qt::SkipEmptyParts)) {
    const QString name = expected.section('=', 0, 0);
    const QString holds = expected.section('=', 1);
    const QByteArray bytes = fileBytes(h.path(name));
    if (holds == "zero") {
      QCOMPARE(bytes, EncodeConfigRecord(
                          SimulatorConfig{.Pgns = {{{.DataLength = 1}, {.DataLength = 1}}}}));
    } else if (holds == "same") {
      QCOMPARE(bytes, before.value(name));
    } else if (holds == "none") {
      QVERIFY2(!QFile::exists(h.path(name)), qPrintable(name));
    } else {
      const int size = holds.endsWith("/84")            ? 84
                       : before.value(name).size() > 84 ? 84 + kTail.size()
                                                        : 84;
      QCOMPARE(bytes.size(), size);
      QCOMPARE(bytes.mid(77, 7), QByteArray(7, '\0'));
      QCOMPARE(bytes.mid(84), kTail.left(bytes.size() - 84));
      QCOMPARE(recordIn(h.path(name)).SourceAddress, uint8_t(holds.left(2).toUInt(nullptr, 16)));
    }
  }
}

}  // namespace

// j1939.cfg from start-up to exit, the File commands, and files that fail.
class FilesTest : public QObject {
  Q_OBJECT
 private slots:
  void fileCommands_data() {
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("files");  // as checkFiles() reads them
    const auto cannot = [](const char* verb, const char* file, const char* reason) {
      return QStringLiteral("Configuration file error: Cannot %1 the configuration file %2: %3")
          .arg(verb, file, reason);
    };
    const QString folder = cannot("write", "j1939.cfg", "Is a directory");
    const QString readOnly = cannot("write", "j1939.cfg", "Permission denied");
    const QString cut40 =
        cannot("read", "j1939.cfg", "it holds 40 bytes; a configuration needs 77");
    // Data length 1 comes in under the types and positions of the record shown.
    const QString type = "Wrong Data Type: too big data type";
    const QString position = "Parameter position is wrong: Parameter position should be 1 to 1";
    // Open over changes not saved asks first; these rows answer Discard.
    const auto unsaved = [](const char* file) {
      return QStringLiteral(
                 "Tarvik Configuration: The form has changes that are not saved in "
                 "%1. Save them first?")
          .arg(file);
    };
    // clang-format off
  QTest::newRow("first start, then exit") << "none" << "addr=5c exit" << QStringList{} << "j1939.cfg=5C";
  QTest::newRow("Save before any Open writes j1939.cfg") << "bench" << "addr=61 save" << QStringList{} << "j1939.cfg=61";
  QTest::newRow("Open, edit, exit: the edit goes to j1939.cfg") << "bench" << "open=bench.cfg addr=44 exit" << QStringList{kClosingUnsaved} << "j1939.cfg=44 bench.cfg=same";
  QTest::newRow("Save As, then Save goes there") << "bench" << "addr=12 saveas=rig7 addr=7e save" << QStringList{} << "rig7=7E j1939.cfg=same";
  QTest::newRow("Open cancelled") << "bench" << "addr=7E open= save" << QStringList{unsaved("j1939.cfg")} << "j1939.cfg=7E bench.cfg=same";
  QTest::newRow("Open cancelled over a user file") << "bench" << "open=bench.cfg addr=7E tbopen= save" << QStringList{unsaved("bench.cfg")} << "bench.cfg=7E j1939.cfg=same";
  QTest::newRow("Save As cancelled over a user file") << "bench" << "open=bench.cfg addr=7E saveas= tbsave" << QStringList{} << "bench.cfg=7E j1939.cfg=same";
  QTest::newRow("Open of a mistyped name: nothing opened, nothing made") << "bench" << "addr=7E open=bnech.cfg exit" << QStringList{unsaved("j1939.cfg"), cannot("open", "bnech.cfg", "there is no such file")} << "bnech.cfg=none j1939.cfg=7E";
  QTest::newRow("Open of a mistyped name over a user file: Save goes there still") << "bench" << "open=bench.cfg addr=7E open=bnech.cfg save" << QStringList{unsaved("bench.cfg"), cannot("open", "bnech.cfg", "there is no such file")} << "bnech.cfg=none bench.cfg=7E j1939.cfg=same";
  QTest::newRow("an empty user file is refused, the form stays") << "bench" << "addr=21 open=empty.cfg save" << QStringList{unsaved("j1939.cfg"), cannot("read", "empty.cfg", "it holds 0 bytes; a configuration needs 77")} << "empty.cfg=21 j1939.cfg=same";
  // Another program replaces or removes the file while the window runs: the
  // file at the name is the one written.
  QTest::newRow("opened file replaced, then Save") << "bench" << "open=bench.cfg replace=bench.cfg addr=45 save" << QStringList{} << "bench.cfg=45";
  QTest::newRow("opened file removed, then Save") << "bench" << "open=bench.cfg rm=bench.cfg addr=45 save" << QStringList{} << "bench.cfg=45";
  QTest::newRow("saved-as file replaced, then Save") << "bench" << "saveas=rig7 replace=rig7 addr=46 tbsave" << QStringList{} << "rig7=46";
  QTest::newRow("j1939.cfg replaced, then exit") << "bench" << "replace=j1939.cfg addr=47 exit" << QStringList{} << "j1939.cfg=47";
  QTest::newRow("j1939.cfg removed, then Save") << "bench" << "rm=j1939.cfg addr=48 save" << QStringList{} << "j1939.cfg=48";
  QTest::newRow("long file replaced by a short record: Save keeps the new file's length") << "bench" << "open=long.cfg replace=long.cfg addr=49 save" << QStringList{} << "long.cfg=49/84";
  QTest::newRow("a longer file keeps its tail: Open, Save") << "bench" << "tbopen=long.cfg addr=19 tbsave" << QStringList{} << "long.cfg=19";
  QTest::newRow("a short user file is refused, the form stays") << "bench" << "addr=21 open=cut.cfg save" << QStringList{unsaved("j1939.cfg"), cannot("read", "cut.cfg", "it holds 76 bytes; a configuration needs 77")} << "cut.cfg=21 j1939.cfg=same";
  QTest::newRow("short j1939.cfg, closed unchanged: left alone") << "cut40" << "exit" << QStringList{cut40} << "j1939.cfg=same";
  QTest::newRow("short j1939.cfg, edited: written at exit") << "cut40" << "addr=3C exit" << QStringList{cut40} << "j1939.cfg=3C";
  QTest::newRow("short j1939.cfg, saved: the exit writes it again") << "cut40" << "save replace=j1939.cfg exit" << QStringList{cut40} << "j1939.cfg=00";
  QTest::newRow("j1939.cfg is a folder") << "folder" << "save saveas=rescue.cfg exit" << QStringList{cannot("open", "j1939.cfg", "Is a directory"), folder, folder} << "rescue.cfg=00";
  QTest::newRow("j1939.cfg can only be read") << "readonly" << "addr=2B save exit" << QStringList{readOnly, readOnly, readOnly} << "j1939.cfg=same";
  // A write that fails leaves the file as it was, a new one not there at all.
  QTest::newRow("a short write") << "write10" << "tbsave" << QStringList{cannot("write", "j1939.cfg", "only 10 of its 84 bytes were written")} << "j1939.cfg=same";
  QTest::newRow("a write that takes nothing") << "write0" << "save" << QStringList{cannot("write", "j1939.cfg", "only 0 of its 84 bytes were written")} << "j1939.cfg=same";
  QTest::newRow("a failed write") << "write-1" << "save" << QStringList{cannot("write", "j1939.cfg", "No space left on device")} << "j1939.cfg=same";
  QTest::newRow("a failed Save before Default: the edits stay") << "write-1" << "addr=44 answer=Save default shown=44" << QStringList{unsaved("j1939.cfg"), cannot("write", "j1939.cfg", "No space left on device")} << "j1939.cfg=same";
  QTest::newRow("a short write of a new file") << "write10" << "saveas=new.cfg" << QStringList{cannot("write", "new.cfg", "only 10 of its 84 bytes were written")} << "new.cfg=none";
  QTest::newRow("a short write over a longer file") << "write10" << "open=long.cfg addr=4A save" << QStringList{cannot("write", "long.cfg", "only 10 of its 84 bytes were written")} << "long.cfg=same";
  // The record was never shown: the half-made form is not stored, the file is not overwritten.
  QTest::newRow("a run ended at the start-up's message") << "cut40+kill" << "" << QStringList{cut40} << "j1939.cfg=same";
  // The opened record is written, never the half-filled form.
  QTest::newRow("a run ended at a message of Open") << "bench" << "kill open=zero.cfg" << QStringList{type, position, type, position} << "j1939.cfg=zero zero.cfg=same";
    // clang-format on
  }
  void fileCommands() {
    QFETCH(QString, start);
    QFETCH(QString, script);
    QFETCH(QStringList, messages);
    QFETCH(QString, files);
    Harness h;
    prepare(h, start);
    const QMap<QString, QByteArray> before = contents(h);
    h.simulatorAccepts();
    if (start.endsWith("kill")) run(h, "kill");
    h.start();
    if (start == "readonly")  // said before any editing, in the status bar too
      QCOMPARE(h.window->findChild<QLabel*>("sbStatusText")->text(),
               h.messages.shown.value(0).prompt);
    run(h, script);
    QCOMPARE(messagesOf(h), messages);
    if (script.contains("kill")) QVERIFY(h.window->hasShutDown() && !h.port.isOpen());
    if (start.endsWith("kill")) QVERIFY(h.port.log.filter("open").isEmpty());
    QVERIFY(h.fileDialogs.answers.isEmpty());
    checkFiles(h, files, before);
  }

  // The title names the file that Save writes and marks changes not saved in
  // it; Open, Default and closing over changes to an opened file ask first.
  void titleAndUnsavedChanges_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("title");  // as shown, '*' for changes
    QTest::addColumn<int>("questions");  // whether to save changes
    QTest::addColumn<QString>("files");  // as checkFiles() reads them
    // clang-format off
  QTest::newRow("loaded") << "" << "j1939.cfg" << 0 << "j1939.cfg=same";
  QTest::newRow("edited") << "addr=44" << "j1939.cfg*" << 0 << "j1939.cfg=same";
  QTest::newRow("edited back") << "addr=44 addr=25" << "j1939.cfg" << 0 << "j1939.cfg=same";
  QTest::newRow("mode changed") << "click=optStatic" << "j1939.cfg*" << 0 << "j1939.cfg=same";
  QTest::newRow("mode changed back") << "click=optStatic click=optDynamic" << "j1939.cfg" << 0 << "j1939.cfg=same";
  QTest::newRow("edited, saved") << "addr=44 save" << "j1939.cfg" << 0 << "j1939.cfg=44";
  QTest::newRow("saved as") << "addr=44 saveas=rig7" << "rig7" << 0 << "rig7=44 j1939.cfg=same";
  QTest::newRow("saved as, edited") << "saveas=rig7 addr=45" << "rig7*" << 0 << "rig7=25";
  QTest::newRow("opened") << "open=bench.cfg" << "bench.cfg" << 0 << "bench.cfg=same";
  QTest::newRow("Default") << "default" << "j1939.cfg*" << 0 << "j1939.cfg=same";
  QTest::newRow("Default over changes: Cancel") << "addr=44 answer=Cancel default" << "j1939.cfg*" << 1 << "j1939.cfg=same";
  QTest::newRow("Default over changes: Save") << "addr=44 answer=Save default" << "j1939.cfg*" << 1 << "j1939.cfg=44";
  QTest::newRow("Open over changes: Cancel, no dialog") << "addr=44 answer=Cancel open=" << "j1939.cfg*" << 1 << "j1939.cfg=same";
  QTest::newRow("Open over changes: Save") << "addr=44 answer=Save open=bench.cfg" << "bench.cfg" << 1 << "j1939.cfg=44 bench.cfg=same";
  QTest::newRow("close over an opened file's changes: Cancel") << "open=bench.cfg addr=44 answer=Cancel exit" << "bench.cfg*" << 1 << "bench.cfg=same j1939.cfg=same";
  QTest::newRow("close over an opened file's changes: Save") << "open=bench.cfg addr=44 answer=Save exit" << "closed" << 1 << "bench.cfg=44 j1939.cfg=44";
  QTest::newRow("close over an opened file's changes: Discard") << "open=bench.cfg addr=44 answer=Discard exit" << "closed" << 1 << "bench.cfg=same j1939.cfg=44";
  QTest::newRow("close over j1939.cfg's changes: nothing asked") << "addr=44 exit" << "closed" << 0 << "j1939.cfg=44";
  QTest::newRow("the system ends the run: nothing asked") << "open=bench.cfg addr=44 kill default" << "closed" << 1 << "bench.cfg=same j1939.cfg=44";
    // clang-format on
  }
  void titleAndUnsavedChanges() {
    QFETCH(QString, script);
    QFETCH(QString, title);
    QFETCH(int, questions);
    QFETCH(QString, files);
    Harness h;
    prepare(h, "bench");
    const QMap<QString, QByteArray> before = contents(h);
    h.simulatorAccepts();
    h.start();
    run(h, script);
    const QString shown =
        h.window->windowTitle().replace("[*]", h.window->isWindowModified() ? "*" : "");
    QCOMPARE(h.window->isVisible() ? shown : "closed",
             title == "closed" ? title : title + " \u2014 Tarvik Configuration");
    int asked = 0;
    for (const ShownMessage& message : h.messages.shown)
      asked += message.prompt.contains("Save them");
    QCOMPARE(asked, questions);
    // Cancel to the question shows no dialog: its scripted answer is left over.
    QCOMPARE(h.fileDialogs.answers.size(), script.contains("Cancel open") ? 1 : 0);
    checkFiles(h, files, before);
  }

  // File > Recent Files: the last eight files opened or saved, newest first,
  // kept across runs; one that is gone is said so and taken off; Clear.
  void recentFiles() {
    // The entries, "(grey)" where File > Recent Files or an entry cannot be chosen.
    const auto menu = [](Harness& h) {
      const QMenu* recent = h.find<QMenu>("mnuFileRecent");
      QStringList entries;
      for (const QAction* entry : recent->actions())
        entries << entry->text() + (entry->isEnabled() ? "" : " (grey)");
      return (recent->menuAction()->isEnabled() ? "" : "(grey) ") + entries.join('|');
    };
    Harness h;
    prepare(h, "bench");
    h.start();
    QCOMPARE(menu(h), "(grey) &Clear Recent Files (grey)");
    run(h,
        "open=bench.cfg saveas=a saveas=b saveas=c saveas=d saveas=e saveas=f saveas=g "
        "open=long.cfg open=bench.cfg");
    QCOMPARE(menu(h),
             "&1 bench.cfg|&2 long.cfg|&3 g|&4 f|&5 e|&6 d|&7 c|&8 b||&Clear Recent Files");
    QCOMPARE(h.settings.values.value("RecentFiles/File8"), h.path("b"));
    Harness again;
    again.settings.values = h.settings.values;
    prepare(again, "bench");
    again.simulatorAccepts();
    again.start();
    QVERIFY(QFile::remove(h.path("long.cfg")));
    for (int entry : {1, 0}) again.find<QMenu>("mnuFileRecent")->actions().at(entry)->trigger();
    QCOMPARE(messagesOf(again), QStringList{"Recent Files: " + h.path("long.cfg") +
                                            " no longer exists; it is taken off the list."});
    QCOMPARE(again.window->windowTitle(), "bench.cfg[*] \u2014 Tarvik Configuration");
    QCOMPARE(menu(again), "&1 bench.cfg|&2 g|&3 f|&4 e|&5 d|&6 c|&7 b||&Clear Recent Files");
    again.find<QAction>("mnuFileRecentClear")->trigger();
    QCOMPARE(menu(again) + again.settings.values.value("RecentFiles/File1"),
             "(grey) &Clear Recent Files (grey)");
    // Two files, or a file that is not local, are not taken.
    for (const QList<QUrl>& urls :
         {QList<QUrl>{QUrl::fromLocalFile(h.path("g")), QUrl::fromLocalFile(h.path("f"))},
          QList<QUrl>{QUrl("http://bench-pc/g.cfg")}}) {
      QMimeData two;
      two.setUrls(urls);
      QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &two, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(again.window.get(), &enter);
      QVERIFY(!enter.isAccepted());
    }
    // A file dragged onto the window and dropped opens as File > Open opens it.
    QMimeData dragged;
    dragged.setUrls({QUrl::fromLocalFile(h.path("g"))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(again.window.get(), &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(again.window.get(), &drop);
    QCOMPARE(menu(again) + ' ' + again.window->windowTitle(),
             "&1 g||&Clear Recent Files g[*] \u2014 Tarvik Configuration");
  }

  // j1939.cfg.lock beside j1939.cfg: held by another window, that window
  // writes j1939.cfg at exit and this one does not; Save still writes it. A
  // lock whose process is gone is taken over.
  void defaultFileHeldByAnotherWindow_data() {
    QTest::addColumn<QString>("lock");    // "live": this process holds it; "dead": a crashed run's
    QTest::addColumn<QString>("script");  // as in fileCommands
    QTest::addColumn<QString>("holds");   // the source address j1939.cfg holds afterwards
    QTest::newRow("held: exit leaves j1939.cfg") << "live"
                                                 << "addr=51 exit"
                                                 << "25";
    QTest::newRow("held: Save writes it") << "live"
                                          << "addr=52 save addr=53 exit"
                                          << "52";
    QTest::newRow("stale: taken over") << "dead"
                                       << "addr=54 exit"
                                       << "54";
  }
  void defaultFileHeldByAnotherWindow() {
    QFETCH(QString, lock);
    QFETCH(QString, script);
    QFETCH(QString, holds);
    Harness h;
    const QString lockPath = h.path("j1939.cfg.lock");
    QLockFile other(lockPath);
    if (lock == "live") {
      QVERIFY(other.tryLock(0));
    } else {  // the process id of a run that ended
      const qint64 pid = endedProcessId();
      QVERIFY(pid > 0);
      QVERIFY(writeBytes(lockPath, QStringLiteral("%1\nj1939config\n%2\n")
                                       .arg(pid)
                                       .arg(QSysInfo::machineHostName())
                                       .toUtf8()));
    }
    h.startOn(benchRecord());
    const auto* held = h.window->findChild<QLabel*>("sbStatusHeld");
    if (lock == "live") {
      const QString note =
          QStringLiteral("j1939.cfg is held by another window (process %1)").arg(getpid());
      QCOMPARE(h.window->windowTitle(), "j1939.cfg[*] \u2014 Tarvik Configuration \u2014 " + note);
      QVERIFY(held && held->text() == note + ": this window does not write it at exit");
      // The note follows the status text, before the port, the date and the time.
      QList<int> lefts;
      for (const char* panel :
           {"sbStatusText", "sbStatusHeld", "sbStatusPort", "sbStatusDate", "sbStatusTime"})
        lefts << h.find<QLabel>(panel)->x();
      QVERIFY2(std::is_sorted(lefts.cbegin(), lefts.cend()), qPrintable(QDebug::toString(lefts)));
    } else {
      QVERIFY(!held && h.window->windowTitle() == "j1939.cfg[*] \u2014 Tarvik Configuration");
      QVERIFY(QFile::exists(lockPath));  // this window's own now
    }
    run(h, script);
    QCOMPARE(messagesOf(h), QStringList());
    QCOMPARE(recordIn(h.path("j1939.cfg")).SourceAddress, uint8_t(holds.toUInt(nullptr, 16)));
    QCOMPARE(QFile::exists(lockPath), lock == "live");  // let go at exit
  }
  // Two real windows in one folder: the second says on its terminal that the
  // first holds j1939.cfg, and leaves the file to it at exit. The first is
  // given a file on its command line, as a launcher gives it: it opens it, and
  // so ends with that configuration.
  void twoWindowsInOneFolder() {
    QTemporaryDir dir;
    SimulatorProcess com1({}), com1Too({});  // each window's own COM1
    QProcess first, second;
    for (QProcess* window : {&first, &second}) {
      // Each window its own user, so that its COM1 opens and no port message waits.
      const QString home = dir.filePath(window == &first ? "first" : "second");
      QSettings(home + "/config/TarvikConfig/TarvikConfig.conf", QSettings::IniFormat)
          .setValue("Ports/COM1", (window == &first ? com1 : com1Too).device());
      QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
      environment.insert("HOME", home);
      environment.insert("XDG_CONFIG_HOME", home + "/config");
      environment.insert("XDG_RUNTIME_DIR", dir.path());
      window->setProcessEnvironment(environment);
      window->setWorkingDirectory(dir.path());
    }
    QFileSystemWatcher watcher({dir.path()});
    QSignalSpy changed(&watcher, &QFileSystemWatcher::directoryChanged);
    first.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const SimulatorConfig given =
        benchRecord([](auto& c) { c.ComPortIndex = 0, c.SourceAddress = 0x33; });
    QVERIFY(writeRecord(dir.filePath("given.cfg"), given));
    first.start(programPath("j1939config"), {dir.filePath("given.cfg")});
    const QString cfg = dir.filePath("j1939.cfg");
    while (!QFile::exists(cfg)) QVERIFY2(changed.wait(30000), "no j1939.cfg");
    second.setReadChannel(QProcess::StandardError);
    second.start(programPath("j1939config"), {});
    const QByteArray note = QStringLiteral(
                                "j1939config: j1939.cfg is held by another window "
                                "(process %1): this window does not write it at exit")
                                .arg(first.processId())
                                .toUtf8();
    QByteArray said;
    while (!said.contains(note) && second.waitForReadyRead(30000))
      said += second.readAllStandardError();
    QVERIFY2(said.contains(note), said.constData());
    const QByteArray marker = EncodeConfigRecord(benchRecord());
    QVERIFY(writeBytes(cfg, marker));
    // A bench script's write of j1939.cfg is held off by the first window too.
    qputenv("J1939CFG_LOCK_WAIT_MS", "100");
    const Run set = runCfg({"set", cfg, "SourceAddress=0x26"});
    qunsetenv("J1939CFG_LOCK_WAIT_MS");
    QCOMPARE(set.exitCode, 2);
    QVERIFY2(set.err.contains(QStringLiteral("process %1").arg(first.processId())),
             qPrintable(set.err));
    QCOMPARE(fileBytes(cfg), marker);
    for (QProcess* window : {&second, &first}) {
      QCOMPARE(::kill(static_cast<pid_t>(window->processId()), SIGTERM), 0);
      QVERIFY(window->waitForFinished(30000));
      QCOMPARE(window->exitCode(), 0);
      // The second leaves the file alone; the first writes its own form.
      QCOMPARE(fileBytes(cfg) == marker, window == &second);
    }
    QCOMPARE(fileBytes(cfg), EncodeConfigRecord(storedBack(given)));
  }

  // The settings file's own store says why it could not write the file.
  void settingsStoreSaysWhyItCannotWrite() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("taken.conf"));
    for (const QString name : {"taken.conf", "fine.conf"}) {
      QtSettingsStore store(dir.filePath(name));
      store.setValue("Ports", "COM1", "/dev/ttyUSB0");
      const MaybeFailure failure = store.sync();
      QCOMPARE(failure ? DescribeFailure(*failure) : QString(),
               name == "fine.conf"
                   ? QString()
                   : "Cannot write the settings file " + dir.filePath(name) + ": it is a folder");
    }
    QCOMPARE(QSettings(dir.filePath("fine.conf"), QSettings::IniFormat).value("Ports/COM1"),
             "/dev/ttyUSB0");
    // A hand edit of the file meanwhile (in an editor: written by another
    // process) is read without a restart, once the event loop has turned.
    QtSettingsStore store(dir.filePath("fine.conf"));
    QCOMPARE(store.value("Ports", "COM1"), "/dev/ttyUSB0");
    QVERIFY(!store.contains("Ports", "COM2"));
    QVERIFY(writeBytes(dir.filePath("fine.conf"), "[Ports]\nCOM1=/dev/ttyACM0\nCOM2=/dev/a,b\n"));
    QCoreApplication::processEvents();
    QCOMPARE(store.value("Ports", "COM1") + ' ' + store.value("Ports", "COM2"),
             "/dev/ttyACM0 /dev/a,b");
  }

  // The desktop's dialogs get the file filter as Qt's name filters; Open
  // takes only a file that exists.
  void dialogNameFilters() {
    QtFileDialogs dialogs;
    QStringList modes;
    for (bool save : {false, true}) {
      QTimer::singleShot(0, [&modes] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        modes << dialog->windowTitle() + ' ' + QString::number(dialog->fileMode()) + ' ' +
                     dialog->nameFilters().join(';');
        dialog->reject();
      });
      QCOMPARE(save ? dialogs.getSaveFileName("save as", ConfigFileFilter())
                    : dialogs.getOpenFileName("Open", ConfigFileFilter()),
               QString());
    }
    QCOMPARE(modes, QStringList({"Open 1 J1939 Configure File (*.cfg)",
                                 "save as 0 J1939 Configure File (*.cfg)"}));
    QCOMPARE(ToQtNameFilters(QStringLiteral("Text|*.txt|All|*")),
             QStringLiteral("Text (*.txt);;All (*)"));
  }

  // "Default" fills the form only; the store then takes the factory values.
  void defaultThenStore() {
    Harness h;
    const SimulatorConfig bench = benchRecord([](auto& c) { c.SimulatorVersion = 0; });
    h.startOn(bench);
    const QByteArray file = fileBytes(h.path("j1939.cfg"));
    QTest::mouseClick(h.find<QPushButton>("cmdDefault"), Qt::LeftButton);
    QCOMPARE(fileBytes(h.path("j1939.cfg")), file);
    QCOMPARE(h.find<QComboBox>("cmbIndustrygroup")->currentText(),
             "0");  // the NAME fields follow the bytes
    h.find<QAction>("mnuFileSave")->trigger();
    QCOMPARE(h.messages.titles(), QStringList());
    QCOMPARE(fileBytes(h.path("j1939.cfg")).toHex(' '),
             EncodeConfigRecord(factoryOver(bench)).toHex(' '));
  }
  void exitKeepsWhatCannotBeStoredAndWritesTheRest() {
    Harness h;
    h.startOn(benchRecord());
    enter(h.find<QLineEdit>("txtJ1939Addr"), "11");            // before both
    SetListIndex(h.find<QComboBox>("cmbParameterType1"), -1);  // cannot be stored
    h.find<QLineEdit>("txtDeviceName0")->setText("7A");        // between them
    h.find<QLineEdit>("txtVIN")->setText("WDB9634031L12345");  // cannot be stored
    SetListIndex(h.find<QComboBox>("cmbCANBUSBaudRate"), 0);   // after both
    QByteArray fileWhenTold;
    h.messages.whileShown = [&](const ShownMessage&) {
      fileWhenTold = fileBytes(h.path("j1939.cfg"));
    };
    h.window->close();
    QCOMPARE(messagesOf(h),
             QStringList{"Configuration not stored: j1939.cfg was written, but these fields could "
                         "not be stored and kept their earlier values: \"Parameter Type\" in "
                         "\"Additional PGN1\": no entry is selected; \"VIN\": it has 16 "
                         "characters; a VIN needs 17."});
    QCOMPARE(fileWhenTold, fileBytes(h.path("j1939.cfg")));  // written before the message
    QCOMPARE(fileBytes(h.path("j1939.cfg")), EncodeConfigRecord(benchRecord([](auto& c) {
               c.SourceAddress = 0x11;
               c.DeviceName[0] = 0x7A;
               c.CanBaudRate = 0;
             })));
  }
  // The system ends the run while the About box waits: the box closes, the
  // form is stored and the place and size kept, once. A window started on
  // those settings takes them back; one kept off today's screen is centred.
  void geometryKeptAndTakenBack() {
    Harness h;
    h.startOn(benchRecord());
    const QRect screen = h.window->screen()->availableGeometry();
    // Centred before it has a frame: within the frame's own width.
    const auto centred = [&screen](const QWidget& window) {
      const QRect frame = window.frameGeometry();
      const int left = frame.left() - screen.left(), right = screen.right() - frame.right();
      return qAbs(left - right) <= frame.width() - window.width();
    };
    QVERIFY(centred(*h.window));                      // nothing kept yet
    h.window->move(screen.topLeft() + QPoint(3, 5));  // not where it was centred
    enter(h.find<QLineEdit>("txtJ1939Addr"), "4F");
    QTimer::singleShot(0, h.window.get(), [&h] { h.window->requestClose(); });
    h.window->showAbout();  // returns once the box has closed
    QCOMPARE(recordIn(h.path("j1939.cfg")).SourceAddress, uint8_t(0x4F));
    QVERIFY(h.settings.syncs >= 1 && !h.port.isOpen());
    QVERIFY(writeBytes(h.path("j1939.cfg"), "left alone"));  // once: nothing later writes
    h.window->close();
    h.find<QAction>("mnuFileSave")->trigger();
    QCOMPARE(fileBytes(h.path("j1939.cfg")), QByteArray("left alone"));
    QCOMPARE(h.settings.writes.size(), 4);
    for (const bool offScreen : {false, true}) {
      Harness again;
      again.settings.values = h.settings.values;
      if (offScreen)  // in twips, 15 to the pixel at 96 dpi
        again.settings.values["Settings/MainLeft"] = QString::number(screen.right() * 15);
      again.startOn(benchRecord());
      const QRect frame = again.window->frameGeometry();
      if (!offScreen) QCOMPARE(frame, h.window->frameGeometry());
      QVERIFY(offScreen ? centred(*again.window) : frame.left() - screen.left() == 3);
    }
  }
};

J1939_TEST_MAIN(FilesTest, "files")
#include "tst_files.moc"
