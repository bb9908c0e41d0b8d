// The editor picture. Placeholder until the drawing operations land: each pass
// still moves the peaks into the histories.
#include "effect/fablo_effect.h"

void TFabloEffect::onGraphics() {
  drawPrologue();
  pushHistory();
}

double TFabloEffect::drawLeftTrace() { return 1; }
double TFabloEffect::drawRightTrace() { return 1; }
