#pragma once

namespace vantrel::testing {

/// A TCP port on 127.0.0.1 that nothing listens on at the moment of the
/// call: the kernel's choice for a socket bound to port 0. Another process
/// may take it before the caller does, so callers retry on failure.
/// Throws std::runtime_error when no socket can be bound.
int FreeLoopbackPort();

/// True when a TCP connection to 127.0.0.1:`port` is accepted.
bool LoopbackAccepts(int port);

} // namespace vantrel::testing
