#include "fees/FeePanel.h"

namespace vendorcenter {

FeePanel::FeePanel(ControlSurface &ui, QObject *parent) : QObject(parent), ui_(ui) {}

void FeePanel::reset() {}

} // namespace vendorcenter
