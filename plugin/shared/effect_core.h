// What every plug-in format needs of one effect instance, beneath the formats' adapters:
// the sections that the host's control thread and the editor run on the effect, under
// the lock that keeps them apart, the paint that hands the drawing context to the
// effect's drawing, and the fonts the paints keep. The audio thread never takes the lock.
#pragma once
#include <cstdint>
#include <mutex>
#include <vector>

class TFablo;
namespace Toolkit {
class CDrawContext;
class CFontDesc;
}  // namespace Toolkit

// The side of a link that holds the drawing context of the paint in progress.
class PaintTarget {
public:
  virtual void setDrawContext(Toolkit::CDrawContext* context) = 0;

protected:
  ~PaintTarget() = default;
};

// What the DSP side knows of an open editor: its repaint and its picture's size.
class EditorSide {
public:
  virtual void repaint() = 0;
  virtual void pictureSize(int32_t& width, int32_t& height) const = 0;

protected:
  ~EditorSide() = default;
};

class EffectCore {
public:
  explicit EffectCore(TFablo* effect) : effect_(effect) {}
  ~EffectCore() { releaseFonts(); }
  EffectCore(const EffectCore&) = delete;
  EffectCore& operator=(const EffectCore&) = delete;

  TFablo* effect() const { return effect_; }
  void forgetEffect() { effect_ = nullptr; }

  // Held while a section runs: a host may restore state on one thread while the editor
  // paints on another, and both reach the same variables, history cells and memory
  // blocks. Recursive, since the editor may idle the host from inside a section.
  std::recursive_mutex& sectionLock() { return lock_; }

  void open();  // the effect's reset
  void suspend();
  void resume();
  void idle();  // the effect's repaint pacing
  void close();
  // The effect's drawing; paint sets the target's context for the duration.
  void draw();
  void paint(PaintTarget& target, Toolkit::CDrawContext* context);
  void mouseDown(double x, double y, int32_t buttons);
  void mouseUp(double x, double y);
  void mouseMoved(double x, double y);
  // The state chunk (0 bytes: no state), and its restore.
  uint32_t saveState(void** data);
  int32_t restoreState(const void* data, int32_t byteSize);

  // The editor the DSP side repaints; attached and detached under the lock, which the
  // repaint pacing (idle) and the drawing that asks for the size hold too.
  void attachEditor(EditorSide* editor);
  void repaintEditor();
  bool editorSize(int32_t& width, int32_t& height) const;

  std::vector<Toolkit::CFontDesc*>& fontCache() { return fonts_; }
  void releaseFonts();

private:
  TFablo* effect_;
  std::recursive_mutex lock_;
  std::vector<Toolkit::CFontDesc*> fonts_;
  EditorSide* editor_ = nullptr;
};
