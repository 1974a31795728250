#include "widget/InputBlock.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace vendorcenter {

namespace {

bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        return true;
    default:
        return false;
    }
}

} // namespace

InputBlock::InputBlock(QWidget *control) : control_(control)
{
    qApp->installEventFilter(this);
}

InputBlock::~InputBlock()
{
    qApp->removeEventFilter(this);
}

bool InputBlock::eventFilter(QObject *watched, QEvent *event)
{
    if (!watched->isWidgetType() || !isUserInput(event->type()))
        return false;
    const auto *widget = static_cast<QWidget *>(watched);
    // Dialogs over the control are windows of their own and stay usable.
    if (widget != control_ && !control_->isAncestorOf(widget))
        return false;
    // Taken here, so no shortcut of the control fires either.
    if (event->type() == QEvent::ShortcutOverride)
        event->accept();
    else
        event->ignore();
    return true;
}

} // namespace vendorcenter
