#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

namespace j1939 {

enum class MessageIcon { None, Information };
enum class SaveAnswer { Save, Discard, Cancel };

// Every report of the tool is a modal message box with an OK button only; the
// one question it asks is whether to save changes before they are replaced.
class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // Shows the box and returns when the user has closed it.
  virtual void show(const QString& prompt, const QString& title, MessageIcon icon) = 0;
  // Save / Discard / Cancel; closing the box is Cancel.
  virtual SaveAnswer askToSave(const QString& prompt, const QString& title) = 0;
};

class QtMessageBoxes : public MessageBoxes {
 public:
  void setOwner(QWidget* owner) { owner_ = owner; }
  void show(const QString& prompt, const QString& title, MessageIcon icon) override;
  SaveAnswer askToSave(const QString& prompt, const QString& title) override;

 private:
  QPointer<QWidget> owner_;
};

}  // namespace j1939
