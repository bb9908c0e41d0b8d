// Bounded text copies into host buffers: the host's buffer sizes are fixed by the
// interface, and names longer than them are cut rather than written past the end.
#pragma once
#include <cstddef>
#include <cstring>
#include <string_view>

// Copies at most capacity - 1 bytes of text and always writes the terminating zero.
// A null destination or a capacity of 0 writes nothing.
inline void copyText(char* destination, std::string_view text, std::size_t capacity) {
  if (!destination || capacity == 0) return;
  const std::size_t n = text.size() < capacity - 1 ? text.size() : capacity - 1;
  std::memcpy(destination, text.data(), n);
  destination[n] = '\0';
}

// A host text that may lack its terminating zero: read no further than capacity bytes.
inline std::string_view boundedText(const char* text, std::size_t capacity) {
  if (!text) return {};
  const void* end = std::memchr(text, '\0', capacity);
  return {text, end ? static_cast<std::size_t>(static_cast<const char*>(end) - text) : capacity};
}
