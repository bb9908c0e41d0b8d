// The library's exported entry points, the only symbols a host looks up.
#include "plugin/vst2/instance.h"

#if defined(_WIN32)
#define BRIMTRACE_EXPORT __declspec(dllexport)
#else
#define BRIMTRACE_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {

BRIMTRACE_EXPORT AEffect* VSTPluginMain(audioMasterCallback audioMaster) {
  return createBrimtraceInstance(audioMaster);
}

// Older hosts look the same function up as "main"; C++ cannot name a function main,
// so the alias gets that symbol name from the assembler label.
BRIMTRACE_EXPORT AEffect* vstMainAlias(audioMasterCallback audioMaster) __asm__("main")
    __attribute__((alias("VSTPluginMain")));

BRIMTRACE_EXPORT AEffect* MAIN(audioMasterCallback audioMaster) { return VSTPluginMain(audioMaster); }

}  // extern "C"
