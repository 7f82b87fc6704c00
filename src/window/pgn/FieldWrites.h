#pragma once

#include <QLineEdit>
#include <QString>

// Writes a new text into a box. Writing the text it already shows is no change:
// it runs no handler and, unlike QLineEdit::setText, keeps the caret and the
// selection that an earlier step of the handler made.
inline void writeText(QLineEdit* box, const QString& text) {
  if (box->text() != text) box->setText(text);
}
