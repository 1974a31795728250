#include "server/TransferCompletion.h"

#include "server/InternetTransfer.h"

namespace vendorcenter {

TransferCompletion::TransferCompletion(InternetTransfer &inet, QWidget *control) : inet_(inet), control_(control) {}

void TransferCompletion::onStateChanged(qint16) {}

} // namespace vendorcenter
