#include "platform/linux/network_lock.h"

#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <mutex>

namespace qm {

namespace {

#if defined(__x86_64__)
constexpr unsigned kArch = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
constexpr unsigned kArch = AUDIT_ARCH_AARCH64;
#else
#error "LockOutNetwork knows the system calls of x86-64 and AArch64 only"
#endif

// x32 system calls come in with this bit set on x86-64; none of them is needed here.
constexpr unsigned kX32Bit = 0x40000000;

constexpr sock_filter Load(std::size_t offset) {
    return BPF_STMT(BPF_LD | BPF_W | BPF_ABS, static_cast<unsigned>(offset));
}

constexpr sock_filter Return(unsigned action) {
    return BPF_STMT(BPF_RET | BPF_K, action);
}

constexpr sock_filter JumpIfEqual(unsigned value, unsigned char ifTrue, unsigned char ifFalse) {
    return BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, value, ifTrue, ifFalse);
}

bool Install() {
    constexpr unsigned kDeny = SECCOMP_RET_ERRNO | (EACCES & SECCOMP_RET_DATA);
    constexpr unsigned kNoSuchCall = SECCOMP_RET_ERRNO | (ENOSYS & SECCOMP_RET_DATA);
    sock_filter program[] = {
        Load(offsetof(seccomp_data, arch)),
        JumpIfEqual(kArch, 1, 0),
        Return(kDeny),
        Load(offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JGE | BPF_K, kX32Bit, 0, 1),
        Return(kDeny),
        // io_uring can make sockets of its own, past the check below; nothing here uses it.
        JumpIfEqual(__NR_io_uring_setup, 0, 1),
        Return(kNoSuchCall),
        JumpIfEqual(__NR_socket, 0, 5),
        Load(offsetof(seccomp_data, args[0])),
        JumpIfEqual(AF_INET, 2, 0),
        JumpIfEqual(AF_INET6, 1, 0),
        JumpIfEqual(AF_PACKET, 0, 1),
        Return(kDeny),
        Return(SECCOMP_RET_ALLOW),
    };
    const sock_fprog filter{static_cast<unsigned short>(sizeof program / sizeof program[0]), program};
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) {
        return false;
    }
    // Every thread of the process at once: the toolkit has started threads of its own by now.
    return ::syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, SECCOMP_FILTER_FLAG_TSYNC, &filter) == 0;
}

} // namespace

bool LockOutNetwork() {
    static std::once_flag once;
    static bool locked = false;
    static int failure = 0;
    std::call_once(once, [] {
        locked = Install();
        failure = locked ? 0 : errno;
    });
    errno = failure;
    return locked;
}

} // namespace qm
