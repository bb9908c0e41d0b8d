// Drawing operations offered to effect code. Placeholder until the drawing
// context lands: the operations keep the variables they own but draw nothing.
#include "runtime/fablo.h"

CFabloGraphics::~CFabloGraphics() = default;
void CFabloFonts::setFont(double, double, double, double) {}
void CFabloGraphics::drawString(double) {}
void CFabloGraphics::drawNumber(double, double) {}
void CFabloGraphics::drawLine(double, double, double x2, double y2) { penX = x2; penY = y2; }
void CFabloGraphics::fillRect(double x, double y, double w, double h) {
  penX = sanitize(x + w);
  penY = sanitize(y + h);
}
void CFabloGraphics::drawImage(double, double, double, double, double) {}
ImageEntry& CFabloGraphics::getImage(int32_t number) { return imageTable[number]; }
void CFabloMouse::drawPrologue() {}
