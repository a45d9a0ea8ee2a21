// table.cpp: column layout for people; scripts use --json.
#include "host/cli/table.h"

#include <algorithm>
#include <cstdlib>

#include "platform/process/process.h"

namespace zubcim {
namespace {

constexpr size_t kUnknownTerminalWidth = 80;  // a terminal that does not say

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

size_t Length(const std::string& utf8) {
  return static_cast<size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) { return !IsContinuation(c); }));
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
  if (!platform::StdoutIsTerminal()) return 0;  // a pipe or a file: nothing is cut
  if (const char* columns = std::getenv("COLUMNS")) {
    char* end = nullptr;
    unsigned long n = std::strtoul(columns, &end, 10);
    if (end != columns && *end == '\0' && n > 0) return n;
  }
  const size_t terminal = platform::TerminalColumns();
  return terminal != 0 ? terminal : kUnknownTerminalWidth;
}

void PrintColumns(std::ostream& out, const std::vector<std::string>& header,
                  const std::vector<std::vector<std::string>>& rows, size_t width, size_t keyColumns) {
  std::vector<size_t> widths(header.size());
  for (size_t c = 0; c < header.size(); ++c) {
    widths[c] = Length(header[c]);
    for (const auto& row : rows) widths[c] = std::max(widths[c], Length(row[c]));
  }
  // Columns shown: all, or as many as fit, but never fewer than the keys.
  size_t shown = header.size();
  const auto lineWidth = [&](size_t columns) {
    size_t total = 0;
    for (size_t c = 0; c < columns; ++c) total += widths[c] + (c == 0 ? 0 : 2);
    return total;
  };
  while (width != 0 && shown > keyColumns && lineWidth(shown) > width) --shown;
  const auto line = [&](const std::vector<std::string>& cells) {
    std::string text;
    for (size_t c = 0; c < shown; ++c) {
      text += cells[c];
      if (c + 1 < shown) text += std::string(widths[c] - Length(cells[c]) + 2, ' ');
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    out << text << '\n';
  };
  line(header);
  for (const auto& row : rows) line(row);
  if (const size_t left = header.size() - shown; left != 0) {
    out << "(" << left << (left == 1 ? " column" : " columns") << " left out to fit " << width
        << " columns: " << header[shown] << (left == 1 ? "" : " ...") << "; --json shows every field)\n";
  }
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
  PrintColumns(out, header, rows, width, KeyFields(desc).size());
}

void PrintRecord(std::ostream& out, const Json& record) { Flatten(out, record, ""); }

}  // namespace zubcim
