#include "MessageBoxWatcher.h"

#include <QAbstractButton>
#include <QApplication>

MessageBoxWatcher::MessageBoxWatcher()
{
    connect(&timer_, &QTimer::timeout, this, [this] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto *box = qobject_cast<QMessageBox *>(widget);
            if (!box || !box->isVisible() || box->property("vc_answered").toBool())
                continue;
            box->setProperty("vc_answered", true);
            seen_.append({box->text(), box->windowTitle(), box->icon()});
            if (QAbstractButton *ok = box->button(QMessageBox::Ok))
                ok->click();
            else
                box->accept();
        }
    });
    timer_.start(5);
}

QStringList MessageBoxWatcher::texts() const
{
    QStringList texts;
    for (const Seen &seen : seen_)
        texts << seen.text;
    return texts;
}
