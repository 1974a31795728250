#pragma once

#include <QObject>
#include <QString>

#include <optional>

class QLineEdit;

namespace vendorcenter {

struct ControlSurface;
class FeePanel;
class CenterListModel;
class CenterListView;

// First position whose name contains `text`, letter case ignored, searching
// from the first row; an empty text matches the first row.
std::optional<int> firstRowWithNameContaining(const CenterListModel &rows, const QString &text);

// The find panel: searches either list by id or by name and highlights the
// first match. It also clears the fee panel when the user turns to the find
// widgets, so a half-done fee edit never lingers next to a search.
class FindPanel : public QObject
{
    Q_OBJECT

public:
    // The fee panel is cleared through its widgets here: a click on a list
    // option only clears it when it is in use, which its own reset does not offer.
    FindPanel(ControlSurface &ui, FeePanel &fees, QObject *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void search();
    void switchKey(int index);
    void enableFindFrom(const QLineEdit *box);
    void resetFeePanelIfInUse();
    void resetFeePanel();
    void leaveFeeEditing();

    CenterListView *listToSearch() const;
    bool searchesByName() const;

    ControlSurface &ui_;
};

} // namespace vendorcenter
