#pragma once
// The display backlight: the sysfs file "/sys/class/backlight/mxs-bl/brightness", which
// takes the level as decimal text. On the host the file lives below the device root, so
// a test (or a person) can read the level the unit set.
//
// Callers: the kernel's backlight control and screen saver on the main thread. A write
// blocks only on the file system.

namespace plat {

// Writes level as decimal text; false when the file cannot be written. On the host the
// directory is created when missing (on the board the driver provides it).
bool BacklightWrite(int level);
// The level last written, -1 when there is none or it cannot be read.
int BacklightRead();

}  // namespace plat
