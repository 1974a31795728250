#include "editing/ListEvents.h"

namespace vendorcenter {

ListEvents::ListEvents(ControlSurface &ui, FeePanel &fees, CenterMoves &moves, QObject *parent)
    : QObject(parent), ui_(ui), fees_(fees), moves_(moves)
{
}

} // namespace vendorcenter
