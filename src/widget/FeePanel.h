#pragma once

#include <QObject>
#include <QString>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QWidget;

namespace vendorcenter {

class CenterListView;
struct CenterRow;

// What "Save" makes of the typed fee.
struct FeeEntry
{
    enum class Verdict { Accepted, NotANumber, NotBelow100 };
    Verdict verdict = Verdict::NotANumber;
    double value = 0.0;
};

// Checks a typed fee: blanks (code 32) around it are ignored, the rest must be
// a plain decimal number under the user's regional settings, below 100.
FeeEntry checkFeeEntry(const QString &typed);

// The message that refuses a fee; empty for an accepted one.
QString feeEntryMessage(FeeEntry::Verdict verdict);

// A fee the user saved for a selected row, as "Save" formats it.
struct FeeIntent
{
    int position = 0;
    QString fee;
};

// What writing a fee changed in its row.
struct FeeDelta
{
    int position = 0;
    QString feeBefore;
    QString dutyBefore;
    QString feeAfter;
    QString dutyAfter;
};

// Writes the fee into the selected row and marks the row as changed.
FeeDelta writeFee(CenterListView *selected, const FeeIntent &intent);
// Puts a row's fee and duty text back as they were before or after a write.
void putFee(CenterListView *selected, int position, const QString &fee, const QString &duty);

// The handling-fee panel under the selected list: "Update" enters editing,
// "Save" checks the number and writes it into the current selected row.
// Whether "Update" can be pressed is the control's to say.
class FeePanel : public QObject
{
    Q_OBJECT

public:
    struct Widgets
    {
        QLineEdit *feeBox; // txtCntHandFee
        QCheckBox *dutyBox; // chkDuty
        QPushButton *updateButton; // cmdcenterHandFee
        CenterListView *selected; // lstSelectedCenters, whose current row takes the fee
        QWidget *dialogParent; // the control, over which the refusals are shown
    };

    explicit FeePanel(const Widgets &widgets, QObject *parent = nullptr);

    // Empties both fields and ends an edit in progress.
    void reset();
    // Fills the two fields from a selected row (fee text and duty flag).
    void showRow(const CenterRow &row);
    // Empties the fee box and unchecks the duty box.
    void clearFields();
    // Ends an edit in progress ("Save" back to "Update", read-only) without
    // touching the fields.
    void leaveEditing();
    bool isEditing() const { return editing_; }
    // Puts the panel back as an undo or redo step kept it.
    void putBack(bool editing, const QString &feeText, bool writable, bool dutyChecked);

signals:
    // "Save" accepted a typed fee for the current selected row.
    void feeEntered(const FeeIntent &intent);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void onButtonClicked();
    void beginEditing();
    void saveFee();
    void refuse(FeeEntry::Verdict verdict);

    Widgets ui_;
    bool editing_ = false; // "Save" shows on the button and the fee box takes typing
};

} // namespace vendorcenter
