#pragma once
// Small shared routines: position finder, marker-stretch removal, splitter, directory listing.
#include <string_view>
#include <vector>

#include "core/Text.h"

namespace qx {

// Every 1-based position of needle, case-insensitive, non-overlapping.
std::vector<int> findAllPositions(std::string_view text, std::string_view needle);
Text removeBetweenMarkers(std::string_view text, std::string_view left, std::string_view right,
                          bool keepMarkers);
TextArray splitNonEmpty(std::string_view text, std::string_view delimiter, int maxCount = 0);
// Full paths of the entries directly in directory whose names match the wildcard pattern.
TextArray listFiles(std::string_view directory, std::string_view pattern);

}  // namespace qx
