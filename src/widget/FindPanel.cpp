#include "widget/FindPanel.h"

#include "widget/CenterListView.h"
#include "widget/ControlSurface.h"
#include "widget/TextBoxLook.h"

#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QStringMatcher>

namespace vendorcenter {

std::optional<int> firstRowWithNameContaining(const CenterListModel &rows, const QString &text)
{
    // A plain int position: the list may hold more rows than a 16-bit counter reaches.
    const int count = rows.rowCount();
    const QStringMatcher matcher(text, Qt::CaseInsensitive);
    // The names of a long list lie all over the heap: fetching a few rows
    // ahead keeps the walk from waiting on memory at every row.
    constexpr int kRowsAhead = 16;
    for (int position = 0; position < count; ++position) {
        if (position + kRowsAhead < count)
            __builtin_prefetch(rows.row(position + kRowsAhead).name().constData());
        if (matcher.indexIn(rows.row(position).name()) >= 0)
            return position;
    }
    return std::nullopt;
}

FindPanel::FindPanel(ControlSurface &ui, FeePanel & /*fees*/, QObject *parent) : QObject(parent), ui_(ui)
{
    connect(ui_.cmdFind, &QPushButton::clicked, this, [this] { search(); });
    // "clicked", not "toggled": a click on the option already chosen still
    // empties the other box and clears the fee panel.
    for (int index : {0, 1}) {
        connect(ui_.optFind[index], &QRadioButton::clicked, this, [this, index] { switchKey(index); });
        connect(ui_.optList[index], &QRadioButton::clicked, this, [this] { resetFeePanelIfInUse(); });
    }
    connect(ui_.txtVendorID, &QLineEdit::textChanged, this, [this] { enableFindFrom(ui_.txtVendorID); });
    connect(ui_.txtVendorName, &QLineEdit::textChanged, this, [this] { enableFindFrom(ui_.txtVendorName); });
    ui_.txtVendorID->installEventFilter(this);
    ui_.txtVendorName->installEventFilter(this);
}

bool FindPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress
        && (watched == ui_.txtVendorID || watched == ui_.txtVendorName)) {
        const auto *box = static_cast<QLineEdit *>(watched);
        // A disabled box takes no clicks; a read-only one does.
        if (box->isEnabled() && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
            resetFeePanel();
    }
    return QObject::eventFilter(watched, event);
}

bool FindPanel::searchesByName() const
{
    return ui_.optFind[0]->isChecked();
}

CenterListView *FindPanel::listToSearch() const
{
    return ui_.optList[0]->isChecked() ? ui_.lstCenters : ui_.lstSelectedCenters;
}

void FindPanel::search()
{
    ui_.lstCenters->setMultiSelect(false);
    ui_.lstSelectedCenters->setMultiSelect(false);

    CenterListView *target = listToSearch();
    const std::optional<int> found = searchesByName()
                                         ? firstRowWithNameContaining(*target->centerModel(), ui_.txtVendorName->text())
                                         : target->findItem(ui_.txtVendorID->text());
    if (!found) {
        QMessageBox box(QMessageBox::Information, QString(), QStringLiteral("Not found"), QMessageBox::Ok,
                        ui_.fraMain->parentWidget());
        box.exec();
        return;
    }
    // With multi-select off this also makes it the only highlighted row and the current one.
    target->setHighlighted(*found, true);
    target->ensureVisible(*found);
    target->setFocus();
}

void FindPanel::switchKey(int index)
{
    const bool byName = index == 0;
    QLineEdit *const keyBox = byName ? ui_.txtVendorName : ui_.txtVendorID;
    QLineEdit *const otherBox = byName ? ui_.txtVendorID : ui_.txtVendorName;
    // Emptying a box that held text disables Find through its own text handler.
    otherBox->clear();
    setTextBoxWritable(otherBox, false);
    setTextBoxWritable(keyBox, true);
    resetFeePanelIfInUse();
}

void FindPanel::enableFindFrom(const QLineEdit *box)
{
    ui_.cmdFind->setEnabled(!box->text().isEmpty());
}

void FindPanel::resetFeePanelIfInUse()
{
    if (ui_.cmdcenterHandFee->isEnabled()) {
        ui_.chkDuty->setChecked(false);
        ui_.txtCntHandFee->clear();
        ui_.cmdcenterHandFee->setEnabled(false);
    }
    leaveFeeEditing();
}

void FindPanel::resetFeePanel()
{
    ui_.chkDuty->setChecked(false);
    ui_.txtCntHandFee->clear();
    ui_.cmdcenterHandFee->setEnabled(false);
    leaveFeeEditing();
}

void FindPanel::leaveFeeEditing()
{
    if (ui_.cmdcenterHandFee->text() == QLatin1String("Save")) {
        ui_.cmdcenterHandFee->setText(QStringLiteral("Update"));
        setTextBoxWritable(ui_.txtCntHandFee, false);
    }
}

} // namespace vendorcenter
