#include "widget/TextBoxLook.h"

#include <QApplication>
#include <QLineEdit>
#include <QStyle>

namespace vendorcenter {

void setTextBoxWritable(QLineEdit *box, bool writable)
{
    QPalette palette = box->palette();
    const QPalette standard = box->style()->standardPalette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base,
            writable ? standard.color(group, QPalette::Base) : palette.color(group, QPalette::Button));
    }
    box->setPalette(palette);
    box->setReadOnly(!writable);
}

bool isTextBoxWritable(const QLineEdit *box)
{
    return !box->isReadOnly();
}

} // namespace vendorcenter
