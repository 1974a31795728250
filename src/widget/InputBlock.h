#pragma once

#include <QObject>

class QWidget;

namespace vendorcenter {

// While it lives, no key, click, drop or context menu reaches the control or
// any widget on it; the rest of the application, paints and the wheel go on
// as before. A commit in flight thus sends the rows as the user sees them.
class InputBlock : public QObject
{
public:
    explicit InputBlock(QWidget *control);
    ~InputBlock() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *control_;
};

} // namespace vendorcenter
