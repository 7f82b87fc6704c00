#pragma once

#include <QObject>
#include <functional>
#include <vector>

// Each folder of tests/ builds one executable; every test class in it registers
// itself here and the shared main() runs them all, in the order registered.
inline std::vector<std::function<QObject*()>>& testClasses() {
  static std::vector<std::function<QObject*()>> classes;
  return classes;
}

#define J1939_TEST(Class) \
  static const bool registered_##Class = (testClasses().push_back([] { return new Class; }), true)
