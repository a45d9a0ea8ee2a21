// lookup.cpp: catalogue look-up with "did you mean" suggestions.
#include "host/kit/lookup.h"

#include <algorithm>
#include <cctype>

#include "host/kit/errors.h"
#include "host/kit/join.h"

namespace zubcim {
namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

std::string Join(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& n : names) AppendJoined(out, ", ", n);
  return out;
}

}  // namespace

std::vector<std::string> ClosestNames(const std::string& name, const std::vector<std::string>& candidates,
                                      size_t limit) {
  const std::string wanted = Lower(name);
  struct Scored {
    size_t score;
    std::string name;
  };
  std::vector<Scored> hits;
  for (const std::string& c : candidates) {
    const std::string lower = Lower(c);
    size_t distance = EditDistance(wanted, lower);
    // A part of the name ("storagevolume") is as good as a near miss; people
    // often leave out the prefix.
    bool contains = wanted.size() >= 3 && (lower.find(wanted) != std::string::npos ||
                                        wanted.find(lower) != std::string::npos);
    size_t tolerance = std::max<size_t>(2, wanted.size() / 3);
    if (contains || distance <= tolerance) hits.push_back({distance, c});
  }
  std::stable_sort(hits.begin(), hits.end(), [](const Scored& a, const Scored& b) { return a.score < b.score; });
  std::vector<std::string> out;
  for (const Scored& h : hits) {
    if (out.size() == limit) break;
    out.push_back(h.name);
  }
  return out;
}

const ClassDesc& RequireClass(const std::string& name) {
  if (const ClassDesc* cls = FindClass(name)) return *cls;
  std::vector<std::string> all;
  for (const ClassDesc& c : ClassCatalog()) all.push_back(c.name);
  std::vector<std::string> close = ClosestNames(name, all);
  if (close.empty()) throw BadInput("unknown class \"" + name + "\" (zubcim classes lists them)");
  throw BadInput("unknown class \"" + name + "\"; closest: " + Join(close));
}

const MethodDesc& RequireMethod(const ClassDesc& cls, const std::string& name) {
  std::vector<std::string> all;
  for (const MethodDesc& m : cls.methods) {
    if (name == m.name) return m;
    all.push_back(m.name);
  }
  if (all.empty()) throw BadInput(std::string(cls.name) + " has no method (asked for \"" + name + "\")");
  throw BadInput("unknown method \"" + name + "\" of " + cls.name + "; it has: " + Join(all));
}

}  // namespace zubcim
