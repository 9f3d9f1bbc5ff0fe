#pragma once

#include <string>
#include <string_view>

namespace vistrel {

// The MD5 digest of bytes (RFC 1321) as 32 lower-case hex digits. Only for names that other
// programs derive the same way (the thumbnail cache), never for anything that needs security.
std::string Md5Hex(std::string_view bytes);

} // namespace vistrel
