#include "gui/win/drag_container.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cwctype>
#include <vector>

namespace Toolkit {

namespace {

constexpr UINT kNameChars = 2048;

FORMATETC formatOf(CLIPFORMAT format) { return {format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}; }

std::string toUtf8(const wchar_t* text, int length) {
  if (length <= 0) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), n, nullptr, nullptr);
  return out;
}

// The data object's global memory in a format, released when the holder goes.
class Medium {
public:
  Medium(IDataObject* data, CLIPFORMAT format) {
    FORMATETC f = formatOf(format);
    ok_ = data && data->GetData(&f, &medium_) == S_OK && medium_.tymed == TYMED_HGLOBAL && medium_.hGlobal;
  }
  ~Medium() {
    if (ok_) ReleaseStgMedium(&medium_);
  }
  Medium(const Medium&) = delete;
  Medium& operator=(const Medium&) = delete;
  bool ok() const { return ok_; }
  HGLOBAL global() const { return medium_.hGlobal; }

private:
  STGMEDIUM medium_{};
  bool ok_ = false;
};

}  // namespace

bool isShortcutName(const wchar_t* path) {
  if (!path) return false;
  // Only the file name counts: folders may have dots of their own.
  const wchar_t* name = path;
  for (const wchar_t* p = path; *p; ++p)
    if (*p == L'\\' || *p == L'/') name = p + 1;
  const wchar_t* dot = wcschr(name, L'.');
  if (!dot) return false;
  const wchar_t* lnk = L".lnk";
  for (int i = 0; i < 5; ++i)
    if (std::towlower(dot[i]) != lnk[i]) return false;
  return true;
}

std::wstring resolveShortcut(const wchar_t* path) {
  std::wstring target;
  IShellLinkW* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link))))
    return target;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    if (SUCCEEDED(file->Load(path, STGM_READ)) &&
        SUCCEEDED(link->Resolve(nullptr, SLR_NO_UI | SLR_ANY_MATCH | (500u << 16)))) {
      std::vector<wchar_t> buffer(kNameChars, L'\0');
      if (SUCCEEDED(link->GetPath(buffer.data(), static_cast<int>(kNameChars), nullptr, 0)))
        target = buffer.data();
    }
    file->Release();
  }
  link->Release();
  return target;
}

WinDragContainer::WinDragContainer(IDataObject* data) : data_(data) {
  if (!data_) return;
  data_->AddRef();
  if (Medium text(data_, CF_UNICODETEXT); text.ok()) {
    text_ = true;
    count_ = 1;
    return;
  }
  if (Medium files(data_, CF_HDROP); files.ok())
    count_ = static_cast<int32_t>(DragQueryFileW(static_cast<HDROP>(files.global()), 0xFFFFFFFF, nullptr, 0));
}

WinDragContainer::~WinDragContainer() {
  if (data_) data_->Release();
}

const char* WinDragContainer::next(int32_t& size, int32_t& type) {
  item_.clear();
  size = 0;
  type = kUnknown;
  if (!data_) {
    type = kError;
    return nullptr;
  }
  if (text_) {
    if (index_ > 0) return nullptr;  // the one text was given already
    ++index_;
    Medium text(data_, CF_UNICODETEXT);
    if (!text.ok()) return nullptr;
    const auto* wide = static_cast<const wchar_t*>(GlobalLock(text.global()));
    if (!wide) return nullptr;
    // The memory may lack a terminator: read no further than its size.
    const size_t limit = GlobalSize(text.global()) / sizeof(wchar_t);
    size_t length = 0;
    while (length < limit && wide[length]) ++length;
    item_ = toUtf8(wide, static_cast<int>(length));
    GlobalUnlock(text.global());
    size = static_cast<int32_t>(item_.size());
    type = kText;
    return item_.c_str();
  }
  if (index_ >= count_) return nullptr;
  Medium files(data_, CF_HDROP);
  const UINT index = static_cast<UINT>(index_++);
  if (!files.ok()) return nullptr;
  std::vector<wchar_t> name(kNameChars + 1, L'\0');
  if (DragQueryFileW(static_cast<HDROP>(files.global()), index, name.data(), kNameChars) == 0) return nullptr;
  std::wstring path = name.data();
  if (isShortcutName(path.c_str())) {
    std::wstring target = resolveShortcut(path.c_str());
    if (!target.empty()) path = target;
  }
  item_ = toUtf8(path.c_str(), static_cast<int>(path.size()));
  size = static_cast<int32_t>(item_.size());
  type = kFile;
  return item_.c_str();
}

}  // namespace Toolkit
