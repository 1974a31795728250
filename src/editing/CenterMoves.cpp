#include "editing/CenterMoves.h"

namespace vendorcenter {

CenterMoves::CenterMoves(ControlSurface &ui, FeePanel &fees, QObject *parent) : QObject(parent), ui_(ui), fees_(fees)
{
}

void CenterMoves::add() {}
void CenterMoves::remove() {}
void CenterMoves::addAll() {}
void CenterMoves::removeAll() {}

} // namespace vendorcenter
