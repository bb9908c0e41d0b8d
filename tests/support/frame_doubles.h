// Doubles for the frame's tests: a window that records what the frame asks of it, and
// a view that records the events it receives and answers as told.
#pragma once
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "gui/draw_context.h"
#include "gui/frame.h"
#include "tests/support/recording_surface.h"

namespace brimtrace_test {

struct WindowLog {
  std::vector<std::string> calls;
  Toolkit::CPoint pointer;
  int32_t buttons = 0;
  bool open = true;
  int contextsMade = 0;
};

class RecordingWindow : public Toolkit::FrameWindow {
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
  Toolkit::CPoint pointerPosition() const override { return log_->pointer; }
  int32_t currentButtons() const override { return log_->buttons; }
  Toolkit::CDrawContext* makeDrawContext() override {
    ++log_->contextsMade;
    return new Toolkit::CDrawContext(nullptr);
  }

private:
  WindowLog* log_;
};

// Every event as "name view x y buttons" (coordinates as whole numbers).
class EventLog {
public:
  std::vector<std::string> events;
  void add(const char* what, const std::string& view, const Toolkit::CPoint& p, int32_t b) {
    char s[120];
    std::snprintf(s, sizeof s, "%s %s %g %g %d", what, view.c_str(), p.x, p.y, b);
    events.push_back(s);
  }
};

class TestView : public Toolkit::CView {
public:
  TestView(const Toolkit::CRect& r, std::string name, EventLog* log)
      : CView(r), name_(std::move(name)), log_(log) {}
  Toolkit::CMouseEventResult downResult = Toolkit::kMouseEventHandled;
  Toolkit::CMouseEventResult moveResult = Toolkit::kMouseEventHandled;
  bool takesWheel = true;
  int32_t keyResult = 1;
  Toolkit::CColor fill{255, 0, 0, 255};
  bool* destroyed = nullptr;

  ~TestView() override {
    if (destroyed) *destroyed = true;
  }

  void draw(Toolkit::CDrawContext* context) override {
    log_->add("draw", name_, {getViewSize().left, getViewSize().top}, 0);
    context->setFillColor(fill);
    context->drawRect(getViewSize(), Toolkit::kDrawFilled);
  }
  using Result = Toolkit::CMouseEventResult;
  using Point = Toolkit::CPoint;
  Result onMouseDown(Point& p, const int32_t& b) override { return record("down", p, b, downResult); }
  Result onMouseUp(Point& p, const int32_t& b) override {
    return record("up", p, b, Toolkit::kMouseEventHandled);
  }
  Result onMouseMoved(Point& p, const int32_t& b) override { return record("moved", p, b, moveResult); }
  Result onMouseEntered(Point& p, const int32_t& b) override {
    return record("entered", p, b, Toolkit::kMouseEventHandled);
  }
  Result onMouseExited(Point& p, const int32_t& b) override {
    return record("exited", p, b, Toolkit::kMouseEventHandled);
  }
  void mouse(Toolkit::CDrawContext* context, Toolkit::CPoint& p, int32_t b) override {
    log_->add(context ? "mouse(context)" : "mouse(none)", name_, p, b);
  }
  bool onWheel(const Toolkit::CPoint& p, const float& d, const int32_t& b) override {
    char s[40];
    std::snprintf(s, sizeof s, "wheel%+g", static_cast<double>(d));
    log_->add(s, name_, p, b);
    return takesWheel;
  }
  int32_t onKeyDown(Toolkit::KeyCode& key) override {
    log_->add("keyDown", name_, {double(key.character), double(key.virt)}, key.modifier);
    return keyResult;
  }
  int32_t onKeyUp(Toolkit::KeyCode& key) override {
    log_->add("keyUp", name_, {double(key.character), double(key.virt)}, key.modifier);
    return keyResult;
  }

  void onDragEnter(Toolkit::CDragContainer*, const Toolkit::CPoint& p) override {
    log_->add("dragEnter", name_, p, 0);
  }
  void onDragMove(Toolkit::CDragContainer*, const Toolkit::CPoint& p) override {
    log_->add("dragMove", name_, p, 0);
  }
  void onDragLeave(Toolkit::CDragContainer*, const Toolkit::CPoint& p) override {
    log_->add("dragLeave", name_, p, 0);
  }
  bool onDrop(Toolkit::CDragContainer*, const Toolkit::CPoint& p) override {
    log_->add("drop", name_, p, 0);
    return false;
  }

private:
  Result record(const char* what, const Point& p, int32_t b, Result answer) {
    log_->add(what, name_, p, b);
    return answer;
  }

  std::string name_;
  EventLog* log_;
};

}  // namespace brimtrace_test
