// The effect's sparse memory of doubles, addressed by script values.
#pragma once
#include <cstdint>
#include <map>
#include <vector>

// 65536 doubles, zero-filled on first access.
using MemoryBlock = std::vector<double>;

class ScriptMemory {
public:
  static constexpr int32_t kBlockSize = 65536;

  // Reference to the cell toInt(base + offset); stays valid until clear().
  double& cell(double base, double offset);
  // Drops every block.
  void clear() { blocks_.clear(); }
  std::size_t blockCount() const { return blocks_.size(); }

private:
  std::map<int32_t, MemoryBlock> blocks_;
};
