// A plug-in link with a paint: the drawing context of the paint in progress (null
// outside a paint) and the plug-in's font cache. Its drawing, which the runtime's
// script graphics layers use, draws on that context through the bridge.
#pragma once
#include <cstdint>
#include <vector>

#include "runtime/plugin_link.h"
#include "runtime/script_drawing.h"

namespace Toolkit {
class CDrawContext;
class CFontDesc;
}  // namespace Toolkit

class PaintLink;

// The runtime's drawing interface over a PaintLink (gui/bridge.cpp).
class ContextDrawing final : public ScriptDrawing {
public:
  explicit ContextDrawing(PaintLink* link) : link_(link) {}
  int32_t setAntialias(bool on) override;
  int32_t setTextColor(int32_t r, int32_t g, int32_t b, int32_t a) override;
  int32_t setFillColor(int32_t r, int32_t g, int32_t b, int32_t a) override;
  int32_t setLineColor(int32_t r, int32_t g, int32_t b, int32_t a) override;
  int32_t selectFont(const char* name, int32_t size, int32_t style) override;
  double measureText(const char* text) override;
  int32_t moveTo(double x, double y) override;
  int32_t lineTo(double x, double y) override;
  int32_t fillRect(double left, double top, double right, double bottom) override;
  int32_t drawText(const char* text, double left, double top, double right, double bottom,
                   bool centred) override;
  ScriptImage* newImage() override;
  bool loadImageResource(ScriptImage* image, int32_t number) override;
  bool loadImageFile(ScriptImage* image, const char* path) override;
  double imageWidth(const ScriptImage* image) override;
  double imageHeight(const ScriptImage* image) override;
  bool drawImage(ScriptImage* image, double left, double top, double right, double bottom, double sourceX,
                 double sourceY) override;

private:
  PaintLink* link_;
};

class PaintLink : public PluginLink {
public:
  PaintLink() = default;
  PaintLink(const PaintLink&) = delete;
  PaintLink& operator=(const PaintLink&) = delete;

  virtual Toolkit::CDrawContext* drawContext() const = 0;
  virtual std::vector<Toolkit::CFontDesc*>& fontCache() = 0;
  ScriptDrawing* drawing() override { return &drawing_; }

protected:
  ~PaintLink() = default;

private:
  ContextDrawing drawing_{this};
};
