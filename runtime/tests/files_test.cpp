// Paths relative to the library's own folder, the path helpers and the debug log.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "runtime/files.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace fs = std::filesystem;

TEST(PathHelpers, TakePathsApartAtEitherSeparator) {
  EXPECT_EQ(lastSeparator("C:\\Plugins/sub\\fx.dll"), 14);
  EXPECT_EQ(lastSeparator("fx.dll"), -1);
  EXPECT_EQ(directoryOf("C:\\Plugins\\fx.dll"), "C:\\Plugins\\");
  EXPECT_EQ(directoryOf("fx.dll"), "");
  EXPECT_EQ(fileNameOf("/usr/lib/fx.so"), "fx.so");
  EXPECT_EQ(fileNameOf("fx.dll"), "fx.dll");
  EXPECT_EQ(extensionOf("a/b.c/file.tar.gz"), ".gz");
  EXPECT_EQ(extensionOf("a/b.c/file"), ".c/file");  // a dot in a folder name counts
  EXPECT_EQ(extensionOf("file"), "");
  const std::string sep(1, kPathSeparator);
  EXPECT_EQ(withTrailingSeparator("dir"), "dir" + sep);
  EXPECT_EQ(withTrailingSeparator("dir\\"), "dir\\");
  EXPECT_EQ(withTrailingSeparator(""), sep);
  EXPECT_EQ(withLeadingSeparator("x"), sep + "x");
  EXPECT_EQ(withLeadingSeparator("/x"), "/x");
  EXPECT_EQ(withoutLeadingSeparator("\\\\x"), "\\x");
  EXPECT_TRUE(equalsIgnoreCase("Logo.PNG", "logo.png"));
  EXPECT_FALSE(equalsIgnoreCase("logo.png", "logo.pn"));
  EXPECT_FALSE(equalsExact("Logo.PNG", "logo.png"));
  EXPECT_TRUE(equalsExact(nullptr, ""));
}

TEST(ModulePaths, FolderOfTheModuleThatHoldsTheCode) {
  const std::string file = moduleFileName(nullptr);
  ASSERT_FALSE(file.empty());
  EXPECT_TRUE(fs::exists(fs::path(file))) << file;
  EXPECT_EQ(fileNameOf(file).rfind("runtime_files_test", 0), 0u) << file;
  const std::string dir = moduleDirectory();
  EXPECT_EQ(dir, directoryOf(file));
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(lastSeparator(dir), int32_t(dir.size()) - 1);
}

TEST(ModulePaths, ResolveDropsOneLeadingSeparator) {
  const std::string dir = moduleDirectory();
  EXPECT_EQ(resolvePath("50x50square_top_ON.png"), dir + "50x50square_top_ON.png");
  EXPECT_EQ(resolvePath("/50x50square_top_ON.png"), dir + "50x50square_top_ON.png");
  EXPECT_EQ(resolvePath("\\\\x.png"), dir + "\\x.png");
}

// A library loaded at run time answers with its own folder, not the executable's.
TEST(ModulePaths, ALoadedLibraryFindsItsOwnFolder) {
  const std::string exeDir = moduleDirectory();
#ifdef _WIN32
  const std::string probe = exeDir + "probe\\runtime_module_probe.dll";
  HMODULE library = LoadLibraryA(probe.c_str());
  ASSERT_NE(library, nullptr) << probe;
  auto ask = reinterpret_cast<const char* (*)()>(
      reinterpret_cast<void*>(GetProcAddress(library, "probeModuleDirectory")));
#else
  const std::string probe = exeDir + "probe/runtime_module_probe.so";
  void* library = dlopen(probe.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  auto ask = reinterpret_cast<const char* (*)()>(dlsym(library, "probeModuleDirectory"));
#endif
  ASSERT_NE(ask, nullptr);
  EXPECT_EQ(std::string(ask()), exeDir + "probe" + kPathSeparator);
#ifdef _WIN32
  FreeLibrary(library);
#else
  dlclose(library);
#endif
}

class DebugLog : public ::testing::Test {
protected:
  static inline int signals = 0;
  static void countSignal() { ++signals; }
  void SetUp() override {
    signals = 0;
    folder =
        fs::temp_directory_path() / ("brimtrace-log-" + std::to_string(reinterpret_cast<uintptr_t>(this)));
    fs::create_directories(folder);
    path = (folder / "tulk.log.txt").string();
    setDebugLogSignal(&countSignal);
  }
  void TearDown() override {
    setDebugLogPath(nullptr);
    setDebugLogSignal(nullptr);
    std::error_code ignored;
    fs::remove_all(folder, ignored);
  }
  std::string contents() const {
    std::ifstream in(path);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
  }
  fs::path folder;
  std::string path;
};

TEST_F(DebugLog, AppendsOneLinePerCallAndSignalsEachTime) {
  setDebugLogPath(path.c_str());
  debugLog("Unable to load: C:\\Plugins\\a.png");
  EXPECT_EQ(contents(), "Unable to load: C:\\Plugins\\a.png\n");
  EXPECT_EQ(signals, 1);
  debugLog("second %s line");  // the text is data, not a format
  EXPECT_EQ(contents(), "Unable to load: C:\\Plugins\\a.png\nsecond %s line\n");
  EXPECT_EQ(signals, 2);
}

TEST_F(DebugLog, AnUnwritableFileWritesNothingAndGivesNoSignal) {
  const std::string missing = (folder / "no-such-folder" / "tulk.log.txt").string();
  setDebugLogPath(missing.c_str());
  debugLog("lost");
  EXPECT_EQ(signals, 0);
  EXPECT_FALSE(fs::exists(missing));
}

TEST_F(DebugLog, ListFilesSkipsDotNamesAndFolders) {
  std::ofstream(folder / "b.png") << "x";
  std::ofstream(folder / ".hidden") << "x";
  fs::create_directories(folder / "sub");
  std::vector<std::string> names = {"kept"};
  EXPECT_EQ(listFiles(withTrailingSeparator(folder.string()), names), 0);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"b.png", "kept"}));
  std::vector<std::string> none = {"kept"};
  EXPECT_EQ(listFiles((folder / "nothing" / "").string(), none), 0);
  EXPECT_EQ(none, std::vector<std::string>{"kept"});
}
