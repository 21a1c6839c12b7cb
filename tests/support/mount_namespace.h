#pragma once

#include <functional>
#include <string>

namespace qm::test {

// Runs `body` in a child process that has its own mount namespace (a user namespace too when not privileged),
// where it can mount a small file system to see what a full disk does. Returns what `body` returned, or ""
// when namespaces are not allowed here (the caller then skips).
std::string InPrivateMountNamespace(const std::function<std::string()>& body);

// Mounts a tmpfs of `kibibytes` at `folder`; only inside InPrivateMountNamespace. False when it cannot.
bool MountSmallDisk(const std::string& folder, int kibibytes);

} // namespace qm::test
