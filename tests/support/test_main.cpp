// SPDX-License-Identifier: MIT
#include <QtTest>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/test_registry.h"

#ifdef FERROTAP_TEST_GUI
#include "app/application.h"
// The program's own application object, so that gui tests run under its general error report.
using TestApplication = ferrotap::Application;
#else
using TestApplication = QCoreApplication;
#endif

namespace ferrotap::test {
namespace {

struct Entry {
  std::string name;
  TestFactory factory;
};

std::vector<Entry>& Registry() {
  static std::vector<Entry> entries;
  return entries;
}

}  // namespace

bool RegisterTest(const char* name, TestFactory factory) {
  Registry().push_back({name, std::move(factory)});
  return true;
}

}  // namespace ferrotap::test

// Runs every registered test class; FERROTAP_TEST_ONLY=Name runs one. Arguments go to Qt Test.
int main(int argc, char* argv[]) {
#ifdef FERROTAP_TEST_GUI
  // Windows under test open their ports at start-up: unless a test maps a port number itself, it
  // gets one end of an in-process cable rather than whatever serial device this machine has.
  for (int n = 1; n <= 16; ++n) {
    const std::string name = "FERROTAP_COM" + std::to_string(n);
    const std::string path = "virtual:test-com" + std::to_string(n) + ":a";
    setenv(name.c_str(), path.c_str(), 0);
  }
#endif
  TestApplication app(argc, argv);
  const char* only = std::getenv("FERROTAP_TEST_ONLY");
  int failedClasses = 0;
  int ran = 0;
  for (const auto& entry : ferrotap::test::Registry()) {
    if (only != nullptr && entry.name != only) continue;
    auto object = entry.factory();
    ++ran;
    if (QTest::qExec(object.get(), argc, argv) != 0) ++failedClasses;
  }
  if (ran == 0) {
    std::fprintf(stderr, "no test class ran\n");
    return 1;
  }
  return failedClasses;
}
