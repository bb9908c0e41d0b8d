// Drawing operations offered to effect code: they turn the drawing variables (colour,
// pen, line height) into bridge calls on the paint in progress. Outside a paint the
// bridge draws nothing, but the variables change exactly as they do inside one.
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "gui/bridge.h"
#include "gui/images.h"
#include "runtime/fablo.h"
#include "runtime/strings.h"

namespace {

struct Rgba {
  int32_t r, g, b, a;
};

int32_t colorByte(double v) {
  const int32_t b = toInt(v * 255);
  return b < 0 ? 0 : b > 255 ? 255 : b;
}

Rgba currentColor(const SystemVariables& v) {
  return {colorByte(v.drawRed), colorByte(v.drawGreen), colorByte(v.drawBlue),
          colorByte(v.drawAlpha)};
}

// Size plus 0.0001, truncated, kept within the integer range.
int32_t wholeSize(double size) {
  const double s = size + 0.0001;
  if (!(s > -2147483648.0)) return 0;
  if (s >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(s);
}

// One line of a text as a C string, on the stack unless it is long.
class LineText {
public:
  LineText(const char* begin, std::size_t length) {
    if (length < sizeof local_) {
      std::memcpy(local_, begin, length);
      local_[length] = '\0';
    } else {
      heap_.assign(begin, length);
    }
  }
  const char* c_str() const { return heap_.empty() ? local_ : heap_.c_str(); }

private:
  char local_[128];
  std::string heap_;
};

}  // namespace

void CFabloFonts::setFont(double slot, double nameNumber, double height, double styleLetters) {
  vars.fontSlot = sanitize(slot);

  double size, line;
  if (height == std::numeric_limits<double>::infinity()) {
    size = 0;
    line = 0;
  } else if (height == -std::numeric_limits<double>::infinity()) {
    size = 1;
    line = 0;
  } else if (height > 0) {
    const double scaled = 0.85 * height;
    size = std::fmax(scaled, 1);
    line = scaled / 0.85;  // in this order: 13 gives 12.999999999999998
  } else if (height < 0) {
    size = std::fmax(-height, 1);
    line = -height / 0.85;
  } else {  // 0 and NaN
    size = 16;
    line = 16 / 0.85;
  }
  lineHeight = sanitize(line);

  FontSlot& entry = fontTable[toInt(slot)];
  entry.name = stringAt(toInt(nameNumber));
  entry.size = sanitize(size);
  const int32_t pixelSize = wholeSize(entry.size);

  const uint32_t letters = static_cast<uint32_t>(toInt(styleLetters));
  int32_t style = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const char c = static_cast<char>((letters >> shift) & 0xFF);
    if (c == 'b') style |= 1;
    if (c == 'i') style |= 2;
    if (c == 'u') style |= 4;
  }
  entry.style = style;

  if (!canvasSelectFont(zelk, entry.name.c_str(), pixelSize, style))
    canvasSelectFont(zelk, "verdana", pixelSize, style);
}

CFabloGraphics::~CFabloGraphics() {
  for (auto& [number, entry] : imageTable) {
    imageFree(entry.holder);
    entry.holder = nullptr;
  }
}

// Shared by drawString and drawNumber: one row per line, each left aligned in a box
// lineHeight + 2 high at the pen; the pen ends after the last line.
static void drawTextLines(CFabloGraphics& g, const char* text, std::size_t length) {
  const Rgba c = currentColor(g.vars);
  canvasSetTextColor(g.zelk, c.r, c.g, c.b, c.a);
  canvasSetDrawMode(g.zelk, 3);
  double width = 0;
  std::size_t start = 0;
  for (;;) {
    const void* feed = std::memchr(text + start, '\n', length - start);
    const std::size_t end = feed ? static_cast<const char*>(feed) - text : length;
    const LineText line(text + start, end - start);
    width = canvasMeasureText(g.zelk, line.c_str());
    canvasDrawText(g.zelk, line.c_str(), g.penX, g.penY, g.penX + width,
                   g.penY + g.lineHeight + 2, 0, 0);
    if (!feed) break;
    g.penY = sanitize(g.penY + g.lineHeight);
    start = end + 1;
  }
  g.penX = sanitize(g.penX + width);
}

void CFabloGraphics::drawString(double stringNumber) {
  const std::string& text = stringAt(toInt(stringNumber));
  // Text ends at its first zero byte, as a C string does.
  drawTextLines(*this, text.c_str(), std::strlen(text.c_str()));
}

void CFabloGraphics::drawNumber(double value, double decimals) {
  char text[kNumberTextSize];
  const std::size_t length = formatNumber(value, decimals, text);
  drawTextLines(*this, text, length < kNumberTextSize ? length : kNumberTextSize - 1);
}

void CFabloGraphics::drawLine(double x1, double y1, double x2, double y2) {
  const Rgba c = currentColor(vars);
  canvasSetLineColor(zelk, c.r, c.g, c.b, c.a);
  canvasSetDrawMode(zelk, 3);
  canvasMoveTo(zelk, x1, y1);
  penX = x2;  // stored as given, unlike fillRect
  penY = y2;
  canvasLineTo(zelk, x2, y2);
}

void CFabloGraphics::fillRect(double x, double y, double w, double h) {
  penX = sanitize(x + w);
  penY = sanitize(y + h);
  const Rgba c = currentColor(vars);
  canvasSetFillColor(zelk, c.r, c.g, c.b, c.a);
  canvasSetDrawMode(zelk, 0);
  canvasRect(zelk, std::floor(x), std::floor(y), std::floor(penX), std::floor(penY), 1);
}

void CFabloGraphics::drawImage(double imageNumber, double, double, double offsetX,
                               double offsetY) {
  const int32_t number = toInt(imageNumber);
  const ImageEntry& sized = getImage(number);
  const double w = sanitize(sized.width), h = sanitize(sized.height);
  const double left = penX, top = penY, right = penX + w, bottom = penY + h;
  if (imageDraw(getImage(number).holder, zelk, left, top, right, bottom, offsetX, offsetY))
    return;
  // Nothing to draw: a red box with a yellow "ERROR" in the image's place.
  canvasSetFillColor(zelk, 255, 0, 0, 255);
  canvasRect(zelk, left, top, right, bottom, 1);
  canvasSetTextColor(zelk, 255, 255, 0, 255);
  canvasDrawText(zelk, "ERROR", left, top, right, bottom, 0, 1);
}

void CFabloMouse::drawPrologue() {
  int32_t width = 0, height = 0;
  if (canvasEditorSize(zelk, &width, &height)) {
    vars.canvasWidth = width;
    vars.canvasHeight = height;
  }
  vars.mouseButtons = sanitize(mouseButtonsSlot);
  vars.mouseX = sanitize(mouseXSlot);
  vars.mouseY = sanitize(mouseYSlot);
  if (isTrue(vars.clearColor)) {
    const double c = vars.clearColor;
    const int32_t k = c > -2147483648.0 && c < 2147483648.0 ? static_cast<int32_t>(c) : 0;
    vars.drawRed = (k & 255) / 255.0;
    vars.drawGreen = ((k >> 8) & 255) / 255.0;
    vars.drawBlue = ((k >> 16) & 255) / 255.0;
    penX = penY = 0;
    vars.drawAlpha = 1;
    fillRect(0, 0, vars.canvasWidth, vars.canvasHeight);
  }
  vars.drawRed = vars.drawGreen = vars.drawBlue = 0;
  penX = penY = 0;
  vars.drawAlpha = 1;
}
