#pragma once

class QLineEdit;

namespace vendorcenter {

// Read-only boxes show the button-face colour behind their text; writable
// ones the normal window background. The two always change together.
void setTextBoxWritable(QLineEdit *box, bool writable);
bool isTextBoxWritable(const QLineEdit *box);

} // namespace vendorcenter
