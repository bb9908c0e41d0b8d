// The snapshot window on Windows (and under Wine): a Win32 top-level window, captured
// with GetDC + BitBlt and written with the GDI+ PNG encoder (flat API).
#include <windows.h>
#include <gdiplus.h>

#include <string>
#include <vector>

#include "tools/host/editor_window.h"

namespace host {
namespace {

const wchar_t kClassName[] = L"BrimtraceHostWindow";

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

std::wstring widen(const std::string& text) {
  const int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<size_t>(n > 0 ? n : 1), L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), n);
  wide.resize(wcslen(wide.c_str()));
  return wide;
}

// {557CF406-1A04-11D3-9A73-0000F81EF32E}: the PNG encoder that GDI+ ships.
const CLSID kPngEncoder = {0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};

class Win32Window final : public EditorWindow {
public:
  ~Win32Window() override {
    if (hwnd_) DestroyWindow(hwnd_);
  }

  bool open(int width, int height, const std::string& title, std::string& error) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = windowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kClassName;
    RegisterClassW(&wc);  // fails harmlessly when already registered
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    RECT r{0, 0, width, height};
    AdjustWindowRect(&r, style, FALSE);
    hwnd_ = CreateWindowExW(0, kClassName, widen(title).c_str(), style, 0, 0, r.right - r.left,
                            r.bottom - r.top, nullptr, nullptr, wc.hInstance, nullptr);
    if (!hwnd_) {
      error = "cannot create a window (error " + std::to_string(GetLastError()) +
              "; under Wine a display is needed: run through xvfb-run)";
      return false;
    }
    ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
    UpdateWindow(hwnd_);
    width_ = width;
    height_ = height;
    return true;
  }

  void* parent() const override { return hwnd_; }

  void resize(int width, int height) override {
    RECT r{0, 0, width, height};
    AdjustWindowRect(&r, static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_STYLE)), FALSE);
    SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
    width_ = width;
    height_ = height;
  }

  void pump() override {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }

  bool hasEditorWindow() const override { return GetWindow(hwnd_, GW_CHILD) != nullptr; }

  bool savePng(const std::string& path, std::string& error) override {
    // Read from the editor's own window where there is one: its DC holds what it painted.
    HWND source = GetWindow(hwnd_, GW_CHILD);
    if (!source) source = hwnd_;
    HDC windowDc = GetDC(source);
    HDC memoryDc = CreateCompatibleDC(windowDc);
    HBITMAP bitmap = CreateCompatibleBitmap(windowDc, width_, height_);
    HGDIOBJ old = SelectObject(memoryDc, bitmap);
    const BOOL copied = BitBlt(memoryDc, 0, 0, width_, height_, windowDc, 0, 0, SRCCOPY);
    SelectObject(memoryDc, old);
    DeleteDC(memoryDc);
    ReleaseDC(source, windowDc);
    if (!copied) {
      DeleteObject(bitmap);
      error = "cannot read the window's pixels";
      return false;
    }
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::Status status = Gdiplus::GdiplusStartup(&token, &input, nullptr);
    if (status == Gdiplus::Ok) {
      Gdiplus::GpBitmap* image = nullptr;
      status = Gdiplus::DllExports::GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &image);
      if (status == Gdiplus::Ok) {
        status = Gdiplus::DllExports::GdipSaveImageToFile(image, widen(path).c_str(), &kPngEncoder, nullptr);
        Gdiplus::DllExports::GdipDisposeImage(image);
      }
      Gdiplus::GdiplusShutdown(token);
    }
    DeleteObject(bitmap);
    if (status != Gdiplus::Ok) {
      error = "cannot write " + path + " (GDI+ status " + std::to_string(static_cast<int>(status)) + ")";
      return false;
    }
    return true;
  }

  std::string where() const override { return "a Win32 window"; }

private:
  HWND hwnd_ = nullptr;
  int width_ = 0, height_ = 0;
};

}  // namespace

std::unique_ptr<EditorWindow> EditorWindow::create(int width, int height, const std::string& title,
                                                   std::string& error) {
  auto window = std::make_unique<Win32Window>();
  if (!window->open(width, height, title, error)) return nullptr;
  return window;
}

}  // namespace host
