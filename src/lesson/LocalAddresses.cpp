// The addresses of this computer's network interfaces: the one part of the lesson's network
// written per system.

#include "lesson/Network.h"

#include <boost/asio/ip/address.hpp>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>
#else
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#endif

#include <array>
#include <cstring>

namespace lesson {

namespace ip = boost::asio::ip;

namespace {

// The address of a socket address of either family, as text; nothing for another family.
std::string textOf(const sockaddr* sa) {
  if (sa == nullptr) return {};
  if (sa->sa_family == AF_INET) {
    const auto* in = reinterpret_cast<const sockaddr_in*>(sa);
    ip::address_v4::bytes_type bytes;
    std::memcpy(bytes.data(), &in->sin_addr, bytes.size());
    return ip::address_v4(bytes).to_string();
  }
  if (sa->sa_family == AF_INET6) {
    const auto* in6 = reinterpret_cast<const sockaddr_in6*>(sa);
    ip::address_v6::bytes_type bytes;
    std::memcpy(bytes.data(), &in6->sin6_addr, bytes.size());
    return ip::address_v6(bytes).to_string();
  }
  return {};
}

}  // namespace

#ifdef _WIN32

// GetAdaptersAddresses (iphlpapi, Windows XP and later): the unicast addresses of the adapters
// that are up.
std::vector<std::string> localAddresses() {
  std::vector<std::string> out;
  ULONG size = 16 * 1024;
  std::vector<unsigned char> buffer;
  ULONG result = ERROR_BUFFER_OVERFLOW;
  for (int attempt = 0; attempt < 4 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
    buffer.resize(size);
    result = GetAdaptersAddresses(AF_UNSPEC, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER,
                                  nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
  }
  if (result != NO_ERROR) return out;
  for (auto* adapter = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); adapter != nullptr; adapter = adapter->Next) {
    if (adapter->OperStatus != IfOperStatusUp) continue;
    for (auto* unicast = adapter->FirstUnicastAddress; unicast != nullptr; unicast = unicast->Next) {
      std::string text = textOf(unicast->Address.lpSockaddr);
      if (!text.empty()) out.push_back(std::move(text));
    }
  }
  return out;
}

#else

// getifaddrs: the addresses of the interfaces that are up.
std::vector<std::string> localAddresses() {
  std::vector<std::string> out;
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return out;
  for (const ifaddrs* i = list; i != nullptr; i = i->ifa_next) {
    if ((i->ifa_flags & IFF_UP) == 0) continue;
    std::string text = textOf(i->ifa_addr);
    if (!text.empty()) out.push_back(std::move(text));
  }
  ::freeifaddrs(list);
  return out;
}

#endif

}  // namespace lesson
