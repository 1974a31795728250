#include "widget/FindPanel.h"

#include "widget/CenterListView.h"
#include "widget/TextBoxLook.h"

#include <QEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>

namespace vendorcenter {

FindPanel::FindPanel(const Widgets &widgets, QObject *parent) : QObject(parent), ui_(widgets)
{
    connect(ui_.findButton, &QPushButton::clicked, this, [this] { search(); });
    // "clicked", not "toggled": a click on the option already chosen still
    // empties the other box and clears the fee panel.
    for (int index : {0, 1}) {
        connect(ui_.keyOptions[index], &QRadioButton::clicked, this, [this, index] { switchKey(index); });
        connect(ui_.listOptions[index], &QRadioButton::clicked, this, &FindPanel::optionClicked);
    }
    for (QLineEdit *box : {ui_.idBox, ui_.nameBox}) {
        connect(
            box, &QLineEdit::textChanged, this, [this](const QString &text) { emit findTextChanged(!text.isEmpty()); });
        box->installEventFilter(this);
    }
    new QShortcut(
        QKeySequence::Find, ui_.dialogParent, this, [this] { focusFindBox(); }, Qt::WidgetWithChildrenShortcut);
}

void FindPanel::focusFindBox()
{
    for (QLineEdit *box : {ui_.idBox, ui_.nameBox}) {
        if (box->isEnabled() && isTextBoxWritable(box)) {
            box->setFocus(Qt::ShortcutFocusReason);
            box->selectAll();
            return;
        }
    }
}

void FindPanel::searchIn(Side side)
{
    ui_.listOptions[static_cast<std::size_t>(side)]->setChecked(true);
}

void FindPanel::openIdBox()
{
    setTextBoxWritable(ui_.idBox, true);
}

bool FindPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress && (watched == ui_.idBox || watched == ui_.nameBox)) {
        const auto *box = static_cast<QLineEdit *>(watched);
        // A disabled box takes no clicks; a read-only one does.
        if (box->isEnabled() && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
            emit findBoxClicked();
    }
    return QObject::eventFilter(watched, event);
}

bool FindPanel::searchesByName() const
{
    return ui_.keyOptions[0]->isChecked();
}

CenterListView *FindPanel::listToSearch() const
{
    return ui_.listOptions[0]->isChecked() ? ui_.lists[0] : ui_.lists[1];
}

void FindPanel::search()
{
    for (CenterListView *list : ui_.lists)
        list->setMultiSelect(false);

    CenterListView *target = listToSearch();
    const std::optional<int> found = searchesByName()
        ? firstRowWithNameContaining(*target->centerModel(), ui_.nameBox->text())
        : target->findItem(ui_.idBox->text());
    if (!found) {
        QMessageBox box(QMessageBox::Information, QString(), tr("Not found"), QMessageBox::Ok, ui_.dialogParent);
        box.exec();
        return;
    }
    // With multi-select off this also makes it the only highlighted row and the current one.
    target->highlight(*found);
    target->ensureVisible(*found);
    target->setFocus();
}

void FindPanel::switchKey(int index)
{
    const bool byName = index == 0;
    QLineEdit *const keyBox = byName ? ui_.nameBox : ui_.idBox;
    QLineEdit *const otherBox = byName ? ui_.idBox : ui_.nameBox;
    // Emptying a box that held text takes "Find" away through its own text handler.
    otherBox->clear();
    setTextBoxWritable(otherBox, false);
    setTextBoxWritable(keyBox, true);
    emit optionClicked();
}

} // namespace vendorcenter
