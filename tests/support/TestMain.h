#pragma once

#include <QObject>
#include <functional>

// Each folder of tests/ builds one executable; every test class in it registers
// itself here and the shared main() runs them all, in the order registered.
bool registerTestClass(const char* name, std::function<QObject*()> make);

#define J1939_TEST(Class) \
  static const bool registered_##Class = registerTestClass(#Class, [] { return new Class; })
