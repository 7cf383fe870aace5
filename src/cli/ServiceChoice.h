#pragma once
// The names the command line takes for the resolver services, and the service a link's host
// belongs to.
#include <string>
#include <string_view>

#include "core/Text.h"

namespace qx::cli {

inline constexpr int kAutoService = -1;

// The service for a name (its key or its command-line name: "yunpan360" or "360") or number, kAutoService for
// "auto", 0 for anything else. Case does not matter.
int serviceNumberOf(std::string_view name);
// The command line's name of a service number ("360" for 5); "" for none.
std::string cliServiceName(int service);
// "lanzou, onedrive, bilnn, ctfile, 360, wenshushu, auto".
std::string serviceNamesText();
// The same names separated by spaces, as --list-services prints them for the shell's completion.
std::string serviceNameWords();

// The service whose share links live on the link's host; 0 when no service is known there.
int serviceForLink(const Text& link);
// The host of a link, lower case, with or without a scheme in front; "" when none.
std::string linkHost(std::string_view link);

}  // namespace qx::cli
