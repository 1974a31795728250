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

FeeDelta writeFee(CenterListView *selected, const FeeIntent &intent)
{
    FeeDelta delta;
    delta.position = intent.position;
    delta.feeBefore = selected->subItem(intent.position, ColHandlingFee);
    delta.dutyBefore = selected->subItem(intent.position, ColDuty);
    delta.feeAfter = intent.fee;
    delta.dutyAfter = marks::dutyOnFeeSaved(delta.dutyBefore);
    putFee(selected, intent.position, delta.feeAfter, delta.dutyAfter);
    return delta;
}

void putFee(CenterListView *selected, int position, const QString &fee, const QString &duty)
{
    selected->setSubItem(position, ColHandlingFee, fee);
    if (selected->subItem(position, ColDuty) != duty)
        selected->setSubItem(position, ColDuty, duty);
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
    if (!editing_)
        return;
    editing_ = false;
    ui_.updateButton->setText(updateCaption());
    setTextBoxWritable(ui_.feeBox, false);
}

void FeePanel::putBack(bool editing, const QString &feeText, bool writable, bool dutyChecked)
{
    editing_ = editing;
    ui_.updateButton->setText(editing ? saveCaption() : updateCaption());
    ui_.feeBox->setText(feeText);
    setTextBoxWritable(ui_.feeBox, writable);
    ui_.dutyBox->setChecked(dutyChecked);
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
    if (editing_)
        saveFee();
    else
        beginEditing();
}

void FeePanel::beginEditing()
{
    setTextBoxWritable(ui_.feeBox, true);
    ui_.feeBox->setFocus();
    // The focus may not arrive while the control's window is inactive.
    selectWholeText(ui_.feeBox);
    ui_.updateButton->setText(saveCaption());
    editing_ = true;
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
    emit feeEntered({*current, formats::fixed(entry.value, 2)});
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
