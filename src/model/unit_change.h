#pragma once
// Changing the project's length unit: every stored length is multiplied by convTab[old][new].

namespace kivo {

class NetworkDocument;

// Converts every length-valued quantity of the document from `units` to `newUnits`:
//   settings   SDDistance, SDHeight, SDTheoLocApx, SDPointLocApx, SDSBarLength, defLength,
//              objScale1..3, ellScale, hInterval, vInterval
//   elements   xReal, yReal, zReal of every live slot, scale-bar length, theodolite initDistance
//   observations  distance and height values of the theodolite lists and of the global lists
// Angles, the Fix/Unk weights (SDTheoLocFix/Unk, SDPointLocFix/Unk, SDTheoRot*) and the limits are
// left alone: the limits come from the Parameter form, already converted. `units` is not changed.
// Nothing happens when the units are equal.
void ConvertDocumentUnits(NetworkDocument& doc, int newUnits);

} // namespace kivo
