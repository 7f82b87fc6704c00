#pragma once
// One test executable per layer, one test class per file. Each file registers
// its class under a short name; `test_window files fileCommands` runs the
// class "files" with QtTest's own arguments after the name, as a file's own
// QTEST_MAIN would. The executable refuses to run when fewer classes are
// registered than files were built into it, so that a file whose registration
// is forgotten fails loudly instead of passing for want of running.
#include <QTest>
#include <functional>

// The tests name the tool's classes and functions as its own files do. The
// namespace is declared here as well: this header includes none of the tool's.
namespace j1939 {}
using namespace j1939;

namespace j1939test {
using TestRun = std::function<int(int argc, char** argv)>;
bool registerTest(const char* name, TestRun run);
}  // namespace j1939test

#define J1939_TEST_MAIN(TestClass, name)                                                 \
  namespace {                                                                            \
  const bool registered##TestClass = j1939test::registerTest(name, [](int c, char** v) { \
    TestClass test;                                                                      \
    return QTest::qExec(&test, c, v);                                                    \
  });                                                                                    \
  }
