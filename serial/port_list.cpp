// SPDX-License-Identifier: MIT
#include "serial/port_list.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <system_error>

#include "serial/device_description.h"
#include "serial/port_map.h"

namespace ferrotap {
namespace {

namespace fs = std::filesystem;

// A device found while listing, before its numbers are settled.
struct FoundDevice {
  PortListing listing;
  std::string canonical;
  std::vector<uint16_t> mapped;
  uint16_t defaultNumber = 0;
};

bool IsVirtual(const std::string& path) {
  return path.rfind("virtual:", 0) == 0;
}

std::string Canonical(const std::string& path) {
  std::error_code error;
  const fs::path target = fs::canonical(path, error);
  return error ? std::string() : target.string();
}

// The entries of a folder by name; none when it is missing or unreadable.
std::vector<fs::path> Entries(const fs::path& folder) {
  std::vector<fs::path> entries;
  std::error_code error;
  for (auto it = fs::directory_iterator(folder, error); !error && it != fs::directory_iterator();
       it.increment(error)) {
    entries.push_back(it->path());
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

FoundDevice* Find(std::vector<FoundDevice>& devices, const std::string& canonical) {
  for (FoundDevice& device : devices) {
    if (device.canonical == canonical) return &device;
  }
  return nullptr;
}

FoundDevice& FindOrAdd(std::vector<FoundDevice>& devices, const std::string& path,
                       const std::string& canonical) {
  if (FoundDevice* device = Find(devices, canonical)) return *device;
  FoundDevice& added = devices.emplace_back();
  added.listing.path = path;
  added.canonical = canonical;
  return added;
}

void AddKernelDevices(std::vector<FoundDevice>& devices, const DeviceRoots& roots) {
  for (const fs::path& entry : Entries(fs::path(roots.sys) / "class" / "tty")) {
    const std::string name = entry.filename().string();
    if (!IsHardwarePort(name, roots.sys)) continue;
    const std::string node = roots.dev + "/" + name;
    const std::string canonical = Canonical(node);
    if (canonical.empty()) continue;
    FindOrAdd(devices, node, canonical).defaultNumber = DefaultPortNumber(name);
  }
}

void AddStableLinks(std::vector<FoundDevice>& devices, const DeviceRoots& roots) {
  for (const fs::path& link : Entries(fs::path(roots.dev) / "serial" / "by-id")) {
    const std::string canonical = Canonical(link.string());
    if (canonical.empty()) continue;
    FoundDevice& device = FindOrAdd(devices, canonical, canonical);
    device.listing.links.push_back(link.string());
  }
}

void AddMappedDevices(std::vector<FoundDevice>& devices, const std::vector<PortMapping>& mappings) {
  for (const PortMapping& mapping : mappings) {
    const std::string canonical = IsVirtual(mapping.path) ? mapping.path : Canonical(mapping.path);
    if (canonical.empty()) continue;
    FindOrAdd(devices, mapping.path, canonical).mapped.push_back(mapping.number);
  }
}

}  // namespace

std::vector<PortListing> ListSerialPorts(const std::string& exeDir, const DeviceRoots& roots) {
  std::vector<FoundDevice> devices;
  AddKernelDevices(devices, roots);
  AddStableLinks(devices, roots);
  const std::vector<PortMapping> mappings = ExplicitPortMappings(exeDir);
  AddMappedDevices(devices, mappings);
  std::set<uint16_t> mappedNumbers;
  for (const PortMapping& mapping : mappings) mappedNumbers.insert(mapping.number);

  std::vector<PortListing> listings;
  for (FoundDevice& device : devices) {
    PortListing& listing = device.listing;
    listing.numbers = device.mapped;
    // A number mapped elsewhere no longer reaches its default device.
    if (device.defaultNumber != 0 && mappedNumbers.count(device.defaultNumber) == 0) {
      listing.numbers.push_back(device.defaultNumber);
    }
    listing.description =
        IsVirtual(listing.path) ? "virtual cable" : DescribeDevice(listing.path, roots.sys);
    listings.push_back(std::move(listing));
  }
  std::sort(listings.begin(), listings.end(), [](const PortListing& a, const PortListing& b) {
    if (a.numbers.empty() != b.numbers.empty()) return b.numbers.empty();
    if (!a.numbers.empty() && a.numbers.front() != b.numbers.front()) {
      return a.numbers.front() < b.numbers.front();
    }
    return a.path < b.path;
  });
  return listings;
}

std::string PortListingText(const PortListing& listing) {
  std::string text = listing.numbers.empty() ? "-" : std::to_string(listing.numbers.front());
  text += "  " + listing.path + "  " + listing.description;
  for (const std::string& link : listing.links) text += "  " + link;
  return text;
}

std::vector<PortChoice> PortChoices(const std::vector<PortListing>& found,
                                    const std::string& exeDir) {
  std::set<uint16_t> numbers;
  for (uint16_t n = 1; n <= kClassicPortCount; ++n) numbers.insert(n);
  for (const PortListing& listing : found)
    numbers.insert(listing.numbers.begin(), listing.numbers.end());
  std::vector<PortChoice> choices;
  for (uint16_t n : numbers) {
    PortChoice& choice = choices.emplace_back();
    choice.number = n;
    choice.path = ResolveDevicePath(n, exeDir);
    for (const PortListing& listing : found) {
      if (std::find(listing.numbers.begin(), listing.numbers.end(), n) != listing.numbers.end()) {
        choice.found = listing.path + ": " + listing.description;
      }
    }
  }
  return choices;
}

}  // namespace ferrotap
