// pktgen: writes a synthetic terminal or host-to-host packet log.
//   pktgen --terminal|--h2h --records N [--seed S] -o FILE
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "pktgen/generator.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: pktgen --terminal|--h2h --records N [--seed S] -o FILE\n");
  return 2;
}

bool ParseCount(const char* text, std::uint64_t& value) {
  if (!text || !*text) return false;
  char* end = nullptr;
  errno = 0;
  const unsigned long long v = std::strtoull(text, &end, 10);
  if (errno || *end || text[0] == '-') return false;
  value = v;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  pkt::gen::GeneratorOptions options;
  bool family = false, records = false;
  std::string output;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
    if (arg == "--terminal" || arg == "--h2h") {
      options.family = arg == "--terminal" ? pkt::gen::LogFamily::Terminal : pkt::gen::LogFamily::HostToHost;
      family = true;
    } else if (arg == "--records") {
      if (!ParseCount(next, options.records)) return Usage();
      records = true;
      ++i;
    } else if (arg == "--seed") {
      if (!ParseCount(next, options.seed)) return Usage();
      ++i;
    } else if (arg == "-o" || arg == "--output") {
      if (!next || !*next) return Usage();
      output = next;
      ++i;
    } else {
      return Usage();
    }
  }
  if (!family || !records || output.empty()) return Usage();
  try {
    pkt::gen::GenerateLog(options, output);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
