// Value rules of effect code: every number is a double, every store is sanitised.
#pragma once
#include <cmath>
#include <cstdint>
#include <limits>

// NaN and infinities become 0; everything else (-0.0, subnormals) is kept.
inline double sanitize(double x) { return std::fabs(x) <= std::numeric_limits<double>::max() ? x : 0.0; }

// Moves 0.0001 away from zero, then truncates; out of range and NaN give INT32_MIN.
inline int32_t toInt(double x) {
  const double y = x < 0 ? x - 0.0001 : x + 0.0001;
  if (!(y > -2147483649.0 && y < 2147483648.0)) return INT32_MIN;
  return static_cast<int32_t>(y);
}

inline constexpr double kScriptEpsilon = 0.00001;

inline bool isTrue(double x) { return !(x > -kScriptEpsilon && x < kScriptEpsilon); }
inline bool isEqual(double a, double b) {
  const double d = a - b;
  return d > -kScriptEpsilon && d < kScriptEpsilon;
}

// Every condition-controlled loop of effect code stops after this many runs of its body.
inline constexpr int32_t loopLimit = 1000000;

// Store rule for a plain assignment made by effect code.
inline void store(double& target, double value) { target = sanitize(value); }

// Loops of effect code whose end depends on a condition. Both count the runs of the body
// and stop after loopLimit runs as if the condition had turned false; nothing is reported.
// The condition is a script value (or a comparison) tested with isTrue.
template <class Body, class Condition>
inline void loopTestAfter(Body&& body, Condition&& condition) {
  int32_t runs = 0;
  do {
    body();
  } while (++runs < loopLimit && isTrue(static_cast<double>(condition())));
}

template <class Condition, class Body>
inline void loopTestFirst(Condition&& condition, Body&& body) {
  for (int32_t runs = 0; runs < loopLimit && isTrue(static_cast<double>(condition())); ++runs) body();
}
