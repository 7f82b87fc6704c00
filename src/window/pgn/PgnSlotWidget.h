#pragma once

#include <QGroupBox>
#include <QList>
#include <memory>

class QCheckBox;
class QComboBox;
class QLineEdit;
namespace Ui {
class frmPgnSlot;
}  // namespace Ui

namespace j1939 {

// The controls of one additional PGN slot, the ten editing controls in the
// order in which the slot is enabled or greyed out, then its delete box.
struct PgnSlotControls {
  QComboBox* updateRate = nullptr;
  QComboBox* priority = nullptr;
  QCheckBox* reserveBit = nullptr;
  QCheckBox* dataPage = nullptr;
  QLineEdit* pf = nullptr;
  QLineEdit* ps = nullptr;
  QLineEdit* dataLength = nullptr;
  QLineEdit* pgn = nullptr;
  QComboBox* parameterType = nullptr;
  QLineEdit* parameterPos = nullptr;
  QCheckBox* deletePgn = nullptr;
};

// The group box of one additional PGN slot, one Designer form used for both
// slots. Its controls are named for their slot, as the window's own controls
// are: txtPGN1 in the first, txtPGN2 in the second.
class PgnSlotWidget : public QGroupBox {
  Q_OBJECT
 public:
  explicit PgnSlotWidget(QWidget* parent = nullptr);
  ~PgnSlotWidget() override;

  // Makes the box that of slot 0 or 1: its title, the names of its controls,
  // what they are called for screen readers, and the captions in which the
  // two slots differ.
  void setSlot(int slot);
  PgnSlotControls controls() const;
  // The controls in the order the Tab key visits them.
  QList<QWidget*> tabOrder() const;

 private:
  std::unique_ptr<Ui::frmPgnSlot> ui_;
};

}  // namespace j1939
