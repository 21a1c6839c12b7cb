#pragma once

namespace qm {

// Takes the network from this process for good: from now on no thread of it, and no process it starts, can
// open an Internet socket (IPv4, IPv6 or raw packets); local (Unix) sockets, pipes and files work as before,
// and sockets opened earlier (a display connection over TCP) stay open. Book pages run in the browser engine
// that this process hosts; the engine reaches servers in ways no request of a page shows (WebRTC's STUN and
// TURN, WebTransport's QUIC), so the only sure way to keep a book's script from reaching the network is a
// process that has none. A seccomp filter does it, with no_new_privs set as the kernel requires.
//
// Returns true when the filter is in place (also when it was already); false, with errno set, where the
// kernel has no seccomp filters. Call it once the display is connected and before the engine starts.
bool LockOutNetwork();

} // namespace qm
