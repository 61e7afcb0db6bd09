// SPDX-License-Identifier: MIT
#pragma once

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <string>

namespace ferrotap::test {

inline void WriteFile(const std::filesystem::path& file, const std::string& text) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file) << text << '\n';
}

// A sysfs-like tree beside a /dev-like folder: class/tty/<name> links into devices/, and a port's
// "device" link points at the device that owns it, as the kernel lays them out.
class FakeSysfs {
 public:
  FakeSysfs() : root_(dir_.path().toStdString() + "/sys") {}

  const std::filesystem::path& Root() const { return root_; }
  // A path in the temporary folder; "dev/<name>" is a device node.
  std::string Dev(const std::string& name) const { return dir_.path().toStdString() + "/" + name; }
  std::string DevRoot() const { return Dev("dev"); }

  // deviceDir is relative to devices/; the tty sits below it in tty/<name>.
  void AddTty(const std::string& name, const std::string& deviceDir) {
    namespace fs = std::filesystem;
    const fs::path tty = root_ / "devices" / deviceDir / "tty" / name;
    fs::create_directories(tty);
    fs::create_symlink("../../../" + fs::path(deviceDir).filename().string(), tty / "device");
    fs::create_directories(root_ / "class" / "tty");
    fs::create_symlink(fs::relative(tty, root_ / "class" / "tty"), root_ / "class" / "tty" / name);
  }
  // A tty without hardware, such as a virtual console.
  void AddVirtualTty(const std::string& name) {
    std::filesystem::create_directories(root_ / "devices" / "virtual" / "tty" / name);
    std::filesystem::create_directories(root_ / "class" / "tty");
    std::filesystem::create_symlink("../../devices/virtual/tty/" + name,
                                    root_ / "class" / "tty" / name);
  }
  void Attribute(const std::string& dir, const std::string& name, const std::string& value) {
    WriteFile(root_ / "devices" / dir / name, value);
  }
  void UsbDevice(const std::string& dir, const std::string& product, const std::string& maker,
                 const std::string& serial) {
    Attribute(dir, "idVendor", "0403");
    Attribute(dir, "idProduct", "6001");
    if (!product.empty()) Attribute(dir, "product", product);
    if (!maker.empty()) Attribute(dir, "manufacturer", maker);
    if (!serial.empty()) Attribute(dir, "serial", serial);
  }
  // A tty of a USB adapter on port n of the first bus: ttyUSB sits below its interface, ttyACM
  // is the interface.
  void AddUsbTty(const std::string& name, int n, const std::string& product,
                 const std::string& maker, const std::string& serial) {
    const std::string device = "pci0000:00/0000:00:14.0/usb1/1-" + std::to_string(n);
    const std::string interface = device + "/1-" + std::to_string(n) + ":1.0";
    UsbDevice(device, product, maker, serial);
    AddTty(name, name.rfind("ttyUSB", 0) == 0 ? interface + "/" + name : interface);
  }
  // A built-in port whose probe found the UART of this kernel type ("0" for none).
  void AddUart(const std::string& name, const std::string& type) {
    const std::string device = "platform/serial8250/" + name;
    AddTty(name, device);
    Attribute(device + "/tty/" + name, "type", type);
  }
  void AddNode(const std::string& name) { WriteFile(DevRoot() + "/" + name, ""); }
  void RemoveNode(const std::string& name) { std::filesystem::remove(DevRoot() + "/" + name); }
  void AddStableLink(const std::string& name, const std::string& node) {
    std::filesystem::create_directories(DevRoot() + "/serial/by-id");
    std::filesystem::create_symlink(DevRoot() + "/" + node, DevRoot() + "/serial/by-id/" + name);
  }

 private:
  QTemporaryDir dir_;
  std::filesystem::path root_;
};

}  // namespace ferrotap::test
