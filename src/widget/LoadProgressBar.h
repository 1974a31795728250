#pragma once

#include <QElapsedTimer>
#include <QProgressBar>

#include <algorithm>

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

    // Rows are read far faster than a screen can show them, and every
    // setValue makes Qt work out the bar's geometry again and repaint it there
    // and then. So a row's value is passed on once a frame, when it moves the
    // drawn bar by at least a pixel (or back, or to the end); settle() passes
    // on the last one once a reply's rows are read.
    void showProgress(int value)
    {
        if (value > maximum())
            setMaximum(value);
        pending_ = value;
        const int shown = this->value();
        const bool visible = value < shown || value - shown >= valuesPerPixel() || value == maximum();
        if (visible && (value == maximum() || frameDue()))
            setValue(value);
    }

    void settle()
    {
        if (pending_ > 0)
            setValue(pending_);
        pending_ = 0;
    }

    void showFull() { setValue(maximum()); }

private:
    int valuesPerPixel() const
    {
        const qint64 range = qint64(maximum()) - minimum();
        return static_cast<int>(std::max<qint64>(1, range / std::max(1, width())));
    }

    bool frameDue()
    {
        if (lastShown_.isValid() && !lastShown_.hasExpired(kFrameMs))
            return false;
        lastShown_.start();
        return true;
    }

    static constexpr qint64 kFrameMs = 16;
    int pending_ = 0;
    QElapsedTimer lastShown_;
};

} // namespace vendorcenter
