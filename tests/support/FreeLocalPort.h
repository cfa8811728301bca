// A TCP port of 127.0.0.1 on which nothing listens: for a device server a test starts, or for
// an address that refuses every connection.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kelvantori::test {

// The kernel picks a port that is free now; it is given back at once, so another program may
// take it before the test does (a server that then cannot listen there has to try another).
inline int FreeLocalPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), length);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

}  // namespace kelvantori::test
