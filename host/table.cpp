// table.cpp: column layout for people; scripts use --json.
#include "host/table.h"

#include <algorithm>
#include <cstdlib>

#include "platform/process/process.h"

namespace zubcim {
namespace {

constexpr size_t kDefaultWidth = 120;
constexpr size_t kMaxCell = 40;  // one long text must not push every other column away

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

size_t Length(const std::string& utf8) {
  return static_cast<size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) { return !IsContinuation(c); }));
}

// The first n characters (not bytes: a cut must not split a character).
std::string Head(const std::string& utf8, size_t n) {
  size_t chars = 0;
  for (size_t i = 0; i < utf8.size(); ++i) {
    if (!IsContinuation(utf8[i]) && chars++ == n) return utf8.substr(0, i);
  }
  return utf8;
}

std::string Cell(const Json& v) {
  std::string text;
  if (v.is_string()) {
    text = v.get<std::string>();
  } else if (v.is_array()) {
    for (const Json& item : v) {
      if (!text.empty()) text += ',';
      text += Cell(item);
    }
  } else {
    text = JsonLine(v);
  }
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';  // a newline would break the row
  }
  return text;
}

void Flatten(std::ostream& out, const Json& record, const std::string& prefix) {
  for (const auto& [key, value] : record.items()) {
    if (value.is_object()) Flatten(out, value, prefix + key + ".");
    else out << prefix << key << ": " << Cell(value) << '\n';
  }
}

}  // namespace

size_t TerminalWidth() {
  if (const char* columns = std::getenv("COLUMNS")) {
    char* end = nullptr;
    unsigned long n = std::strtoul(columns, &end, 10);
    if (end != columns && *end == '\0' && n > 0) return n;
  }
  if (size_t terminal = platform::TerminalColumns(); terminal > 0) return terminal;
  return kDefaultWidth;
}

void PrintColumns(std::ostream& out, const std::vector<std::string>& header,
                  const std::vector<std::vector<std::string>>& rows, size_t width) {
  std::vector<size_t> widths(header.size());
  const auto fit = [](const std::string& s) { return Length(s) > kMaxCell ? Head(s, kMaxCell - 3) + "..." : s; };
  for (size_t c = 0; c < header.size(); ++c) {
    widths[c] = Length(header[c]);
    for (const auto& row : rows) widths[c] = std::max(widths[c], Length(fit(row[c])));
  }
  bool cut = false;
  const auto line = [&](const std::vector<std::string>& cells) {
    std::string text;
    for (size_t c = 0; c < cells.size(); ++c) {
      std::string cell = fit(cells[c]);
      if (c + 1 < cells.size()) cell += std::string(widths[c] - Length(cell) + 2, ' ');
      text += cell;
    }
    if (Length(text) > width) {
      text = Head(text, width);
      cut = true;
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    out << text << '\n';
  };
  line(header);
  for (const auto& row : rows) line(row);
  if (cut) out << Head("(cut at " + std::to_string(width) + " columns; --json shows every field)", width) << '\n';
}

void PrintInstances(std::ostream& out, const RecordDesc& desc, const Json& instances, size_t width) {
  if (instances.empty()) return;
  std::vector<std::string> header;
  for (const FieldDesc* key : KeyFields(desc)) header.push_back(key->name);
  for (const FieldDesc& f : desc.fields) {
    if (!f.key) header.push_back(f.name);
  }
  std::vector<std::vector<std::string>> rows;
  for (const Json& record : instances) {
    std::vector<std::string> row;
    for (const std::string& key : header) row.push_back(record.contains(key) ? Cell(record[key]) : "");
    rows.push_back(std::move(row));
  }
  PrintColumns(out, header, rows, width);
}

void PrintRecord(std::ostream& out, const Json& record) { Flatten(out, record, ""); }

}  // namespace zubcim
