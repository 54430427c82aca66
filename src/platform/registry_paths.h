// Registry paths of Windows and of other applications that the library reads or
// writes (the product's own are in product.h).
#pragma once

namespace registry_paths {

// Programs started at logon: one string value per program, the data its command line.
inline constexpr const char kRun[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

}  // namespace registry_paths
