#pragma once

#include <QProgressBar>

namespace vendorcenter {

// The load's progress bar. A value past the maximum (another user added
// centers between the count and the list queries) stretches the range
// instead of failing the load; a zero total keeps the last usable range.
class LoadProgressBar : public QProgressBar
{
    Q_OBJECT

public:
    using QProgressBar::QProgressBar;

    void setTotal(int total)
    {
        if (total > minimum())
            setMaximum(total);
    }

    void showProgress(int value)
    {
        if (value > maximum())
            setMaximum(value);
        setValue(value);
    }

    void showFull() { setValue(maximum()); }
};

} // namespace vendorcenter
