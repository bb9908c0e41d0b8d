// The effect's sparse memory of doubles, addressed by script values.
#pragma once
#include <cstdint>
#include <map>

// 65536 doubles, taken zeroed from the system on first access: pages that nothing touches
// are never resident, so a block that only a few cells use costs a page or two.
class MemoryBlock {
public:
  static constexpr std::size_t kBytes = 65536 * sizeof(double);
  MemoryBlock() = default;
  MemoryBlock(const MemoryBlock&) = delete;
  MemoryBlock& operator=(const MemoryBlock&) = delete;
  ~MemoryBlock();
  // The cells, taken on the first call; null when the system refuses.
  double* cells();

private:
  double* cells_ = nullptr;
};

class ScriptMemory {
public:
  static constexpr int32_t kBlockSize = 65536;

  // Reference to the cell toInt(base + offset); stays valid until clear(). Block
  // toInt(...) >> 16, entry toInt(...) & 0xFFFF; the block is made (zero-filled) on first use.
  double& cell(double base, double offset);
  // The cell toInt(base) as the start of a run of values inside its block: room is how
  // many doubles the block holds from there. Null (room 0) when the block cannot be made.
  double* span(double base, int32_t& room);
  // Drops every block.
  void clear() { blocks_.clear(); }
  std::size_t blockCount() const { return blocks_.size(); }

private:
  double* locate(int32_t index);  // null when the block cannot be allocated
  std::map<int32_t, MemoryBlock> blocks_;
  double spare_ = 0.0;  // handed out when a block cannot be allocated
};
