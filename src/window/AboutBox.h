#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class frmAbout;
}

namespace j1939 {

// The About box: title, version and maker notice, closed with OK.
class AboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit AboutBox(QWidget* owner);
  ~AboutBox() override;

 private:
  void showProductFacts();

  std::unique_ptr<Ui::frmAbout> ui_;
};

}  // namespace j1939
