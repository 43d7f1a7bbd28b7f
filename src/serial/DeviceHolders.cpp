#include "serial/DeviceHolders.h"

#include "serial/UniqueFd.h"

#include <charconv>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// Far above any real machine; they keep a pathological /proc from holding the dialog up.
constexpr int MaxProcesses = 1 << 16;
constexpr int MaxDescriptorsPerProcess = 1 << 14;

// Linux numbers pseudo-terminal slaves from major 136 on, 256 to a major.
constexpr unsigned FirstPtySlaveMajor = 136;
constexpr unsigned PtySlaveMajors = 8;
// /dev/ptmx and /dev/pts/ptmx, whose every open is a master.
constexpr unsigned PtmxMajor = 5;
constexpr unsigned PtmxMinor = 2;

class Directory
{
public:
    explicit Directory(int fd) : dir_(fd >= 0 ? ::fdopendir(fd) : nullptr)
    {
        if (fd >= 0 && !dir_)
            ::close(fd);
    }
    ~Directory()
    {
        if (dir_)
            ::closedir(dir_);
    }
    Directory(const Directory&) = delete;
    Directory& operator=(const Directory&) = delete;

    bool IsOpen() const { return dir_ != nullptr; }
    int Fd() const { return ::dirfd(dir_); }
    // The next entry whose name is a number, such as a PID or a descriptor; -1 at the end.
    long NextNumber()
    {
        while (const dirent* entry = ::readdir(dir_)) {
            const std::string_view name(entry->d_name);
            long number = -1;
            const auto [end, error] =
                std::from_chars(name.data(), name.data() + name.size(), number);
            if (error == std::errc() && end == name.data() + name.size() && number >= 0)
                return number;
        }
        return -1;
    }

private:
    DIR* dir_;
};

std::optional<long> ptySlaveIndex(dev_t device)
{
    const unsigned m = ::major(device);
    if (m < FirstPtySlaveMajor || m >= FirstPtySlaveMajor + PtySlaveMajors)
        return std::nullopt;
    return long(m - FirstPtySlaveMajor) * 256 + long(::minor(device));
}

// The "tty-index:" line of a master's /proc/PID/fdinfo/N: which slave it is paired with.
std::optional<long> masterIndex(int processDir, long fd)
{
    const std::string path = "fdinfo/" + std::to_string(fd);
    const UniqueFd info(::openat(processDir, path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!info.IsValid())
        return std::nullopt;
    char text[1024];
    const ssize_t length = ::read(info.Get(), text, sizeof text - 1);
    if (length <= 0)
        return std::nullopt;
    const std::string_view all(text, std::size_t(length));
    constexpr std::string_view key = "tty-index:";
    const std::size_t at = all.find(key);
    if (at == std::string_view::npos)
        return std::nullopt;
    std::size_t from = at + key.size();
    while (from < all.size() && (all[from] == ' ' || all[from] == '\t'))
        ++from;
    long index = -1;
    const auto [end, error] = std::from_chars(all.data() + from, all.data() + all.size(), index);
    if (error != std::errc())
        return std::nullopt;
    return index;
}

struct Holds
{
    bool device = false;
    bool farEnd = false;
};

Holds examineProcess(int processDir, dev_t device, std::optional<long> slaveIndex)
{
    Holds holds;
    Directory fds(::openat(processDir, "fd", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fds.IsOpen())
        return holds;
    for (int seen = 0; seen < MaxDescriptorsPerProcess; ++seen) {
        const long fd = fds.NextNumber();
        if (fd < 0)
            break;
        struct statx status
        {};
        // Follows the link to the open file itself, without opening it; cached attributes are
        // enough, so a file on an unreachable network mount does not hold the scan up.
        if (::statx(fds.Fd(), std::to_string(fd).c_str(), AT_STATX_DONT_SYNC, STATX_TYPE,
                    &status) != 0 ||
            !S_ISCHR(status.stx_mode))
            continue;
        const dev_t opened = ::makedev(status.stx_rdev_major, status.stx_rdev_minor);
        if (opened == device)
            holds.device = true;
        else if (slaveIndex && ::major(opened) == PtmxMajor && ::minor(opened) == PtmxMinor &&
                 masterIndex(processDir, fd) == slaveIndex)
            holds.farEnd = true;
    }
    return holds;
}

} // namespace

std::optional<pid_t> OtherProcessWithDeviceOpen(dev_t device)
{
    Directory proc(::open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!proc.IsOpen())
        return std::nullopt;
    const std::optional<long> slaveIndex = ptySlaveIndex(device);
    const pid_t self = ::getpid();
    for (int seen = 0; seen < MaxProcesses; ++seen) {
        const long pid = proc.NextNumber();
        if (pid < 0)
            break;
        if (pid == self || pid != long(pid_t(pid)))
            continue;
        const UniqueFd processDir(
            ::openat(proc.Fd(), std::to_string(pid).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!processDir.IsValid())
            continue; // ended since the listing
        const Holds holds = examineProcess(processDir.Get(), device, slaveIndex);
        if (holds.device && !holds.farEnd)
            return pid_t(pid);
    }
    return std::nullopt;
}
