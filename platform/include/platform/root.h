#pragma once
// The device root: every absolute path the unit uses (/mnt/cfg, /dev/..., /proc/...,
// /sys/..., /opt/...) resolves below one host directory. On the board the root is "/".
// This is the only place that prefixes paths; no other code builds host paths itself.
//
// The root comes from the environment variable PANEL_ROOT, else "panel-root" in the
// working directory. Tests give each test its own temporary root with SetDeviceRoot.

#include <cstddef>
#include <string>
#include <string_view>

namespace plat {

// Replaces the device root (tests, start-up). Not safe against a concurrent MapPath.
void SetDeviceRoot(std::string_view host_dir);
const char* DeviceRoot();

// Maps an absolute unit path to its host path in out. Refuses (false) a relative path,
// a ".." component and a result that does not fit. Allocates nothing, takes no lock:
// callable from the time-slice handler.
bool MapPath(const char* unit_path, char* out, std::size_t out_size);

// The same, as a string; an empty string when the path is refused.
std::string HostPath(std::string_view unit_path);

// Creates the directory chain of a unit path under the root (mkdir -p). True on success.
// Allocates nothing.
bool MakeUnitDirs(std::string_view unit_dir);

}  // namespace plat
