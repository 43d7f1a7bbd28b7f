#pragma once

#include <optional>
#include <sys/types.h>

// Finds another process that has a character device open, the way fuser does: through the
// links of /proc/PID/fd. A program that opens a port with none of the serial conventions (no
// lock file, exclusive mode or flock) shows only there.
//
// It sees what /proc shows: every process to root, only the user's own processes to anyone
// else. This process is never named. For a pseudo-terminal's slave, a process that also holds
// the pair's master is its far end (a simulated line keeps the slave open beside the master),
// not another user of the port. The scan is bounded, and a process that ends or an entry that
// cannot be read during it only goes unseen.
std::optional<pid_t> OtherProcessWithDeviceOpen(dev_t device);
