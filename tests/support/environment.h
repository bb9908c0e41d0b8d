// Setting and clearing an environment variable of this process, on both platforms.
#pragma once
#include <cstdlib>

namespace brimtrace_test {

// Null (or, on Windows, empty) clears the variable.
inline void setVariable(const char* name, const char* value) {
#ifdef _WIN32
  _putenv_s(name, value ? value : "");
#else
  if (value)
    setenv(name, value, 1);
  else
    unsetenv(name);
#endif
}

// A variable set for as long as this object lives, cleared after.
struct ScopedVariable {
  ScopedVariable(const char* name, const char* value) : name_(name) { setVariable(name, value); }
  ~ScopedVariable() { setVariable(name_, nullptr); }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
  const char* name_;
};

}  // namespace brimtrace_test
