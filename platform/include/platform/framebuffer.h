#pragma once
// The display's framebuffer device "/dev/fb0". On the host it is a regular file below the
// device root, created on first open and grown to whatever length the video driver maps,
// so that a test or a person can read the frame at any time (tools/panel_fb2png turns it
// into a picture). The screen-information requests are answered here from a model of the
// display that tests can change, and faults of the device can be planted.
//
// Callers: the video driver's set-up and close (main thread); tests.

#include <cstddef>
#include <cstdint>

namespace plat {

inline constexpr char kFramebufferDevice[] = "/dev/fb0";

// What the display reports. visual 2 is true colour.
struct FbModel {
  uint32_t width = 800;
  uint32_t height = 480;
  uint32_t bits_per_pixel = 16;
  uint32_t visual = 2;
};

enum class FbFault { kNone, kOpen, kFixedInfo, kVariableInfo, kMap };

// Tests: the display the model reports and the one fault to plant (kNone clears it).
void FbSetModel(const FbModel& model);
void FbSetFault(FbFault fault);
// Back to an 800 x 480 true-colour display without a fault.
void FbReset();

// open() of the device: a descriptor, or -1.
int FbOpen(const char* unit_path);
// ioctl() of the device: FBIOGET_FSCREENINFO and FBIOGET_VSCREENINFO are answered from
// the model (0), anything else fails (-1).
int FbIoctl(int fd, unsigned long request, void* arg);
// mmap() of length bytes from offset 0, shared and read-write; the file grows to length
// when it is shorter. nullptr on failure.
void* FbMap(int fd, std::size_t length);
void FbUnmap(void* address, std::size_t length);
void FbClose(int fd);

}  // namespace plat
