#include "support/TestMain.h"

#include <QApplication>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {
std::map<std::string, j1939test::TestRun>& registry() {
  static std::map<std::string, j1939test::TestRun> tests;
  return tests;
}
}  // namespace

bool j1939test::registerTest(const char* name, TestRun run) {
  return registry().emplace(name, std::move(run)).second;
}

int main(int argc, char* argv[]) {
  const auto& tests = registry();
  if (tests.size() != J1939_TEST_FILES) {
    std::fprintf(stderr, "%zu test classes registered, %d test files built in\n", tests.size(),
                 J1939_TEST_FILES);
    return 3;
  }
  const auto test = argc > 1 ? tests.find(argv[1]) : tests.end();
  if (test == tests.end()) {
    std::fprintf(stderr, "usage: %s TEST [QtTest options and functions]\ntests:", argv[0]);
    for (const auto& [name, run] : tests) std::fprintf(stderr, " %s", name.c_str());
    std::fprintf(stderr, "\n");
    return 2;
  }
  // What QTEST_MAIN sets up for a widgets test, then the class's own run, its
  // arguments being those after the test's name.
  QApplication app(argc, argv);
  QApplication::setAttribute(Qt::AA_Use96Dpi, true);
  std::vector<char*> args{argv[0]};
  args.insert(args.end(), argv + 2, argv + argc);
  return test->second(static_cast<int>(args.size()), args.data());
}
