// Stand-in plug-ins for the host tool's tests, one library per behaviour (FAKE_KIND):
//   working:    2 in / 2 out; the output is the input with channels swapped and the new
//               right one negated, so routing faults show; an editor window that turns
//               green once it has seen sound and regular idle calls, red before.
//   float_only: as working, without 64-bit processing and without an editor.
//   refuse:     the entry returns no effect.
//   bad_magic:  the entry returns a record without the VST magic.
//   crash:      effOpen writes through a null pointer.
//   no_entry:   exports no entry at all.
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "plugin/vst2/vst2.h"

#define KIND_WORKING 1
#define KIND_FLOAT_ONLY 2
#define KIND_REFUSE 3
#define KIND_BAD_MAGIC 4
#define KIND_CRASH 5
#define KIND_NO_ENTRY 6

#if FAKE_KIND == KIND_WORKING
#define FAKE_HAS_EDITOR 1
#else
#define FAKE_HAS_EDITOR 0
#endif

#if FAKE_HAS_EDITOR
#if defined(_WIN32)
#include <windows.h>
#else
#include <X11/Xlib.h>
#endif
#endif

#if defined(_WIN32)
#define FAKE_EXPORT extern "C" __declspec(dllexport)
#else
#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

constexpr int kEditorSize = 120;
// Colours the editor shows: green when it saw sound and idle calls, red otherwise.
constexpr unsigned kGreen = 0x28A05A, kRed = 0xC02020;

struct Fake {
  AEffect effect{};
  std::atomic<bool> heardSound{false};  // written on the audio thread, read at idle
  int idles = 0;
  ERect rect{0, 0, kEditorSize, kEditorSize};
#if FAKE_HAS_EDITOR && defined(_WIN32)
  HWND window = nullptr;
#elif FAKE_HAS_EDITOR
  Display* display = nullptr;
  Window window = 0;
#endif
  unsigned colour() const { return heardSound && idles >= 10 ? kGreen : kRed; }
};

Fake* fakeOf(AEffect* e) { return static_cast<Fake*>(e->object); }

#if FAKE_HAS_EDITOR && defined(_WIN32)
LRESULT CALLBACK editorProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    auto* fake = reinterpret_cast<Fake*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    const unsigned c = fake ? fake->colour() : kRed;
    HBRUSH brush = CreateSolidBrush(RGB((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF));
    RECT r{0, 0, kEditorSize, kEditorSize};
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool openEditor(Fake* fake, void* parent) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = editorProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"FakePluginEditor";
  RegisterClassW(&wc);
  fake->window = CreateWindowExW(0, L"FakePluginEditor", L"", WS_CHILD | WS_VISIBLE, 0, 0, kEditorSize,
                                 kEditorSize, static_cast<HWND>(parent), nullptr, wc.hInstance, nullptr);
  if (!fake->window) return false;
  SetWindowLongPtrW(fake->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(fake));
  return true;
}
void idleEditor(Fake* fake) {
  if (!fake->window) return;
  InvalidateRect(fake->window, nullptr, FALSE);
  UpdateWindow(fake->window);
}
void closeEditor(Fake* fake) {
  if (fake->window) DestroyWindow(fake->window);
  fake->window = nullptr;
}
#elif FAKE_HAS_EDITOR
bool openEditor(Fake* fake, void* parent) {
  fake->display = XOpenDisplay(nullptr);
  if (!fake->display) return false;
  fake->window = XCreateSimpleWindow(fake->display, reinterpret_cast<Window>(parent), 0, 0, kEditorSize,
                                     kEditorSize, 0, 0, kRed);
  XMapWindow(fake->display, fake->window);
  XFlush(fake->display);
  return true;
}
void idleEditor(Fake* fake) {
  if (!fake->display) return;
  while (XPending(fake->display)) {
    XEvent e;
    XNextEvent(fake->display, &e);
  }
  XSetWindowBackground(fake->display, fake->window, fake->colour());
  XClearWindow(fake->display, fake->window);
  XFlush(fake->display);
}
void closeEditor(Fake* fake) {
  if (!fake->display) return;
  XDestroyWindow(fake->display, fake->window);
  XCloseDisplay(fake->display);
  fake->display = nullptr;
}
#endif

[[maybe_unused]] intptr_t VST_CALLBACK dispatcher(AEffect* e, int32_t opcode, int32_t, intptr_t, void* ptr,
                                                  float) {
  Fake* fake = fakeOf(e);
  switch (opcode) {
    case effOpen:
#if FAKE_KIND == KIND_CRASH
      *static_cast<volatile int*>(ptr) = 1;  // ptr is null for effOpen
#endif
      return 0;
    case effClose:
      delete fake;
      return 1;
    case effGetEffectName:
      std::strcpy(static_cast<char*>(ptr), "Fake");
      return 1;
    case effGetVendorString:
      std::strcpy(static_cast<char*>(ptr), "Tests");
      return 1;
#if FAKE_HAS_EDITOR
    case effEditGetRect:
      *static_cast<ERect**>(ptr) = &fake->rect;
      return 1;
    case effEditOpen:
      fake->idles = 0;
      return openEditor(fake, ptr) ? 1 : 0;
    case effEditClose:
      closeEditor(fake);
      return 0;
    case effEditIdle:
      ++fake->idles;
      idleEditor(fake);
      return 0;
#endif
    default:
      return 0;
  }
}

template <typename Sample>
void process(AEffect* e, Sample** in, Sample** out, int32_t frames) {
  Fake* fake = fakeOf(e);
  for (int32_t i = 0; i < frames; ++i) {
    const Sample left = in[0][i], right = in[1][i];
    if (std::fabs(static_cast<double>(left)) > 0.01) fake->heardSound = true;
    out[0][i] = right;
    out[1][i] = -left;
  }
}

[[maybe_unused]] void VST_CALLBACK processFloat(AEffect* e, float** in, float** out, int32_t frames) {
  process(e, in, out, frames);
}
[[maybe_unused]] void VST_CALLBACK processDouble(AEffect* e, double** in, double** out, int32_t frames) {
  process(e, in, out, frames);
}

}  // namespace

#if FAKE_KIND != KIND_NO_ENTRY
FAKE_EXPORT AEffect* VSTPluginMain(audioMasterCallback host) {
  if (!host || host(nullptr, audioMasterVersion, 0, 0, nullptr, 0) == 0) return nullptr;
#if FAKE_KIND == KIND_REFUSE
  return nullptr;
#else
  // The host cannot close a record without the magic: that fake must not be a leak.
  static Fake badMagic;
  Fake* fake = FAKE_KIND == KIND_BAD_MAGIC ? &badMagic : new Fake;
  AEffect& e = fake->effect;
  e.magic = FAKE_KIND == KIND_BAD_MAGIC ? 0x12345678 : kEffectMagic;
  e.dispatcher = dispatcher;
  e.numInputs = 2;
  e.numOutputs = 2;
  e.numPrograms = 1;
  e.flags = effFlagsCanReplacing;
  if (FAKE_KIND != KIND_FLOAT_ONLY) e.flags |= effFlagsCanDoubleReplacing;
  if (FAKE_HAS_EDITOR) e.flags |= effFlagsHasEditor;
  e.ioRatio = 1;
  e.object = fake;
  e.uniqueID = 0x46616B65;  // 'Fake'
  e.version = 7;
  e.processReplacing = processFloat;
  e.processDoubleReplacing = processDouble;
  return &e;
#endif
}
#else
FAKE_EXPORT int fakeNothingHere() { return 0; }
#endif
