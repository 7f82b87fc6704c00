#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QString>
#include <QStringList>
#include <QtTest>
#include <array>

#include "support/Harness.h"

// The controls of one additional PGN slot as a test reaches them.
struct Slot {
  QComboBox* updateRate;
  QComboBox* priority;
  QCheckBox* reserveBit;
  QCheckBox* dataPage;
  QLineEdit* pf;
  QLineEdit* ps;
  QLineEdit* dataLength;
  QLineEdit* pgn;
  QComboBox* parameterType;
  QLineEdit* parameterPos;
  QCheckBox* deletePgn;

  static Slot of(Harness& h, int slot);
  // The ten controls that the delete box greys out, in their order.
  std::array<QWidget*, 10> editingControls() const;
};

// Starts the window and gives both slots a sensible state through their
// controls, as the form binding will at start-up: in use, 8 data bytes,
// "Single Byte" at position 1, and the two PGN texts given (different, so that
// no slot rule fires). Then activates the window and forgets the messages.
void prepareSlots(Harness& h, const QString& pgn1 = QStringLiteral("0"),
                  const QString& pgn2 = QStringLiteral("200704"));

// The user selects the whole text and types over it, key by key; an empty
// text is typed as a Backspace over the selection.
void typeOver(QLineEdit* box, const QString& text);
// The user pastes over the whole text: one change.
void pasteOver(QLineEdit* box, const QString& text);
// typeOver or pasteOver.
void enter(QLineEdit* box, const QString& text, bool typed);

// A new data row named "slot N: name", its first column the slot (0 or 1).
QTestData& slotRow(int slot, const char* name);

// The messages shown, each as "title | prompt | icon" (icon "info" or "none").
QStringList shownMessages(const RecordingMessageBoxes& messages);
QString infoMessage(const QString& title, const QString& prompt);
QString ruleMessage(const QString& title, const QString& prompt);
QString pgnRangeMessage();

// The slot's "PGN", "PF" or "PS" box.
QLineEdit* boxNamed(const Slot& s, const QString& name);

// Caret at the start and the whole (non-empty) text selected.
bool wholeTextSelected(const QLineEdit* box);

// The slot-rule prompts, slot 0 or 1.
QString existedTitle(int slot);
QString existedPrompt(int slot);
QString equalPrompt();
