#include "support/TestMain.h"

#include <QApplication>
#include <QtTest>
#include <memory>
#include <utility>
#include <vector>

namespace {
std::vector<std::pair<const char*, std::function<QObject*()>>>& registry() {
  static std::vector<std::pair<const char*, std::function<QObject*()>>> classes;
  return classes;
}
}  // namespace

bool registerTestClass(const char* name, std::function<QObject*()> make) {
  registry().emplace_back(name, std::move(make));
  return true;
}

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("TarvikConfigTests"));
  QApplication::setApplicationName(QStringLiteral("TarvikConfigTests"));
  int failed = 0;
  for (const auto& [name, make] : registry()) {
    std::unique_ptr<QObject> test(make());
    if (QTest::qExec(test.get(), argc, argv) != 0) ++failed;
  }
  return failed == 0 ? 0 : 1;
}
