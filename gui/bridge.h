// Plain functions between the script runtime and the drawing context of the paint in
// progress. Each takes the plug-in object first; without one, or outside a paint (no
// drawing context), nothing is drawn and the answer is 0. Otherwise the call is
// forwarded and the answer is 1. Colour bytes use only their low 8 bits.
#pragma once
#include <cstdint>

class PaintLink;

// Needs no paint: the open editor's size, 0 without an editor.
int32_t canvasEditorSize(PaintLink* plugin, int32_t* width, int32_t* height);

int32_t canvasSetDrawMode(PaintLink* plugin, int32_t mode);  // 3 antialiased
int32_t canvasSetTextColor(PaintLink* plugin, int32_t r, int32_t g, int32_t b, int32_t a);
int32_t canvasSetFillColor(PaintLink* plugin, int32_t r, int32_t g, int32_t b, int32_t a);
int32_t canvasSetLineColor(PaintLink* plugin, int32_t r, int32_t g, int32_t b, int32_t a);

// Finds the name in the plug-in's font cache (newest first, ignoring case), adding a
// description of size 0 and style 0 when absent, and selects it with the overrides.
int32_t canvasSelectFont(PaintLink* plugin, const char* name, int32_t size, int32_t style);
double canvasMeasureText(PaintLink* plugin, const char* text);
int32_t canvasFontSize(PaintLink* plugin);

int32_t canvasMoveTo(PaintLink* plugin, double x, double y);
int32_t canvasLineTo(PaintLink* plugin, double x, double y);
int32_t canvasArc(PaintLink* plugin, double left, double top, double right, double bottom, double startAngle,
                  double endAngle, int32_t strokeStyle);
int32_t canvasRect(PaintLink* plugin, double left, double top, double right, double bottom,
                   int32_t strokeStyle);
int32_t canvasEllipse(PaintLink* plugin, double left, double top, double right, double bottom,
                      int32_t strokeStyle);

// Always antialiased; the opaque flag is ignored; answers 1 even for a null text.
int32_t canvasDrawText(PaintLink* plugin, const char* text, double left, double top, double right,
                       double bottom, int32_t opaque, int32_t align);
int32_t canvasTextAt(PaintLink* plugin, const char* text, double x, double y, int32_t antialias);
int32_t canvasTextInRect(PaintLink* plugin, const char* text, double left, double top, double right,
                         double bottom, int32_t align, int32_t antialias);

int32_t canvasSetPixel(PaintLink* plugin, double x, double y, int32_t r, int32_t g, int32_t b, int32_t a);
// Always opaque black.
int32_t canvasGetPixel(PaintLink* plugin, double x, double y, int32_t* r, int32_t* g, int32_t* b, int32_t* a);
