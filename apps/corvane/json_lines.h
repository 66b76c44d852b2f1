// JSON lines for scripts (--json of the task commands): one JSON object a
// line, written and flushed at once, so a script reads each document as it
// goes and a killed run keeps every line already written. Text that is not
// valid UTF-8 is written with replacement characters, so every line parses
// whatever a message holds (quotes, line breaks, Chinese text).
//
// ResultLines is how a task command reports its documents: each document (or
// record) is counted under its result ("saved", "refused", ...) and, with
// --json, written as one object that holds at least "number", "uuid" (""
// where the document has none), "result" and "message" ("" when it went
// through), plus the command's own fields. The last line is one object
// {"summary": {...}} with the count of every result the command names
// (0 included) and of any other that came up, and the command's own figures.
// Without --json nothing is written here: the command prints its own text
// and takes its totals from the same counts.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <string_view>

namespace corvane::cli {

inline void WriteJsonLine(std::ostream& out, const nlohmann::json& object) {
  out << object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << std::endl;
}

class ResultLines {
 public:
  // `results`: the results the summary always counts, from 0.
  ResultLines(std::ostream& out, bool json, std::initializer_list<const char*> results)
      : out_(out), json_(json) {
    for (const char* result : results) counts_[result] = 0;
  }

  bool json() const { return json_; }

  // Counts one document under `result`; with --json writes its line, with
  // the fields of `more` besides the four every line has.
  void Document(std::string_view number, std::string_view uuid, std::string_view result,
                std::string_view message, nlohmann::json more = nlohmann::json::object()) {
    ++counts_[std::string(result)];
    if (!json_) return;
    more["number"] = number;
    more["uuid"] = uuid;
    more["result"] = result;
    more["message"] = message;
    WriteJsonLine(out_, more);
  }

  // With --json, writes a line that reports no one document (a file refused
  // whole); it is not counted.
  void Line(const nlohmann::json& object) {
    if (json_) WriteJsonLine(out_, object);
  }

  int64_t Count(std::string_view result) const {
    const auto it = counts_.find(std::string(result));
    return it == counts_.end() ? 0 : it->second;
  }

  // The number of documents counted under any result but those given.
  int64_t CountOtherThan(std::initializer_list<std::string_view> results) const {
    int64_t n = 0;
    for (const auto& [result, count] : counts_) {
      bool listed = false;
      for (std::string_view r : results) listed = listed || r == result;
      if (!listed) n += count;
    }
    return n;
  }

  // With --json, writes the summary: the counts and the fields of `more`.
  void Summary(nlohmann::json more = nlohmann::json::object()) {
    if (!json_) return;
    for (const auto& [result, count] : counts_) more[result] = count;
    WriteJsonLine(out_, {{"summary", more}});
  }

 private:
  std::ostream& out_;
  bool json_;
  std::map<std::string, int64_t> counts_;
};

}  // namespace corvane::cli
