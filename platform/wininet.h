#pragma once

// Our stand-in for the WinINet functions the program calls: an internet session,
// a connection to one server and a request on it, each a handle closed with
// InternetCloseHandle. Texts are in the program's code page (GBK).

#include <cstdint>
#include <string_view>

namespace cq::platform {

struct InternetObject;
using HInternet = InternetObject*;

inline constexpr unsigned long kInternetOpenTypeDirect = 1;
inline constexpr unsigned long kInternetOpenTypeProxy = 3;
inline constexpr unsigned long kInternetServiceHttp = 3;

inline constexpr unsigned long kFlagReload = 0x80000000;
inline constexpr unsigned long kFlagNeedFile = 0x10;
inline constexpr unsigned long kFlagNoCookies = 0x80000;
inline constexpr unsigned long kFlagNoAutoRedirect = 0x200000;
inline constexpr unsigned long kFlagSecure = 0x800000;
inline constexpr unsigned long kFlagIgnoreRedirectToHttps = 0x4000;

inline constexpr unsigned long kOptionSecurityFlags = 31;
inline constexpr unsigned long kSecurityIgnoreUnknownCa = 0x100;
inline constexpr unsigned long kSecurityIgnoreWrongUsage = 0x200;
inline constexpr unsigned long kSecurityIgnoreCertCnInvalid = 0x1000;
inline constexpr unsigned long kSecurityIgnoreCertDateInvalid = 0x2000;

// Ours, with no WinINet counterpart: a limit in milliseconds (4 bytes) on the
// whole exchange of HttpSendRequest, connecting, sending and receiving together.
// WinINet's own time-outs bound each phase only, so a server that sends a byte now
// and then could hold the caller for hours.
inline constexpr unsigned long kOptionExchangeTimeLimit = 0x43510001;

inline constexpr unsigned long kQueryRawHeadersCrlf = 22;

// accessType 1: direct; 3: through the proxies of proxyList, a list of entries
// separated by spaces or ";", each "host:port" (every scheme) or "scheme=host:port"
// for the schemes "http", "https" and "SOCKS".
// The agent is kept up to its first line break.
HInternet InternetOpen(std::string_view agent, unsigned long accessType, std::string_view proxyList,
                       std::string_view proxyBypass, unsigned long flags);

HInternet InternetConnect(HInternet session, std::string_view serverName, int port,
                          std::string_view userName, std::string_view password,
                          unsigned long service, unsigned long flags, std::uintptr_t context);

// version is "HTTP/1.1" or empty; acceptTypes may be null.
HInternet HttpOpenRequest(HInternet connection, std::string_view verb, std::string_view objectName,
                          std::string_view version, std::string_view referrer,
                          const char* const* acceptTypes, unsigned long flags,
                          std::uintptr_t context);

bool InternetSetOption(HInternet handle, unsigned long option, const void* buffer,
                       unsigned long length);

// headers: CR LF separated lines sent as they are. Runs the whole exchange.
bool HttpSendRequest(HInternet request, std::string_view headers, const void* optional,
                     unsigned long optionalLength);

// Hands out the next at most toRead bytes of the body; *read 0 means the end.
bool InternetReadFile(HInternet request, void* buffer, unsigned long toRead, unsigned long* read);

// Level 22: the status line and the header lines of the final response, each
// ending CR LF, then an empty line, followed by a zero byte. When *bufferLength is
// too small, fails and sets *bufferLength to the bytes needed (terminator
// included); on success *bufferLength is the length without the terminator.
bool HttpQueryInfo(HInternet request, unsigned long infoLevel, void* buffer,
                   unsigned long* bufferLength, unsigned long* index);

bool InternetCloseHandle(HInternet handle);

// For the benchmark and tests: forget every cookie of the process-wide store.
void ClearInternetCookies();

}  // namespace cq::platform
