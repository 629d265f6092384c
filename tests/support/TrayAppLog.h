#pragma once

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace EvarixTest {

// The fields of a line of a fake tray application's log: "start argc=1 pid=7 ..." gives
// {"event": "start", "argc": "1", "pid": "7", ...}.
using LogLine = std::map<std::string, std::string>;

inline LogLine Fields(const std::string& line) {
  std::istringstream words(line);
  LogLine fields;
  words >> fields["event"];
  for (std::string word; words >> word;) {
    const auto equals = word.find('=');
    fields[word.substr(0, equals)] = equals == word.npos ? "" : word.substr(equals + 1);
  }
  return fields;
}

// Every line of the log so far; none while there is no log.
inline std::vector<LogLine> ReadTrayAppLog(const std::filesystem::path& path) {
  std::ifstream log(path);
  std::vector<LogLine> lines;
  for (std::string line; std::getline(log, line);) lines.push_back(Fields(line));
  return lines;
}

}  // namespace EvarixTest
