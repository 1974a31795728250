#include "widget/Announcer.h"

#include <vendorcenter/Vendor_Center.h>

#include "widget/CenterListView.h"

#include <QAccessible>
#include <QWidget>

namespace vendorcenter {

Announcer::Announcer(QWidget *frame, CenterListView *nonSelected, CenterListView *selected, QObject *parent)
    : QObject(parent), frame_(frame), nonSelected_(nonSelected), selected_(selected)
{
    setObjectName(QStringLiteral("announcer"));
}

void Announcer::loadFinished()
{
    announce(Vendor_Center::tr("Centers loaded: %1 selected, %2 not selected")
                 .arg(selected_->count())
                 .arg(nonSelected_->count()));
}

void Announcer::saveFailed()
{
    announce(Vendor_Center::tr("The changes were not saved"));
}

QString Announcer::conflictText()
{
    return Vendor_Center::tr("Someone else saved changes to this vendor after the lists were loaded. "
                             "Nothing of yours was saved.");
}

void Announcer::conflictMet()
{
    announce(conflictText());
}

void Announcer::moved(Side to, int count)
{
    if (to == Side::Selected)
        announce(Vendor_Center::tr("Centers moved to Selected Centers: %1").arg(count));
    else
        announce(Vendor_Center::tr("Centers moved to Non Selected Active Centers: %1").arg(count));
}

void Announcer::announce(const QString &text)
{
    // One change event for each piece of news: Qt sends it for a new text, and
    // the same news again (two single moves in a row) is news again.
    if (frame_->accessibleDescription() == text) {
        QAccessibleEvent event(frame_, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&event);
    } else {
        frame_->setAccessibleDescription(text);
    }
    emit announced(text);
}

} // namespace vendorcenter
