// What the file helpers need from the system; one implementation per platform
// (runtime/win, runtime/linux).
#pragma once
#include <string>

namespace runtime_platform {
// Full file name of the module (null: the module holding this code), "" when unknown.
std::string moduleFileName(void* module);
// The audible signal after a log line.
void logSignal();
// Where the debug log goes.
const char* logPath();
}  // namespace runtime_platform
