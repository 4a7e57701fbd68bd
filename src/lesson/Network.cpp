#include "lesson/Network.h"

#include <boost/asio/ip/address.hpp>

namespace lesson {

namespace ip = boost::asio::ip;

std::string urlHost(std::string_view text) {
  boost::system::error_code ec;
  ip::address address = ip::make_address(std::string(text), ec);
  if (ec) return std::string(text);
  if (address.is_v6()) {
    ip::address_v6 v6 = address.to_v6();
    if (v6.is_v4_mapped()) return ip::make_address_v4(ip::v4_mapped, v6).to_string();
    v6.scope_id(0);
    return "[" + v6.to_string() + "]";
  }
  return address.to_string();
}

std::vector<std::string> pupilAddresses(const std::vector<std::string>& addresses,
                                        const std::vector<std::string>& listening, unsigned short port) {
  std::vector<ip::address> heard;
  for (const std::string& text : listening) {
    boost::system::error_code ec;
    const ip::address a = ip::make_address(text, ec);
    if (!ec) heard.push_back(a);
  }
  const auto listened = [&heard](const ip::address& a) {
    for (const ip::address& h : heard) {
      if (h == a || (h.is_unspecified() && h.is_v4() == a.is_v4())) return true;
    }
    return false;
  };
  // 0: IPv4 beyond the loopback, 1: IPv6 beyond it, 2: the IPv4 loopback, 3: the IPv6 one,
  // whatever order the system lists its interfaces in (Windows lists ::1 first).
  std::vector<std::string> ranked[4];
  for (const std::string& text : addresses) {
    boost::system::error_code ec;
    ip::address a = ip::make_address(text, ec);
    if (ec || !listened(a)) continue;
    if (a.is_v6() && a.to_v6().is_link_local()) continue;
    const int rank = (a.is_loopback() ? 2 : 0) + (a.is_v4() ? 0 : 1);
    const std::string page = "http://" + urlHost(text) + ":" + std::to_string(port) + "/";
    bool known = false;
    for (const auto& list : ranked) {
      for (const auto& p : list) known = known || p == page;
    }
    if (!known) ranked[rank].push_back(page);
  }
  std::vector<std::string> out;
  for (auto& list : ranked) out.insert(out.end(), list.begin(), list.end());
  return out;
}

}  // namespace lesson
