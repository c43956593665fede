#pragma once

namespace kalore::testing {

// Moves the calling process into network and mount namespaces of its own: a loopback
// that is up, nothing else, and a resolver configuration naming a server on
// 127.0.0.1:53 that reads no query, so every name lookup waits for its time-out, as
// under a dead name server. False where namespaces are not allowed (then nothing
// changed). Call it before any thread starts; other processes are not affected.
bool IsolateWithSilentNameServer();

} // namespace kalore::testing
