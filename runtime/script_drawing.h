// What the script graphics layers draw through: the paint in progress, its fonts and
// the images they load. The plug-in link hands one out (PluginLink::drawing); the gui
// implements it on its drawing context. Every answer here is the one without a paint:
// nothing is drawn, nothing loads, and the result is 0.
#pragma once
#include <cstdint>

// An image a drawing loaded; the image table deletes it.
class ScriptImage {
public:
  virtual ~ScriptImage() = default;
};

// Font style bits, from the style letters 'b', 'i' and 'u'; the toolkit's font styles
// take these values.
enum ScriptFontStyle : int32_t { kFontBold = 1, kFontItalic = 2, kFontUnderline = 4 };

class ScriptDrawing {
public:
  // Colour components are bytes; only their low 8 bits count.
  virtual int32_t setAntialias(bool /*on*/) { return 0; }
  virtual int32_t setTextColor(int32_t /*r*/, int32_t /*g*/, int32_t /*b*/, int32_t /*a*/) { return 0; }
  virtual int32_t setFillColor(int32_t /*r*/, int32_t /*g*/, int32_t /*b*/, int32_t /*a*/) { return 0; }
  virtual int32_t setLineColor(int32_t /*r*/, int32_t /*g*/, int32_t /*b*/, int32_t /*a*/) { return 0; }
  // Selects the named font (found in the plug-in's font cache, or added to it) with
  // this pixel size and style bits.
  virtual int32_t selectFont(const char* /*name*/, int32_t /*size*/, int32_t /*style*/) { return 0; }
  virtual double measureText(const char* /*text*/) { return 0; }
  virtual int32_t moveTo(double /*x*/, double /*y*/) { return 0; }
  virtual int32_t lineTo(double /*x*/, double /*y*/) { return 0; }
  virtual int32_t fillRect(double /*left*/, double /*top*/, double /*right*/, double /*bottom*/) { return 0; }
  // One antialiased line of text in the rectangle, left aligned or centred.
  virtual int32_t drawText(const char* /*text*/, double /*left*/, double /*top*/, double /*right*/,
                           double /*bottom*/, bool /*centred*/) {
    return 0;
  }

  // Images: an empty holder, then a load into it from the library's embedded resources
  // or from a file; a load keeps only an image with a size.
  virtual ScriptImage* newImage() { return nullptr; }
  virtual bool loadImageResource(ScriptImage* /*image*/, int32_t /*number*/) { return false; }
  virtual bool loadImageFile(ScriptImage* /*image*/, const char* /*path*/) { return false; }
  virtual double imageWidth(const ScriptImage* /*image*/) { return 0; }
  virtual double imageHeight(const ScriptImage* /*image*/) { return 0; }
  // Copies the image part at (sourceX, sourceY) 1:1 into the rectangle.
  virtual bool drawImage(ScriptImage* /*image*/, double /*left*/, double /*top*/, double /*right*/,
                         double /*bottom*/, double /*sourceX*/, double /*sourceY*/) {
    return false;
  }

protected:
  ~ScriptDrawing() = default;
};
