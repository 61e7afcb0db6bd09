// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QString>

namespace ferrotap {

// Creates a control with its form name as objectName.
template <typename T, typename... Args>
T* Named(const char* name, Args&&... args) {
  auto* object = new T(std::forward<Args>(args)...);
  object->setObjectName(QString::fromLatin1(name));
  return object;
}

}  // namespace ferrotap
