// Paths relative to the plug-in's own library file, path and text helpers, and the
// debug log. Paths are 8-bit byte strings; a backslash and a slash both count as a
// separator when a path is taken apart.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The separator this platform's paths are joined with.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// Module of the plug-in library, recorded by the library's entry routine on Windows
// (DllMain). Null until recorded; the file operations then use the module that holds
// this code. On Linux a "module" is any address inside it.
void setModuleHandle(void* handle);
void* moduleHandle();

// Full file name of the module (null: the module that holds this code); "" when the
// system cannot tell.
std::string moduleFileName(void* module);
// Folder of the plug-in library, ending with its separator; "" when the file name has
// none. Asked for anew on every call.
std::string moduleDirectory();
// The plug-in's folder followed by name without one leading separator; nothing else of
// name is examined.
std::string resolvePath(const std::string& name);
std::string withoutLeadingSeparator(const std::string& path);

// Appends "text\n" to the log file and then gives an audible signal (Windows: Beep, which
// holds the caller 200 ms; Linux: none). The file is opened and closed per line; when it
// cannot be opened nothing is written and no signal is given.
void debugLog(const std::string& text);
// Test seams, never used by the plug-in: another log file and another signal (null
// restores the default). The path must outlive its use.
void setDebugLogPath(const char* path);
void setDebugLogSignal(void (*signal)());
// The log file used when no other is set.
const char* defaultDebugLogPath();

// Index of the last separator, or -1.
int32_t lastSeparator(const std::string& path);
// Up to and including the last separator; "" when there is none.
std::string directoryOf(const std::string& path);
// After the last separator; the whole path when there is none.
std::string fileNameOf(const std::string& path);
// From the last "." on, dot included; "" without a dot (a dot in a folder name counts).
std::string extensionOf(const std::string& path);
// The path with kPathSeparator appended unless it ends with a separator ("" does not).
std::string withTrailingSeparator(const std::string& path);
// The path with kPathSeparator put in front unless it begins with a separator.
std::string withLeadingSeparator(const std::string& path);
// C-string comparisons; a null pointer counts as "".
bool equalsIgnoreCase(const char* a, const char* b);
bool equalsExact(const char* a, const char* b);
// Appends the names of the files in folder (which must end with a separator): names
// beginning with "." are skipped, and so are folders and entries whose status cannot be
// read. Leaves names unchanged when the folder cannot be opened. Returns 0.
int32_t listFiles(const std::string& folder, std::vector<std::string>& names);
