#pragma once

#include <QDockWidget>
#include <QStringList>

#include "window/link/ConfigDownload.h"

class QPlainTextEdit;

namespace j1939 {

class FileDialogs;
class MessageBoxes;

// View > "Download Log": each download of the run with its time, the port and
// its device, the frame sent in hex (as `j1939cfg frame` prints it), what came
// back and the verdict. The last 200 are kept; the text can be copied or saved.
class DownloadLog : public QDockWidget {
  Q_OBJECT
 public:
  static constexpr int kKept = 200;

  DownloadLog(FileDialogs& dialogs, MessageBoxes& messages, QWidget* parent = nullptr);

  void add(const DownloadEntry& entry);
  QString text() const { return entries_.join(QLatin1Char('\n')); }
  // Asks for a file and writes the log there as text.
  void saveAs();

  static QString describe(const DownloadEntry& entry);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void makeBody();

  FileDialogs& dialogs_;
  MessageBoxes& messages_;
  QPlainTextEdit* view_ = nullptr;
  QStringList entries_;
};

}  // namespace j1939
