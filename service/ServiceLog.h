#pragma once

#include <string>

// The service's log: every Qt message as one line with time and level, to
// standard error and appended to the data folder's service.log. Lines from
// the server's threads never interleave.
namespace ServiceLog {
void install(const std::string &filePath, bool verbose);
} // namespace ServiceLog
