// Tests run as root in CI containers, and root ignores file permissions. A
// test that needs a read-only file or folder to refuse writes drops the
// permission-override capabilities of its own thread for its duration.
#pragma once

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <string>

namespace pixmold::test {

class NoPermissionOverride {
public:
    NoPermissionOverride() {
        header_.version = _LINUX_CAPABILITY_VERSION_3;
        header_.pid = 0;  // the calling thread only
        if (::syscall(SYS_capget, &header_, saved_) != 0) return;
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER));
        active_ = ::syscall(SYS_capset, &header_, reduced) == 0;
    }
    ~NoPermissionOverride() {
        if (active_) ::syscall(SYS_capset, &header_, saved_);
    }
    NoPermissionOverride(const NoPermissionOverride&) = delete;
    NoPermissionOverride& operator=(const NoPermissionOverride&) = delete;

    // True when a mode-0444 file in `folder` really refuses writing.
    static bool enforced(const std::string& folder) {
        std::string probe = folder + "/.permission-probe";
        int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0444);
        if (fd < 0) return false;
        ::close(fd);
        fd = ::open(probe.c_str(), O_WRONLY);
        bool refused = fd < 0;
        if (fd >= 0) ::close(fd);
        ::unlink(probe.c_str());
        return refused;
    }

private:
    __user_cap_header_struct header_{};
    __user_cap_data_struct saved_[2]{};
    bool active_ = false;
};

}  // namespace pixmold::test
