// The support tool without its process: parses the arguments, decodes the
// queue given on them or polls the spooler handed in, and writes what it
// finds to `out` (errors and usage to `err`). Returns the exit code: 0 done,
// 1 nothing to decode (unknown driver name, spooler not readable), 2 bad
// command line.
#pragma once

#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/spooler.h"

namespace tessaly_status {

int run_status_tool(const std::vector<std::u16string>& args, platform::Spooler& local_spooler,
                    platform::Registry& local_registry, std::string& out, std::string& err);

}  // namespace tessaly_status
