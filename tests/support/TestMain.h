#pragma once

#include <QObject>
#include <functional>
#include <vector>

// One executable per folder of tests/; main() runs every test class registered here.
inline std::vector<std::function<QObject*()>>& testClasses() {
  static std::vector<std::function<QObject*()>> classes;
  return classes;
}

#define J1939_TEST(Class) \
  static const bool registered_##Class = (testClasses().push_back([] { return new Class; }), true)
