// The host window on Windows (and under Wine): a Win32 top-level window, read with
// GetDC + BitBlt and written with the GDI+ PNG encoder (flat API).
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
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<size_t>(n > 0 ? n : 1), L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), n);
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
    // A popup at the screen's origin: its client area is the whole window, on screen
    // where it is made, under Wine's X11 driver too.
    const DWORD style = WS_POPUP | WS_CLIPCHILDREN;
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
    pump();
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

  int childCount() const override {
    int n = 0;
    for (HWND c = GetWindow(hwnd_, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) ++n;
    return n;
  }

  std::vector<uint32_t> pixels() const override {
    std::vector<uint32_t> out;
    if (!hwnd_) return out;
    HDC window = GetDC(hwnd_);
    HDC memory = CreateCompatibleDC(window);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    if (bits && BitBlt(memory, 0, 0, width_, height_, window, 0, 0, SRCCOPY)) {
      GdiFlush();
      const auto* p = static_cast<const uint32_t*>(bits);
      out.assign(p, p + static_cast<size_t>(width_) * static_cast<size_t>(height_));
      for (uint32_t& v : out) v &= 0xFFFFFF;  // BI_RGB 32-bit: 0x00RRGGBB
    }
    SelectObject(memory, old);
    if (bitmap) DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(hwnd_, window);
    return out;
  }

  std::string where() const override { return "a Win32 window"; }

private:
  HWND hwnd_ = nullptr;
};

}  // namespace

std::string writePng(const std::vector<uint32_t>& pixels, int width, int height, const std::string& path) {
  std::vector<uint32_t> rows = pixels;  // GDI+ takes the rows as writable
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartupInput input;
  Gdiplus::Status status = Gdiplus::GdiplusStartup(&token, &input, nullptr);
  if (status == Gdiplus::Ok) {
    Gdiplus::GpBitmap* image = nullptr;
    status = Gdiplus::DllExports::GdipCreateBitmapFromScan0(width, height, width * 4, PixelFormat32bppRGB,
                                                            reinterpret_cast<BYTE*>(rows.data()), &image);
    if (status == Gdiplus::Ok) {
      status = Gdiplus::DllExports::GdipSaveImageToFile(image, widen(path).c_str(), &kPngEncoder, nullptr);
      Gdiplus::DllExports::GdipDisposeImage(image);
    }
    Gdiplus::GdiplusShutdown(token);
  }
  return status == Gdiplus::Ok ? "" : "GDI+ status " + std::to_string(static_cast<int>(status));
}

std::unique_ptr<EditorWindow> EditorWindow::create(int width, int height, const std::string& title,
                                                   std::string& error) {
  auto window = std::make_unique<Win32Window>();
  return window->open(width, height, title, error) ? std::move(window) : nullptr;
}

}  // namespace host
