// Doubles for the frame's tests: a window that records what the frame asks of it, and
// a view that records the events it receives and answers as told.
#pragma once
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "gui/draw_context.h"
#include "gui/frame.h"
#include "tests/gui/recording_surface.h"

namespace brimtrace_test {

struct WindowLog {
  std::vector<std::string> calls;
  VSTGUI::CPoint pointer;
  int32_t buttons = 0;
  bool open = true;
  int contextsMade = 0;
};

class RecordingWindow : public VSTGUI::FrameWindow {
public:
  explicit RecordingWindow(WindowLog* log) : log_(log) {}
  bool isOpen() const override { return log_->open; }
  void* nativeHandle() const override { return nullptr; }
  void invalidate(int l, int t, int r, int b) override {
    char s[80];
    std::snprintf(s, sizeof s, "invalidate %d %d %d %d", l, t, r, b);
    log_->calls.push_back(s);
  }
  void setMouseCapture() override { log_->calls.push_back("capture"); }
  void releaseMouseCapture() override { log_->calls.push_back("release"); }
  void trackMouseLeave() override { log_->calls.push_back("trackLeave"); }
  VSTGUI::CPoint pointerPosition() const override { return log_->pointer; }
  int32_t currentButtons() const override { return log_->buttons; }
  VSTGUI::CDrawContext* makeDrawContext() override {
    ++log_->contextsMade;
    return new VSTGUI::CDrawContext(nullptr);
  }

private:
  WindowLog* log_;
};

// Every event as "name view x y buttons" (coordinates as whole numbers).
class EventLog {
public:
  std::vector<std::string> events;
  void add(const char* what, const std::string& view, const VSTGUI::CPoint& p, int32_t b) {
    char s[120];
    std::snprintf(s, sizeof s, "%s %s %g %g %d", what, view.c_str(), p.x, p.y, b);
    events.push_back(s);
  }
};

class TestView : public VSTGUI::CView {
public:
  TestView(const VSTGUI::CRect& r, std::string name, EventLog* log)
      : CView(r), name_(std::move(name)), log_(log) {}
  VSTGUI::CMouseEventResult downResult = VSTGUI::kMouseEventHandled;
  VSTGUI::CMouseEventResult moveResult = VSTGUI::kMouseEventHandled;
  bool takesWheel = true;
  int32_t keyResult = 1;
  VSTGUI::CColor fill{255, 0, 0, 255};
  bool* destroyed = nullptr;

  ~TestView() override {
    if (destroyed) *destroyed = true;
  }

  void draw(VSTGUI::CDrawContext* context) override {
    log_->add("draw", name_, {getViewSize().left, getViewSize().top}, 0);
    context->setFillColor(fill);
    context->drawRect(getViewSize(), VSTGUI::kDrawFilled);
  }
  VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& p, const int32_t& b) override {
    log_->add("down", name_, p, b);
    return downResult;
  }
  VSTGUI::CMouseEventResult onMouseUp(VSTGUI::CPoint& p, const int32_t& b) override {
    log_->add("up", name_, p, b);
    return VSTGUI::kMouseEventHandled;
  }
  VSTGUI::CMouseEventResult onMouseMoved(VSTGUI::CPoint& p, const int32_t& b) override {
    log_->add("moved", name_, p, b);
    return moveResult;
  }
  VSTGUI::CMouseEventResult onMouseEntered(VSTGUI::CPoint& p, const int32_t& b) override {
    log_->add("entered", name_, p, b);
    return VSTGUI::kMouseEventHandled;
  }
  VSTGUI::CMouseEventResult onMouseExited(VSTGUI::CPoint& p, const int32_t& b) override {
    log_->add("exited", name_, p, b);
    return VSTGUI::kMouseEventHandled;
  }
  void mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& p, int32_t b) override {
    log_->add(context ? "mouse(context)" : "mouse(none)", name_, p, b);
  }
  bool onWheel(const VSTGUI::CPoint& p, const float& d, const int32_t& b) override {
    char s[40];
    std::snprintf(s, sizeof s, "wheel%+g", static_cast<double>(d));
    log_->add(s, name_, p, b);
    return takesWheel;
  }
  int32_t onKeyDown(VSTGUI::KeyCode& key) override {
    log_->add("keyDown", name_, {double(key.character), double(key.virt)}, key.modifier);
    return keyResult;
  }
  int32_t onKeyUp(VSTGUI::KeyCode& key) override {
    log_->add("keyUp", name_, {double(key.character), double(key.virt)}, key.modifier);
    return keyResult;
  }

  void onDragEnter(VSTGUI::CDragContainer*, const VSTGUI::CPoint& p) override {
    log_->add("dragEnter", name_, p, 0);
  }
  void onDragMove(VSTGUI::CDragContainer*, const VSTGUI::CPoint& p) override {
    log_->add("dragMove", name_, p, 0);
  }
  void onDragLeave(VSTGUI::CDragContainer*, const VSTGUI::CPoint& p) override {
    log_->add("dragLeave", name_, p, 0);
  }
  bool onDrop(VSTGUI::CDragContainer*, const VSTGUI::CPoint& p) override {
    log_->add("drop", name_, p, 0);
    return false;
  }

private:
  std::string name_;
  EventLog* log_;
};

}  // namespace brimtrace_test
