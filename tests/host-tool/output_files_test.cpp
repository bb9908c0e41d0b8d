// OutputFiles: an output is refused when it is an input or another output by any
// spelling, is written through a new temporary beside it, and appears only on commit.
#include "tools/host/output_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/host-tool/test_files.h"

namespace fs = std::filesystem;
using host::OutputFiles;

namespace {

std::string contents(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// A folder of its own, holding take.wav, removed afterwards.
struct Folder {
  Folder() : tmp(""), dir(tmp.path()) {
    fs::create_directories(dir / "sub");
    std::ofstream(dir / "take.wav") << "input";
  }
  ~Folder() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  std::string at(const std::string& name) const { return (dir / name).string(); }
  host_test::TempFile tmp;
  fs::path dir;
};

}  // namespace

TEST(OutputFiles, RefusesTheInputByAnySpellingAndTwoOutputsNamingOneFile) {
  Folder f;
  fs::create_hard_link(f.dir / "take.wav", f.dir / "hard.wav");
  std::vector<std::string> spellings = {f.at("take.wav"), f.at("./take.wav"), f.at("sub/../take.wav"),
                                        f.at("hard.wav")};
  std::error_code ec;
  fs::create_symlink(f.dir / "take.wav", f.dir / "link.wav", ec);
#if !defined(_WIN32)
  ASSERT_FALSE(ec) << ec.message();  // Wine may not make symbolic links
#endif
  if (!ec) spellings.push_back(f.at("link.wav"));
  for (const auto& spelling : spellings) {
    OutputFiles outputs({f.at("take.wav")});
    std::string temporary, error;
    EXPECT_FALSE(outputs.add(spelling, temporary, error)) << spelling;
    EXPECT_NE(error.find("it is the input"), std::string::npos) << error;
  }
  OutputFiles outputs({f.at("take.wav")});
  std::string temporary, error;
  ASSERT_TRUE(outputs.add(f.at("r.out"), temporary, error)) << error;
  EXPECT_FALSE(outputs.add(f.at("sub/../r.out"), temporary, error));
  EXPECT_NE(error.find("names the same file"), std::string::npos) << error;
  EXPECT_EQ(contents(f.dir / "take.wav"), "input");
}

TEST(OutputFiles, WritesThroughNewTemporariesPutInPlaceOnlyOnCommit) {
  Folder f;
  std::ofstream(f.dir / "old.wav") << "before";
  std::string first, second, error;
  {
    OutputFiles outputs({f.at("take.wav")});
    ASSERT_TRUE(outputs.add(f.at("old.wav"), first, error)) << error;
    ASSERT_TRUE(outputs.add(f.at("new.csv"), second, error)) << error;
    EXPECT_EQ(fs::path(first).parent_path(), f.dir);
    EXPECT_EQ(fs::path(first).extension(), ".wav");  // the writers choose their format by it
    EXPECT_EQ(fs::file_size(first), 0u);
    EXPECT_NE(first, second);
    std::ofstream(first) << "after";
  }  // not committed: the temporaries go, the old output stays
  EXPECT_FALSE(fs::exists(first));
  EXPECT_FALSE(fs::exists(second));
  EXPECT_EQ(contents(f.dir / "old.wav"), "before");
  EXPECT_FALSE(fs::exists(f.dir / "new.csv"));

  OutputFiles outputs({f.at("take.wav")});
  ASSERT_TRUE(outputs.add(f.at("old.wav"), first, error)) << error;
  ASSERT_TRUE(outputs.add(f.at("new.csv"), second, error)) << error;
  std::ofstream(first) << "after";
  std::ofstream(second) << "rows";
  ASSERT_TRUE(outputs.commit(error)) << error;
  EXPECT_EQ(contents(f.dir / "old.wav"), "after");
  EXPECT_EQ(contents(f.dir / "new.csv"), "rows");
  size_t files = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(f.dir)) ++files;
  EXPECT_EQ(files, 4u);  // sub, take.wav, old.wav, new.csv: no temporary left
}
