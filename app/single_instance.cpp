#include "app/single_instance.h"

#include <cstdlib>

#include "runtime/file_lock.h"

namespace pixmold {

std::string instance_lock_path(const std::string& name) {
    const char* folder = std::getenv("XDG_RUNTIME_DIR");
    if (!folder || !*folder) folder = std::getenv("TMPDIR");
    if (!folder || !*folder) folder = "/tmp";
    return std::string(folder) + "/" + name + ".lock";
}

InstanceCheck claim_single_instance(const std::string& name, int& lock_fd) {
    switch (lock_file(instance_lock_path(name), lock_fd)) {
    case LockOutcome::HeldElsewhere:
    case LockOutcome::NoAccess: return InstanceCheck::AnotherRuns;
    case LockOutcome::Locked:
    case LockOutcome::Failed: break;
    }
    return InstanceCheck::OnlyOne;
}

}  // namespace pixmold
