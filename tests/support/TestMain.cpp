#include "support/TestMain.h"

#include <QApplication>
#include <QTest>
#include <memory>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  int failed = 0;
  for (const auto& make : testClasses()) {
    const std::unique_ptr<QObject> test(make());
    failed += QTest::qExec(test.get(), argc, argv) != 0;
  }
  return failed == 0 ? 0 : 1;
}
