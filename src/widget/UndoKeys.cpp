#include "widget/UndoKeys.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QShortcut>
#include <QUndoStack>

namespace vendorcenter {

namespace {

bool isUndoOrRedo(const QKeyEvent *key)
{
    return key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo)
        || key->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_Y);
}

// A text box that is asked whether it wants an undo or redo key says no, so
// the control's shortcut takes the key.
class UndoKeysOverTextBoxes : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::ShortcutOverride && isUndoOrRedo(static_cast<QKeyEvent *>(event)))
            return true; // not accepted
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void addUndoKeys(QWidget *control, QUndoStack *stack, std::initializer_list<QLineEdit *> boxes)
{
    QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
    if (!redoKeys.contains(QKeySequence(Qt::CTRL | Qt::Key_Y)))
        redoKeys << QKeySequence(Qt::CTRL | Qt::Key_Y);
    for (const QKeySequence &key : QKeySequence::keyBindings(QKeySequence::Undo))
        new QShortcut(key, control, stack, &QUndoStack::undo, Qt::WidgetWithChildrenShortcut);
    for (const QKeySequence &key : std::as_const(redoKeys))
        new QShortcut(key, control, stack, &QUndoStack::redo, Qt::WidgetWithChildrenShortcut);
    auto *filter = new UndoKeysOverTextBoxes(control);
    for (QLineEdit *box : boxes)
        box->installEventFilter(filter);
}

} // namespace vendorcenter
