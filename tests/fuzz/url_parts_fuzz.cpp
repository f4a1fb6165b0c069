// HostOfUrl, PortOfUrl and PathOfUrl with arbitrary URLs: a host in lower case
// without "/" (nor ":" unless the port is kept), a port a TCP port can be, and a
// path that starts with "/" and is the URL's own end.
//
// Input: flags (1 amplify), then the URL.

#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "web/fetch_via_wininet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace cq::fuzz;
    FuzzInput in(data, size);
    const bool amplify = in.Flag();
    const std::string_view field = in.Field();
    const std::string url = amplify ? Amplified(field) : std::string(field);

    const cq::Text host = cq::HostOfUrl(url);
    const cq::Text hostAndPort = cq::HostOfUrl(url, true);
    Require(host.find('/') == cq::Text::npos && hostAndPort.find('/') == cq::Text::npos,
            "a host holds no \"/\"");
    Require(host.find(':') == cq::Text::npos, "a host without its port holds no \":\"");
    Require(hostAndPort.substr(0, hostAndPort.find(':')) == host,
            "the host is the host-and-port up to its first \":\"");
    const std::vector<bool> starts = CharacterStarts(host);
    for (std::size_t i = 0; i < host.size(); ++i) {
        Require(!(starts[i] && host[i] >= 'A' && host[i] <= 'Z'), "a host is in lower case");
    }

    const int port = cq::PortOfUrl(url);
    Require(port >= 0 && port <= 65535, "a port is a TCP port number or 0");

    const cq::Text path = cq::PathOfUrl(url);
    Require(path.starts_with("/"), "a path starts with \"/\"");
    Require(path == "/" || std::string_view(url).ends_with(path), "a path is the URL's end");
    return 0;
}
