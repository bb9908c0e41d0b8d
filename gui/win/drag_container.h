// The items of an OLE drag: one UTF-8 text, or the dropped files as UTF-8 paths, with
// shortcuts (".lnk") resolved to their targets.
#pragma once
#include "gui/win/windows_headers.h"
#include <ole2.h>

#include <string>

#include "gui/view.h"

namespace Toolkit {

// True when the file name (after the last separator) continues, from its first ".",
// with exactly ".lnk" in any case.
bool isShortcutName(const wchar_t* path);
// The target of a shortcut file, or "" when it cannot be resolved (500 ms at most).
std::wstring resolveShortcut(const wchar_t* path);

class WinDragContainer : public CDragContainer {
public:
  explicit WinDragContainer(IDataObject* data);  // holds a reference to data
  ~WinDragContainer() override;

  int32_t getCount() override { return count_; }
  const char* next(int32_t& size, int32_t& type) override;
  bool isText() const { return text_; }

private:
  IDataObject* data_;
  int32_t count_ = 0;
  int32_t index_ = 0;
  bool text_ = false;
  std::string item_;  // the item last returned
};

}  // namespace Toolkit
