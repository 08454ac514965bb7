#pragma once
// Who holds a serial device: another program's UUCP lock file, or the flock on the device that
// /proc/locks shows. Both give a process id; its command name comes from /proc.
#include <sys/types.h>

#include <string>

namespace vexa {

inline constexpr const char* kUucpLockDir = "/var/lock";

// "minicom, pid 1234" for a process; "pid 1234" when its name cannot be read.
std::string process_description(long pid);

// The live process (not this one) whose lock file "LCK..<name>" in lock_dir names device_path,
// by the path's own file name or that of the device it leads to; empty when there is none or
// the lock is stale.
std::string uucp_lock_holder(const std::string& device_path, const std::string& lock_dir = kUucpLockDir);

// The process holding a lock on the file (device, inode) according to proc_locks (the text of
// /proc/locks when empty); empty when none is listed.
std::string flock_holder(dev_t device, ino_t inode, const std::string& proc_locks = {});

}  // namespace vexa
