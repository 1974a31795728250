#pragma once

#include <initializer_list>

class QLineEdit;
class QUndoStack;
class QWidget;

namespace vendorcenter {

// Ctrl+Z undoes the control's last edit and Ctrl+Y / Ctrl+Shift+Z redoes it,
// anywhere in the control, also over the text boxes in `boxes`, which would
// otherwise take the keys for their own text.
void addUndoKeys(QWidget *control, QUndoStack *stack, std::initializer_list<QLineEdit *> boxes);

} // namespace vendorcenter
