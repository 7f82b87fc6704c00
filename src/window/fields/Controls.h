#pragma once

#include <QCheckBox>
#include <QtGlobal>

class QComboBox;
class QLineEdit;

namespace j1939 {

// The control operations that the handlers rely on, with the meaning the tool
// gives them rather than Qt's.

// Check-box values: 0 clear, 1 ticked, 2 greyed. Qt numbers its states
// differently, so the two are mapped here and nowhere else.
int CheckValue(const QCheckBox* box);
// Sets the value; false (and nothing changed) for a value other than 0, 1 or 2.
bool SetCheckValue(QCheckBox* box, int value);
// Runs `handler` on every change of the box's state, by the user or by code.
// Qt 6.7 named the signal anew (checkStateChanged); both say the same here.
template <typename Context, typename Handler>
void OnCheckStateChange(QCheckBox* box, Context* context, Handler handler) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 7, 0)
  QObject::connect(box, &QCheckBox::checkStateChanged, context, handler);
#else
  QObject::connect(box, &QCheckBox::stateChanged, context, handler);
#endif
}
// Only the ticked state counts as set.
inline bool IsTicked(const QCheckBox* box) {
  return CheckValue(box) == 1;
}

// The control as the user knows it, for messages: its caption (the label
// that names it, or a check box's own text), and the group it sits in:
// "Data Page bit is 1" in "Additional PGN1".
QString CaptionOf(const QWidget* control);

// Selects an entry by index, -1 for none. false (and nothing changed) for an
// index the list cannot take: Qt would quietly turn it into -1.
bool SetListIndex(QComboBox* list, int index);

// Caret to the start and the whole text selected, the focus left where it is.
void SelectAll(QLineEdit* box);
// The keyboard focus to the box, then the whole text selected.
void FocusAndSelect(QLineEdit* box);

}  // namespace j1939
