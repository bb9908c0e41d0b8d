// OLE drag and drop on the frame window: the effect offered back, the items a drag
// container yields (text as UTF-8, files, shortcuts resolved), and the drag reaching
// the view under the pointer without changing anything.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstring>
#include <string>
#include <vector>

#include "gui/frame.h"
#include "gui/win/drag_container.h"
#include "gui/win/drop_target.h"
#include "tests/editor/host_window.h"
#include "tests/support/frame_doubles.h"

using namespace Toolkit;
using namespace brimtrace_test;
using ::testing::ElementsAre;

namespace {

// An IDataObject with either a text (CF_UNICODETEXT) or a list of files (CF_HDROP).
class FakeData : public IDataObject {
public:
  static FakeData* text(const std::wstring& t) {
    auto* d = new FakeData;
    d->text_ = t;
    d->isText_ = true;
    return d;
  }
  static FakeData* files(const std::vector<std::wstring>& names) {
    auto* d = new FakeData;
    d->files_ = names;
    return d;
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject)) {
      *out = this;
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG n = --refs;
    if (n == 0) delete this;
    return n;
  }
  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
    if (!(format->tymed & TYMED_HGLOBAL)) return DV_E_TYMED;
    HGLOBAL memory = nullptr;
    if (format->cfFormat == CF_UNICODETEXT && isText_) {
      const size_t bytes = (text_.size() + 1) * sizeof(wchar_t);
      memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
      std::memcpy(GlobalLock(memory), text_.c_str(), bytes);
      GlobalUnlock(memory);
    } else if (format->cfFormat == CF_HDROP && !isText_) {
      std::wstring list;
      for (const auto& f : files_) list += f + L'\0';
      list += L'\0';
      const size_t bytes = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
      memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
      auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
      drop->pFiles = sizeof(DROPFILES);
      drop->fWide = TRUE;
      std::memcpy(drop + 1, list.data(), list.size() * sizeof(wchar_t));
      GlobalUnlock(memory);
    } else {
      return DV_E_FORMATETC;
    }
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = memory;
    medium->pUnkForRelease = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

  ULONG refs = 1;

private:
  FakeData() = default;
  virtual ~FakeData() = default;
  bool isText_ = false;
  std::wstring text_;
  std::vector<std::wstring> files_;
};

struct Item {
  std::string bytes;
  int32_t type;
};

std::vector<Item> items(WinDragContainer& drag) {
  std::vector<Item> out;
  for (int i = 0; i < 10; ++i) {
    int32_t size = -7, type = -7;
    const char* bytes = drag.next(size, type);
    if (!bytes) break;
    out.push_back({std::string(bytes, static_cast<size_t>(size)), type});
  }
  return out;
}

std::wstring tempFolder() {
  wchar_t path[MAX_PATH];
  GetTempPathW(MAX_PATH, path);
  std::wstring folder = std::wstring(path) + L"brimtrace drag.test\\";
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

std::string utf8(const std::wstring& w) {
  const int n =
      WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}

struct OleScope {
  OleScope() { OleInitialize(nullptr); }
  ~OleScope() { OleUninitialize(); }
};

}  // namespace

TEST(DropEffect, CopyWhenAllowedElseMoveElseLinkElseNone) {
  EXPECT_EQ(reduceDropEffect(DROPEFFECT_COPY | DROPEFFECT_MOVE), DWORD(DROPEFFECT_COPY));
  EXPECT_EQ(reduceDropEffect(DROPEFFECT_MOVE | DROPEFFECT_LINK), DWORD(DROPEFFECT_MOVE));
  EXPECT_EQ(reduceDropEffect(DROPEFFECT_LINK), DWORD(DROPEFFECT_LINK));
  EXPECT_EQ(reduceDropEffect(DROPEFFECT_NONE), DWORD(DROPEFFECT_NONE));
}

TEST(DragContainer, TextIsOneUtf8ItemGivenOnce) {
  FakeData* data = FakeData::text(L"Gr\u00fc\u00dfe \u266a");
  WinDragContainer drag(data);
  data->Release();
  EXPECT_EQ(drag.getCount(), 1);
  const auto got = items(drag);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].bytes,
            "Gr\xc3\xbc\xc3\x9f"
            "e \xe2\x99\xaa");
  EXPECT_EQ(got[0].type, CDragContainer::kText);
}

TEST(DragContainer, FilesInOrderAndNoDataIsAnError) {
  FakeData* data = FakeData::files({L"C:\\music\\one.wav", L"C:\\m\u00fcsic\\two.txt"});
  WinDragContainer drag(data);
  EXPECT_EQ(drag.getCount(), 2);
  const auto got = items(drag);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].bytes, "C:\\music\\one.wav");
  EXPECT_EQ(got[0].type, CDragContainer::kFile);
  EXPECT_EQ(got[1].bytes, "C:\\m\xc3\xbcsic\\two.txt");
  data->Release();
  EXPECT_EQ(data->refs, 1u);  // the container still holds its reference

  WinDragContainer none(nullptr);
  int32_t size = 5, type = 5;
  EXPECT_EQ(none.next(size, type), nullptr);
  EXPECT_EQ(type, CDragContainer::kError);
  EXPECT_EQ(none.getCount(), 0);
}

TEST(DragContainer, ShortcutNamesAreJudgedFromTheFirstDotOfTheFileName) {
  EXPECT_TRUE(isShortcutName(L"C:\\x\\song.lnk"));
  EXPECT_TRUE(isShortcutName(L"C:\\x\\SONG.LNK"));
  EXPECT_TRUE(isShortcutName(L"C:\\john.doe\\song.lnk"));  // a dot in a folder does not count
  EXPECT_FALSE(isShortcutName(L"C:\\x\\a.lnk.txt"));
  EXPECT_FALSE(isShortcutName(L"C:\\x\\song.v2.lnk"));
  EXPECT_FALSE(isShortcutName(L"C:\\x.lnk\\song.txt"));
  EXPECT_FALSE(isShortcutName(L"C:\\x\\lnk"));
  EXPECT_FALSE(isShortcutName(nullptr));
}

TEST(DragContainer, ADraggedShortcutYieldsItsTarget) {
  OleScope ole;
  const std::wstring folder = tempFolder();
  const std::wstring target = folder + L"target.wav";
  const std::wstring shortcut = folder + L"song.lnk";
  const std::wstring notShortcut = folder + L"a.lnk.txt";
  CloseHandle(CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  CloseHandle(CreateFileW(notShortcut.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  IShellLinkW* link = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                             reinterpret_cast<void**>(&link)),
            S_OK);
  link->SetPath(target.c_str());
  IPersistFile* file = nullptr;
  ASSERT_EQ(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)), S_OK);
  ASSERT_EQ(file->Save(shortcut.c_str(), TRUE), S_OK);
  file->Release();
  link->Release();

  FakeData* data = FakeData::files({shortcut, notShortcut});
  WinDragContainer drag(data);
  data->Release();
  const auto got = items(drag);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].bytes, utf8(target));
  EXPECT_EQ(got[1].bytes, utf8(notShortcut));

  DeleteFileW(shortcut.c_str());
  DeleteFileW(target.c_str());
  DeleteFileW(notShortcut.c_str());
  RemoveDirectoryW(folder.c_str());
}

TEST(DropTarget, AnswersItsInterfacesAndDiesWithItsLastReference) {
  auto* target = new CDropTarget(nullptr);
  EXPECT_EQ(target->refCount(), 0u);
  void* out = nullptr;
  ASSERT_EQ(target->QueryInterface(IID_IDropTarget, &out), S_OK);
  EXPECT_EQ(out, static_cast<IDropTarget*>(target));
  EXPECT_EQ(target->QueryInterface(IID_IUnknown, &out), S_OK);
  EXPECT_EQ(target->QueryInterface(IID_IDataObject, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(target->refCount(), 2u);
  target->Release();
  EXPECT_EQ(target->Release(), 0u);
}

TEST(DropTarget, ADragReachesTheViewUnderThePointerAndADropChangesNothing) {
  REQUIRE_WINDOWS();
  HostWindow host;
  ASSERT_TRUE(host.ok());
  EventLog events;
  auto* frame = new CFrame(CRect(0, 0, 400, 400), host.handle(), nullptr);
  ASSERT_TRUE(frame->isOpen());
  frame->addView(new TestView(CRect(100, 100, 300, 300), "v", &events));
  RECT r{};
  GetWindowRect(static_cast<HWND>(frame->getSystemWindow()), &r);
  SetCursorPos(r.left + 150, r.top + 170);
  events.events.clear();

  auto* target = new CDropTarget(frame);
  target->AddRef();
  FakeData* data = FakeData::files({L"C:\\a.wav"});
  DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
  const POINTL pt{0, 0};
  EXPECT_EQ(target->DragEnter(data, 0, pt, &effect), S_OK);
  EXPECT_EQ(effect, DWORD(DROPEFFECT_COPY));
  ASSERT_NE(CDropTarget::currentDrag(), nullptr);
  EXPECT_EQ(CDropTarget::currentDrag()->getCount(), 1);
  effect = DROPEFFECT_MOVE | DROPEFFECT_LINK;
  EXPECT_EQ(target->DragOver(0, pt, &effect), S_OK);
  EXPECT_EQ(effect, DWORD(DROPEFFECT_MOVE));
  effect = DROPEFFECT_LINK;
  EXPECT_EQ(target->Drop(data, 0, pt, &effect), S_OK);
  EXPECT_EQ(effect, DWORD(DROPEFFECT_LINK));  // the drop leaves the effect alone
  EXPECT_EQ(CDropTarget::currentDrag(), nullptr);
  EXPECT_THAT(events.events, ElementsAre("dragEnter v 50 70 0", "dragMove v 50 70 0", "drop v 50 70 0"));

  // Without a data object nothing starts; a leave without a drag does nothing.
  effect = DROPEFFECT_COPY;
  EXPECT_EQ(target->DragEnter(nullptr, 0, pt, &effect), S_OK);
  EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
  EXPECT_EQ(target->DragLeave(), S_OK);
  EXPECT_EQ(data->refs, 1u);  // the container gave its reference back
  data->Release();

  // A target whose frame has gone answers and does nothing.
  frame->release();
  target->detach();
  effect = DROPEFFECT_COPY;
  data = FakeData::text(L"x");
  EXPECT_EQ(target->DragEnter(data, 0, pt, &effect), S_OK);
  EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
  data->Release();
  target->Release();
}
