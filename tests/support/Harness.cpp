#include "support/Harness.h"

Harness::Harness() = default;

Harness::~Harness() {
  // The window's close handling belongs to the test that asks for it; here it
  // is only destroyed.
  window.reset();
}

MainWindow& Harness::create() {
  if (!window) {
    window = std::make_unique<MainWindow>(Platform{messages, fileDialogs, port, settings, clock},
                                          dir.path());
    messages.watch(window.get());
  }
  return *window;
}

MainWindow& Harness::start() {
  create();
  window->Form_Load();
  window->show();
  return *window;
}
