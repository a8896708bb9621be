#pragma once
// Removable media (the microSD card and the USB stick). On the board they are vfat file
// systems on block devices found under /sys/block and mounted below /mnt. On the host a
// medium is a directory under the device root in the place of its partition's device
// node (for example /dev/mmcblk0p1), present while its /sys/block entry exists; mounting
// links the mount point to that directory. Nothing here touches the host's own mounts.
//
// vfat is case-insensitive and keeps no Unix permissions: paths below /mnt/USB,
// /mnt/USB0 and /mnt/USB1 are resolved component by component without regard to case,
// and their status shows the permissions of a mount with umask 002 (read-only files
// without write permission).
//
// Main thread only (and the logic's media threads); nothing here is for time slices.

#include <cstddef>
#include <sys/stat.h>

namespace plat {

// mount(2) of a vfat medium: 0, or an errno value (ENOENT no such device or mount
// point, EBUSY already mounted).
int MountMedium(const char* device, const char* mount_point);
// umount2(2) with the force flag: 0, or an errno value (EINVAL: nothing mounted there).
int UnmountMedium(const char* mount_point);
// True while a medium is mounted on the mount point.
bool IsMediumMounted(const char* mount_point);
// mkfs.vfat: empties the medium of the device. 0, or an errno value (ENOENT no such
// device, EBUSY while it is mounted).
int FormatMedium(const char* device);

// Tests: every following mount(2) fails with this errno value (0: mount normally).
void SetMediumMountError(int err);

// MapPath, and for a path on a medium the existing entry of each component whatever
// its case (components that do not exist are kept as written). False when refused.
bool MapMediaPath(const char* unit_path, char* out, std::size_t out_size);
// stat(2) of a host path as the unit's file system shows it (vfat permissions on a
// medium). 0, or -1 with errno set.
int MediaStat(const char* host_path, struct stat* st);

}  // namespace plat
