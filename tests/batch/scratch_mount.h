// Small file systems for the tests of write failures: a tmpfs that is full,
// or one that is mounted read-only. Conditions even root cannot write past;
// mounting needs root (the tests skip themselves without it).
#pragma once

#include <sys/mount.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace pixmold::test {

class ScratchMount {
public:
    // A tmpfs of `kib` KiB at `where` (created, anyone may write it), holding
    // copies of `files`.
    ScratchMount(const std::filesystem::path& where, int kib, const std::vector<std::filesystem::path>& files = {})
        : path_(where) {
        std::filesystem::create_directories(where);
        std::string options = std::to_string(kib);
        options += "k,mode=0777";
        options.insert(0, "size=");
        if (::mount("pixmold-test", where.c_str(), "tmpfs", 0, options.c_str()) != 0) return;
        mounted_ = true;
        for (const auto& f : files) std::filesystem::copy_file(f, where / f.filename());
    }
    ~ScratchMount() {
        if (mounted_) ::umount2(path_.c_str(), MNT_DETACH);
    }
    ScratchMount(const ScratchMount&) = delete;
    ScratchMount& operator=(const ScratchMount&) = delete;

    bool mounted() const { return mounted_; }
    const std::filesystem::path& path() const { return path_; }

    // No more writes, not even root's.
    bool make_read_only() {
        return ::mount(nullptr, path_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }
    // Fills every free block with one file.
    void fill() {
        std::ofstream out(path_ / "filler.bin", std::ios::binary);
        const std::string block(4096, 'x');
        while (out.write(block.data(), std::streamsize(block.size())) && out.flush()) {
        }
    }

private:
    std::filesystem::path path_;
    bool mounted_ = false;
};

}  // namespace pixmold::test
