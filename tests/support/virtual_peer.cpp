// SPDX-License-Identifier: MIT
#include "tests/support/virtual_peer.h"

#include <cstdlib>

namespace ferrotap::test {

VirtualPeer::VirtualPeer(int comNumber, const QString& cableName)
    : variable_("FERROTAP_COM" + std::to_string(comNumber)),
      cable_("virtual:" + cableName.toStdString()) {
  hadPrevious_ = qEnvironmentVariableIsSet(variable_.c_str());
  previous_ = qgetenv(variable_.c_str());
  qputenv(variable_.c_str(), QByteArray::fromStdString(cable_ + ":a"));
}

VirtualPeer::~VirtualPeer() {
  if (hadPrevious_) {
    qputenv(variable_.c_str(), previous_);
  } else {
    qunsetenv(variable_.c_str());
  }
}

bool VirtualPeer::Connect(bool paced) {
  device_.reset();
  device_ = VirtualSerialDevice::Open(cable_ + (paced ? ":b:paced" : ":b"));
  return device_ != nullptr;
}

void VirtualPeer::Send(const QByteArray& bytes) {
  device_->Write(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QByteArray VirtualPeer::Received() {
  char buffer[4096];
  for (;;) {
    const IoResult result = device_->Read(buffer, sizeof buffer);
    if (result.status != IoResult::Status::Ok || result.count == 0) break;
    received_.append(buffer, static_cast<qsizetype>(result.count));
  }
  return received_;
}

}  // namespace ferrotap::test
