// A VST 2.4 plug-in library loaded with the platform's loader (dlopen / LoadLibrary), the
// way a host loads it. Shared by the command-line host and the test host.
#pragma once
#include <string>

#include "plugin/vst2/vst2.h"

class PluginModule {
public:
  using Entry = AEffect*(VST_CALLBACK*)(audioMasterCallback);

  explicit PluginModule(const std::string& path);
  ~PluginModule();  // unloads
  // Unloads now; true when the platform's loader released the library.
  bool unload();
  PluginModule(const PluginModule&) = delete;
  PluginModule& operator=(const PluginModule&) = delete;

  bool loaded() const { return handle_ != nullptr; }
  void* handle() const { return handle_; }
  // Why loading failed, as the platform's loader tells it.
  const std::string& error() const { return error_; }

  void* symbol(const char* name) const;
  Entry entry(const char* name = "VSTPluginMain") const { return reinterpret_cast<Entry>(symbol(name)); }
  // The entry a host looks for first: VSTPluginMain, then the older main. Null when
  // the library exports neither; *name tells which one was found.
  Entry findEntry(const char** name = nullptr) const;

private:
  void* handle_ = nullptr;
  std::string error_;
};
