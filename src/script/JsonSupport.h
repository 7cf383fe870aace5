#pragma once
#include <string>

namespace qx::detail {

// get__count, get__name_All, get__extend, get__nodeValue and the JSON support block.
const std::u16string& jsonSupportScript();

}  // namespace qx::detail
