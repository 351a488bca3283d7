#include "app/single_instance.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/file_lock.h"
#include "toolkit/instance_channel.h"

namespace pixmold {
namespace {

std::string instance_file_path(const std::string& name, const char* suffix) {
    const char* folder = std::getenv("XDG_RUNTIME_DIR");
    if (folder && *folder) return std::string(folder) + "/" + name + suffix;
    folder = std::getenv("TMPDIR");
    if (!folder || !*folder) folder = "/tmp";
    return std::string(folder) + "/" + name + "-" + std::to_string(::getuid()) + suffix;
}

}  // namespace

std::string instance_lock_path(const std::string& name) { return instance_file_path(name, ".lock"); }

std::string instance_socket_path(const std::string& name) { return instance_file_path(name, ".socket"); }

InstanceCheck claim_single_instance(const std::string& name, int& lock_fd) {
    switch (lock_file(instance_lock_path(name), lock_fd)) {
    case LockOutcome::HeldElsewhere:
    case LockOutcome::NoAccess: return InstanceCheck::AnotherRuns;
    case LockOutcome::Locked:
    case LockOutcome::Failed: break;
    }
    return InstanceCheck::OnlyOne;
}

StartRole claim_or_hand_over(const std::string& name, const std::vector<std::string>& paths, int& lock_fd,
                             int patience_ms) {
    using Clock = std::chrono::steady_clock;
    const auto give_up = Clock::now() + std::chrono::milliseconds(patience_ms);
    const std::string socket = instance_socket_path(name);
    for (;;) {
        if (claim_single_instance(name, lock_fd) == InstanceCheck::OnlyOne) {
            if (lock_fd >= 0) return StartRole::First;
            // No lock could be made: a copy that runs unguarded may still listen.
            return hand_over(socket, paths, patience_ms) == HandOverResult::Delivered ? StartRole::HandedOver
                                                                                       : StartRole::First;
        }
        switch (hand_over(socket, paths, patience_ms)) {
        case HandOverResult::Delivered: return StartRole::HandedOver;
        case HandOverResult::NoAnswer: return StartRole::Unanswered;
        case HandOverResult::NoListener: break;
        }
        if (Clock::now() >= give_up) return StartRole::Unanswered;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

}  // namespace pixmold
