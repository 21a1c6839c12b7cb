#pragma once

#include <unistd.h>
#include <utility>

namespace qm {

// Owns a POSIX file descriptor and closes it when it goes out of scope; -1 means none.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            Reset(std::exchange(other.fd_, -1));
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    // Closes the descriptor held so far and takes `fd`. Returns close()'s result for the old one (0 when none),
    // because a failing close can be the first report of a failed write.
    int Reset(int fd = -1) {
        int result = 0;
        if (fd_ >= 0) {
            result = ::close(fd_);
        }
        fd_ = fd;
        return result;
    }

private:
    int fd_ = -1;
};

} // namespace qm
