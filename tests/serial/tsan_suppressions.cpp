// SPDX-License-Identifier: MIT
// The Qt libraries are not built with ThreadSanitizer, so it cannot see their own
// synchronisation (the test runner's watchdog thread shows up as a race). Only reports whose
// stack runs through Qt are silenced; the serial layer itself uses no Qt.
extern "C" const char* __tsan_default_suppressions() {
  return "race:libQt6Core.so\n"
         "race:libQt6Test.so\n";
}
