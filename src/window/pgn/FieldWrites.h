#pragma once

#include <QLineEdit>
#include <QString>

#include "window/fields/Controls.h"

namespace j1939 {

// Writes a new text into a box. Writing the text it already shows is no change:
// it runs no handler and, unlike QLineEdit::setText, keeps the caret and the
// selection that an earlier step of the handler made.
inline void WriteText(QLineEdit* box, const QString& text) {
  if (box->text() != text) box->setText(text);
}

// A text the box does not keep: rewritten, and selected whole for the user to type over.
inline void RewriteSelected(QLineEdit* box, const QString& text) {
  WriteText(box, text);
  SelectAll(box);
}

}  // namespace j1939
