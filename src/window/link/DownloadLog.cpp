#include "window/link/DownloadLog.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

#include "rules/protocol/ConfigFrames.h"
#include "window/desktop/FileDialogs.h"
#include "window/desktop/MessageBoxes.h"

namespace j1939 {

DownloadLog::DownloadLog(FileDialogs& dialogs, MessageBoxes& messages, QWidget* parent)
    : QDockWidget(tr("Download Log"), parent), dialogs_(dialogs), messages_(messages) {
  setObjectName(QStringLiteral("dockDownloadLog"));
}

// The view and its buttons are made when the log is first shown or written:
// most runs never open it, and a start-up need not lay out a text editor.
void DownloadLog::makeBody() {
  if (view_) return;
  auto* body = new QWidget(this);
  view_ = new QPlainTextEdit(body);
  view_->setObjectName(QStringLiteral("txtDownloadLog"));
  view_->setReadOnly(true);
  view_->setLineWrapMode(QPlainTextEdit::NoWrap);
  view_->setAccessibleName(tr("Download log"));
  auto* copy = new QPushButton(tr("&Copy"), body);
  copy->setObjectName(QStringLiteral("cmdCopyDownloadLog"));
  auto* save = new QPushButton(tr("Save &As..."), body);
  save->setObjectName(QStringLiteral("cmdSaveDownloadLog"));
  connect(copy, &QPushButton::clicked, this,
          [this] { QApplication::clipboard()->setText(text()); });
  connect(save, &QPushButton::clicked, this, &DownloadLog::saveAs);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(copy);
  buttons->addWidget(save);
  auto* layout = new QVBoxLayout(body);
  layout->addWidget(view_);
  layout->addLayout(buttons);
  setWidget(body);
}

void DownloadLog::showEvent(QShowEvent* event) {
  makeBody();
  QDockWidget::showEvent(event);
}

QString DownloadLog::describe(const DownloadEntry& e) {
  const QString verdict =
      e.accepted ? tr("Configuration is successfull!") : tr("Configuration fails!");
  return tr("%1  %2 \u2192 %3\n"
            "  sent      %4 (%5 bytes)\n"
            "  received  %6\n"
            "  verdict   %7\n")
      .arg(e.when.toString(Qt::ISODate), e.port, QDir::toNativeSeparators(e.device),
           HexBytes(e.frame))
      .arg(e.frame.size())
      .arg(e.reply.isEmpty() ? tr("nothing") : HexBytes(e.reply),
           e.reason.isEmpty() ? verdict : verdict + QStringLiteral(" (") + e.reason + ')');
}

void DownloadLog::add(const DownloadEntry& entry) {
  entries_ << describe(entry);
  if (entries_.size() > kKept) entries_.removeFirst();
  makeBody();
  view_->setPlainText(text());
  view_->moveCursor(QTextCursor::End);
}

void DownloadLog::saveAs() {
  const QString name = dialogs_.getSaveFileName(tr("Save Download Log"), tr("Text (*.txt)|*.txt"));
  if (name.isEmpty()) return;
  QSaveFile file(name);
  const QByteArray bytes = text().toUtf8();
  if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit()) return;
  messages_.show(tr("Cannot write the download log %1: %2")
                     .arg(QDir::toNativeSeparators(name), file.errorString()),
                 tr("Download Log"), MessageIcon::Information);
}

}  // namespace j1939

#include "moc_DownloadLog.cpp"
