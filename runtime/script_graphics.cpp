// Drawing operations offered to effect code: they turn the drawing variables (colour,
// pen, line height) into calls on the link's drawing. Outside a paint the drawing
// draws nothing, but the variables change exactly as they do inside one.
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "runtime/fablo.h"
#include "runtime/files.h"
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
  return {colorByte(v.drawRed), colorByte(v.drawGreen), colorByte(v.drawBlue), colorByte(v.drawAlpha)};
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

ScriptDrawing& CFabloZelk::drawing() const {
  struct NoDrawing final : ScriptDrawing {};
  static NoDrawing none;  // draws nothing, loads nothing
  ScriptDrawing* d = zelk ? zelk->drawing() : nullptr;
  return d ? *d : none;
}

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
    if (c == 'b') style |= kFontBold;
    if (c == 'i') style |= kFontItalic;
    if (c == 'u') style |= kFontUnderline;
  }
  entry.style = style;

  if (!drawing().selectFont(entry.name.c_str(), pixelSize, style))
    drawing().selectFont("verdana", pixelSize, style);
}

CFabloGraphics::~CFabloGraphics() {
  for (auto& [number, entry] : imageTable) {
    delete entry.holder;
    entry.holder = nullptr;
  }
}

// Shared by drawString and drawNumber: one row per line, each left aligned in a box
// lineHeight + 2 high at the pen; the pen ends after the last line.
static void drawTextLines(CFabloGraphics& g, const char* text, std::size_t length) {
  ScriptDrawing& d = g.drawing();
  const Rgba c = currentColor(g.vars);
  d.setTextColor(c.r, c.g, c.b, c.a);
  d.setAntialias(true);
  double width = 0;
  std::size_t start = 0;
  for (;;) {
    const void* feed = std::memchr(text + start, '\n', length - start);
    const std::size_t end = feed ? static_cast<const char*>(feed) - text : length;
    const LineText line(text + start, end - start);
    width = d.measureText(line.c_str());
    d.drawText(line.c_str(), g.penX, g.penY, g.penX + width, g.penY + g.lineHeight + 2, false);
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
  ScriptDrawing& d = drawing();
  const Rgba c = currentColor(vars);
  d.setLineColor(c.r, c.g, c.b, c.a);
  d.setAntialias(true);
  d.moveTo(x1, y1);
  penX = x2;  // stored as given, unlike fillRect
  penY = y2;
  d.lineTo(x2, y2);
}

void CFabloGraphics::fillRect(double x, double y, double w, double h) {
  penX = sanitize(x + w);
  penY = sanitize(y + h);
  ScriptDrawing& d = drawing();
  const Rgba c = currentColor(vars);
  d.setFillColor(c.r, c.g, c.b, c.a);
  d.setAntialias(false);
  d.fillRect(std::floor(x), std::floor(y), std::floor(penX), std::floor(penY));
}

void CFabloGraphics::drawImage(double imageNumber, double, double, double offsetX, double offsetY) {
  const int32_t number = toInt(imageNumber);
  const ImageEntry& sized = getImage(number);
  const double w = sanitize(sized.width), h = sanitize(sized.height);
  const double left = penX, top = penY, right = penX + w, bottom = penY + h;
  ScriptDrawing& d = drawing();
  if (d.drawImage(getImage(number).holder, left, top, right, bottom, offsetX, offsetY)) return;
  // Nothing to draw: a red box with a yellow "ERROR" in the image's place.
  d.setFillColor(255, 0, 0, 255);
  d.fillRect(left, top, right, bottom);
  d.setTextColor(255, 255, 0, 255);
  d.drawText("ERROR", left, top, right, bottom, true);
}

void CFabloMouse::drawPrologue() {
  int32_t width = 0, height = 0;
  if (zelk && zelk->editorSize(width, height)) {
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

// Loads an image the first time its number is asked for: the embedded resource first,
// then the file of that name beside the library. A number is tried at most once; only
// a failed file attempt is logged. A number without a file name is not tried yet, nor
// is any number while the link offers no drawing to load with.
ImageEntry& CFabloGraphics::getImage(int32_t number) {
  ImageEntry& entry = imageTable[number];
  if (entry.holder) return entry;
  auto name = fileNameTable.find(number);
  if (name == fileNameTable.end()) return entry;
  ScriptDrawing& d = drawing();

  entry.width = entry.height = 0;
  entry.holder = d.newImage();
  if (!entry.holder) return entry;
  if (d.loadImageResource(entry.holder, number)) {
    entry.width = d.imageWidth(entry.holder);
    entry.height = d.imageHeight(entry.holder);
    return entry;
  }

  delete entry.holder;
  entry.holder = d.newImage();
  const std::string path = resolvePath(name->second);
  if (d.loadImageFile(entry.holder, path.c_str())) {
    entry.width = d.imageWidth(entry.holder);
    entry.height = d.imageHeight(entry.holder);
    return entry;
  }
  debugLog("Unable to load: " + path);
  return entry;
}
