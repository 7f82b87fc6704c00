#pragma once

#include <QObject>
#include <QString>
#include <cstdint>

class QComboBox;
class QLineEdit;

namespace j1939 {

class MessageBoxes;

// The data of one additional PGN slot: its data length, the size of the one
// parameter the simulator varies in it, and the byte where that parameter
// starts. The parameter must fit inside the data, so the three rules form a
// chain: a new data length re-runs the type rule, the type rule re-runs the
// position rule. One object per slot.
class ParameterLayout : public QObject {
  Q_OBJECT
 public:
  // maxParameterPos is the slot's bound in the window's state
  // (MaxParameterPos of its slot), written by the position rule only.
  ParameterLayout(QLineEdit* dataLength, QComboBox* parameterType, QLineEdit* parameterPos,
                  int16_t& maxParameterPos, MessageBoxes& messages);

  // Data-length rule: 1 to 1785 bytes (255 transport packets of 7 bytes).
  void checkDataLength();
  // Type rule: a 2-byte parameter needs 2 data bytes, a 4-byte one 4.
  void checkParameterType();
  // Position rule: 1 to data length - parameter size + 1.
  void checkParameterPos();

 private:
  void tell(const QString& prompt, const QString& title);

  QLineEdit* dataLength_;
  QComboBox* parameterType_;
  QLineEdit* parameterPos_;
  int16_t& maxParameterPos_;
  MessageBoxes& messages_;
};

}  // namespace j1939
