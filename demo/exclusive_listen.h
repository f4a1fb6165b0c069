#pragma once

// The demo service and the tests' loopback servers take their ports for
// themselves. cpp-httplib gives its listening sockets SO_REUSEPORT, under which a
// second server on a port already taken starts without complaint and the kernel
// spreads the connections over both. SO_REUSEADDR alone refuses that, and still
// lets a server come back on its port at once while connections of the one
// before are in TIME-WAIT.

#include <httplib.h>
#include <sys/socket.h>

namespace demo {

// Call before binding.
inline void ListenExclusively(httplib::Server& server) {
    server.set_socket_options([](socket_t sock) {
        int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
}

}  // namespace demo
