#pragma once
// What the kernel still holds of the bytes sent over a loopback server's connections: a test
// that must know the server has read what a client sent waits on this instead of a guess of
// time. Linux (/proc/net/tcp).

namespace dieta::test {

// True when every open IPv4 connection to or from the port has its queues empty: nothing the
// server has not read yet, nothing a client sent that was not yet received. False while any
// is not, and where the table cannot be read.
bool loopbackQueuesDrained(int port);

} // namespace dieta::test
