#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

enum class MessageIcon { None, Information };

// Every report of the tool is a modal message box with an OK button only.
class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // Shows the box and returns when the user has closed it.
  virtual void show(const QString& prompt, const QString& title, MessageIcon icon) = 0;
};

class QtMessageBoxes : public MessageBoxes {
 public:
  void setOwner(QWidget* owner) { owner_ = owner; }
  void show(const QString& prompt, const QString& title, MessageIcon icon) override;

 private:
  QPointer<QWidget> owner_;
};
