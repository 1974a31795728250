#pragma once

#include "widget/ButtonStates.h"

#include <QObject>
#include <QString>

#include <array>

class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace vendorcenter {

class CenterListView;

// The find panel: searches either list by id or by name and highlights the
// first match. When the user turns to its widgets it says so, so that a
// half-done fee edit never lingers next to a search.
class FindPanel : public QObject
{
    Q_OBJECT

public:
    struct Widgets
    {
        std::array<QRadioButton *, 2> listOptions; // optList(0), optList(1), by Side
        std::array<QRadioButton *, 2> keyOptions; // optFind(0) by name, optFind(1) by id
        QLineEdit *idBox; // txtVendorID
        QLineEdit *nameBox; // txtVendorName
        QPushButton *findButton; // cmdFind
        std::array<CenterListView *, 2> lists; // lstCenters, lstSelectedCenters, by Side
        QWidget *dialogParent; // the control, over which "Not found" is shown
    };

    explicit FindPanel(const Widgets &widgets, QObject *parent = nullptr);

    // Makes `side` the list to search.
    void searchIn(Side side);
    // A load opens the id box for typing, whichever key is chosen.
    void openIdBox();
    // Ctrl+F: the focus into the find box that takes text, its text selected.
    void focusFindBox();

signals:
    // A left click in one of the find boxes.
    void findBoxClicked();
    // A click on one of the options, the chosen one included.
    void optionClicked();
    // The find box typed in last holds text, or none.
    void findTextChanged(bool hasText);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void search();
    void switchKey(int index);

    CenterListView *listToSearch() const;
    bool searchesByName() const;

    Widgets ui_;
};

} // namespace vendorcenter
