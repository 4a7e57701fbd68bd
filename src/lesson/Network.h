#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lesson {

// The addresses of this computer's interfaces that are up, as text ("192.168.1.5", "fe80::1").
std::vector<std::string> localAddresses();

// An address as the host of a URL: IPv6 in brackets, without a zone ("[fe80::1]").
std::string urlHost(std::string_view address);

// The start pages pupils can open, "http://<address>:<port>/": of the addresses given, those the
// server listens on (`listening`: "0.0.0.0" and "::" stand for every address of their family),
// IPv4 beyond the loopback first, then IPv6 beyond the loopback, then the loopback (IPv4 first
// there too); none of an IPv6 link (fe80::), which a browser cannot open.
std::vector<std::string> pupilAddresses(const std::vector<std::string>& addresses,
                                        const std::vector<std::string>& listening, unsigned short port);

}  // namespace lesson
