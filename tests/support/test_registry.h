// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <functional>
#include <memory>

namespace ferrotap::test {

using TestFactory = std::function<std::unique_ptr<QObject>()>;

// Adds a Qt Test class to the suite of this executable; run by the shared test main.
bool RegisterTest(const char* name, TestFactory factory);

}  // namespace ferrotap::test

#define FERROTAP_TEST(Class)                                                            \
  namespace {                                                                           \
  [[maybe_unused]] const bool kRegistered##Class =                                      \
      ::ferrotap::test::RegisterTest(#Class, [] { return std::make_unique<Class>(); }); \
  }
