// The editor picture: pulsing logo, version, captions, ceiling line, the two slew
// histories as logarithmic traces, and a red frame.
#include <cmath>

#include "effect/fablo_effect.h"
#include "effect/graph_look.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;

void setColor(SystemVariables& v, double r, double g, double b, double a) {
  v.drawRed = r;
  v.drawGreen = g;
  v.drawBlue = b;
  v.drawAlpha = a;
}

void setColor(SystemVariables& v, const GraphColor& c) { setColor(v, c.red, c.green, c.blue, c.alpha); }

// One trace: a separate antialiased segment from each history entry to the next,
// starting at historyIndex, which is the loop variable itself.
double drawTrace(TFabloEffect& e, double base) {
  const double width = e.graphWidth.load(std::memory_order_relaxed);
  const double height = e.graphHeight.load(std::memory_order_relaxed);
  for (int32_t runs = 0; runs < loopLimit && e.historyIndex < e.historyLength - 1; ++runs) {
    const double i = e.historyIndex;
    const double n = e.historyLength - 1;
    e.segStartX = sanitize(i / n * width);
    e.segEndX = sanitize((i + 1) / n * width);
    e.segStartValue = sanitize(std::fmax(e.memory.cell(base, i), e.slewFloor));
    e.segEndValue = sanitize(std::fmax(e.memory.cell(base, i + 1), e.slewFloor));
    e.segStartFraction = slewFraction(e, e.segStartValue);
    e.segEndFraction = slewFraction(e, e.segEndValue);
    e.segStartY = sanitize((1 - e.segStartFraction) * height);
    e.segEndY = sanitize((1 - e.segEndFraction) * height);
    e.drawLine(e.segStartX, e.segStartY, e.segEndX, e.segEndY);
    e.historyIndex = sanitize(i + 1);
  }
  return 1;
}

}  // namespace

double slewFraction(const TFabloEffect& e, double value) {
  const double f = sanitize((std::log10(value) - std::log10(e.slewFloor)) / e.logSpan);
  return std::fmax(0.0, std::fmin(1.0, f));
}

double slewRow(const TFabloEffect& e, double slew, double height) {
  return (1 - slewFraction(e, std::fmax(slew, e.slewFloor))) * height;
}

void TFabloEffect::onGraphics() {
  drawPrologue();

  setColor(vars, 0, 0, 0, 1);
  penX = penY = 0;
  setFont(0, kTextMonoFont, 13, 0);

  logoX = 0;
  logoY = 0;
  setColor(vars, 1, 1, 1, 1);

  // The overlay's alpha swings between 0.2 and 0.8, about once every 90 passes.
  glowAlpha = sanitize(0.5 + 0.3 * std::cos(glowPhase));
  glowPhase = sanitize(glowPhase + 0.07);
  if (glowPhase >= kTwoPi) glowPhase = sanitize(glowPhase - kTwoPi);

  penX = penY = 0;
  drawImage(kImageLogo, 1, 0, 0, 0);

  setColor(vars, 0, 0, 0, glowAlpha);
  fillRect(logoX, logoY, logoX + 120, logoY + 110);

  penX = logoX;
  penY = logoY;
  setColor(vars, 1, 1, 1, 1);
  drawImage(kImageWebLink, 1, 0, 0, 0);

  penX = logoX;
  penY = logoY;
  setColor(vars, 1, 1, 1, 1);
  drawImage(kImageLogoName, 1, 0, 0, 0);

  penX = logoX + 15;
  penY = logoY + 85;
  setColor(vars, kVersionColor);
  drawString(kTextVersionPrefix);
  drawNumber(versionNumber, 0);

  captionX = 10;
  captionY = 100;
  setFont(1, kTextCaptionFont, 16, 0);

  setColor(vars, kCaptionColor);
  penX = captionX;
  penY = captionY + 250;
  drawString(kTextLeftLegend);

  setColor(vars, kCaptionColor);
  penX = captionX;
  penY = captionY + 270;
  drawString(kTextRightLegend);

  setColor(vars, kCaptionColor);
  captionY = 390;
  captionX = 10;
  penX = captionX + 180;
  penY = captionY - 390;
  drawString(kTextCeiling);

  setColor(vars, kCaptionColor);
  penX = captionX + 168;
  penY = captionY - 370;
  drawString(kTextLogarithmic);

  pushHistory();

  const double width = graphWidth.load(std::memory_order_relaxed);
  const double height = graphHeight.load(std::memory_order_relaxed);
  setColor(vars, kCeilingColor);
  drawLine(100, height - kCeilingRise, width - 10, height - kCeilingRise);

  historyIndex = 0;
  setColor(vars, kLeftTraceColor);
  drawLeftTrace();

  setColor(vars, kRightTraceColor);
  historyIndex = 0;
  drawRightTrace();

  penX = penY = 0;
  setColor(vars, kFrameColor);
  drawLine(penX, penY, width - 1, 0);
  drawLine(penX, penY, width - 1, height - 1);
  drawLine(penX, penY, 0, height - 1);
  drawLine(penX, penY, 0, 0);
}

double TFabloEffect::drawLeftTrace() { return drawTrace(*this, historyLeftBase); }
double TFabloEffect::drawRightTrace() { return drawTrace(*this, historyRightBase); }
