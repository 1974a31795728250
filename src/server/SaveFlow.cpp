#include "server/SaveFlow.h"

namespace vendorcenter {

SaveFlow::SaveFlow(ControlSurface &ui, ControlState &state, InternetTransfer &inet, QWidget *control,
                   std::function<void()> reload)
    : ui_(ui), state_(state), inet_(inet), control_(control), reload_(std::move(reload))
{
}

bool SaveFlow::save()
{
    return true;
}

void SaveFlow::commit() {}

} // namespace vendorcenter
