// What the file helpers and the block clock need from the system; one implementation per platform
// (runtime/win, runtime/linux).
#pragma once
#include <optional>
#include <string>

namespace runtime_platform {
// Full file name of the module (null: the module holding this code), "" when unknown.
std::string moduleFileName(void* module);
// Whether the name is a folder (true) or some other file (false); nothing when it cannot
// be examined.
std::optional<bool> isFolder(const std::string& path);
// The audible signal after a log line.
void logSignal();
// Where the debug log goes.
const char* logPath();
// Wall-clock seconds since 1970 at the system tick's resolution (a few milliseconds):
// read once per audio block, where the precise clock cost as much as copying the block.
double coarseWallSeconds();
}  // namespace runtime_platform
