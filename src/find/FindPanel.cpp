#include "find/FindPanel.h"

namespace vendorcenter {

FindPanel::FindPanel(ControlSurface &ui, FeePanel &fees, QObject *parent) : QObject(parent), ui_(ui), fees_(fees) {}

} // namespace vendorcenter
