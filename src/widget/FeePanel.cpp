#include "widget/FeePanel.h"

#include "core/CenterRow.h"
#include "core/Formats.h"
#include "core/Marks.h"
#include "widget/CenterListView.h"
#include "widget/TextBoxLook.h"

#include <QCheckBox>
#include <QEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace vendorcenter {

namespace {

QString updateCaption()
{
    return FeePanel::tr("Update");
}

QString saveCaption()
{
    return FeePanel::tr("Save");
}

void selectWholeText(QLineEdit *box)
{
    box->setSelection(0, static_cast<int>(box->text().size()));
}

} // namespace

FeeEntry checkFeeEntry(const QString &typed)
{
    const QString text = formats::withoutBlanks(typed);
    if (!formats::isUserDecimal(text))
        return {FeeEntry::Verdict::NotANumber, 0.0};
    const std::optional<double> value = formats::readNumber(text);
    if (!value)
        return {FeeEntry::Verdict::NotANumber, 0.0};
    if (*value >= 100.0)
        return {FeeEntry::Verdict::NotBelow100, *value};
    return {FeeEntry::Verdict::Accepted, *value};
}

QString feeEntryMessage(FeeEntry::Verdict verdict)
{
    switch (verdict) {
    case FeeEntry::Verdict::NotANumber:
        return FeePanel::tr("The Numeric value will be required");
    case FeeEntry::Verdict::NotBelow100:
        return FeePanel::tr("The Numeric value should be less Than 100");
    case FeeEntry::Verdict::Accepted:
        break;
    }
    return {};
}

QString dutyAfterFeeSaved(const QString &duty)
{
    return marks::isUnmarked(duty) ? duty + QLatin1Char('U') : duty;
}

FeePanel::FeePanel(const Widgets &widgets, QObject *parent) : QObject(parent), ui_(widgets)
{
    connect(ui_.updateButton, &QPushButton::clicked, this, &FeePanel::onButtonClicked);
    ui_.feeBox->installEventFilter(this);
}

void FeePanel::reset()
{
    clearFields();
    leaveEditing();
}

void FeePanel::showRow(const CenterRow &row)
{
    ui_.feeBox->setText(row.handlingFee());
    ui_.dutyBox->setChecked(marks::flagOf(row.duty()) == QLatin1String("1"));
}

void FeePanel::clearFields()
{
    ui_.feeBox->clear();
    ui_.dutyBox->setChecked(false);
}

void FeePanel::leaveEditing()
{
    if (!isEditing())
        return;
    ui_.updateButton->setText(updateCaption());
    setTextBoxWritable(ui_.feeBox, false);
}

bool FeePanel::isEditing() const
{
    return ui_.updateButton->text() == saveCaption();
}

bool FeePanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui_.feeBox && event->type() == QEvent::FocusIn) {
        // A mouse press that brings the focus places the cursor after this
        // event, so the selection is made once the press has been handled.
        QPointer<QLineEdit> box = ui_.feeBox;
        QTimer::singleShot(0, box, [box] {
            if (box)
                selectWholeText(box);
        });
    }
    return QObject::eventFilter(watched, event);
}

void FeePanel::onButtonClicked()
{
    if (ui_.updateButton->text() == updateCaption())
        beginEditing();
    else
        saveFee();
}

void FeePanel::beginEditing()
{
    setTextBoxWritable(ui_.feeBox, true);
    ui_.feeBox->setFocus();
    // The focus may not arrive while the control's window is inactive.
    selectWholeText(ui_.feeBox);
    ui_.updateButton->setText(saveCaption());
}

void FeePanel::saveFee()
{
    const FeeEntry entry = checkFeeEntry(ui_.feeBox->text());
    if (entry.verdict != FeeEntry::Verdict::Accepted) {
        refuse(entry.verdict);
        return;
    }

    CenterListView *selected = ui_.selected;
    const std::optional<int> current = selected->count() > 0 ? selected->currentPosition() : std::nullopt;
    if (!current) {
        // No row to take the fee: nothing is written, and the edit ends.
        leaveEditing();
        return;
    }
    emit editStarting();
    selected->setSubItem(*current, ColHandlingFee, formats::fixed(entry.value, 2));
    const QString duty = selected->subItem(*current, ColDuty);
    const QString marked = dutyAfterFeeSaved(duty);
    if (marked != duty)
        selected->setSubItem(*current, ColDuty, marked);

    leaveEditing();
    emit feeSaved();
    emit editFinished(tr("Change handling fee"));
}

void FeePanel::refuse(FeeEntry::Verdict verdict)
{
    QMessageBox box(QMessageBox::Information, tr("Information Validation"), feeEntryMessage(verdict), QMessageBox::Ok,
        ui_.dialogParent);
    box.exec();
    ui_.feeBox->setFocus();
    selectWholeText(ui_.feeBox);
}

} // namespace vendorcenter
