// subscriptions.cpp: the kept subscription instances, their checks and
// their file.
#include "host/indications/subscriptions.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>

#include <nlohmann/json.hpp>

#include "host/cim/xml_writer.h"

namespace zubwbem {
namespace {

using Json = nlohmann::json;

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
  return out;
}

[[noreturn]] void Invalid(const std::string& what) { throw CimFault(kCimInvalidParameter, what); }

const char* const kQueryLanguages[] = {"WQL", "DMTF:CQL", "CQL"};
// The class whose indications carry a SourceInstance a query may ask of.
const char* const kLifeCycleBase = "CIM_InstIndication";

// The range of an integer type; nullopt for any other (reals and Char16
// included).
struct IntegerRange {
  int64_t min;
  uint64_t max;
};
std::optional<IntegerRange> IntegerRangeOf(CimType t) {
  switch (t) {
    case CimType::UInt8: return IntegerRange{0, UINT8_MAX};
    case CimType::UInt16: return IntegerRange{0, UINT16_MAX};
    case CimType::UInt32: return IntegerRange{0, UINT32_MAX};
    case CimType::UInt64: return IntegerRange{0, UINT64_MAX};
    case CimType::SInt8: return IntegerRange{INT8_MIN, INT8_MAX};
    case CimType::SInt16: return IntegerRange{INT16_MIN, INT16_MAX};
    case CimType::SInt32: return IntegerRange{INT32_MIN, INT32_MAX};
    case CimType::SInt64: return IntegerRange{INT64_MIN, INT64_MAX};
    default: return std::nullopt;
  }
}

// `text` as the one spelling of an integer in `range` ("02" is "2"); empty
// when it is not one.
std::string IntegerText(const std::string& text, const IntegerRange& range) {
  const char* const end = text.data() + text.size();
  if (!text.empty() && text[0] == '-') {
    int64_t v = 0;
    auto [stop, ec] = std::from_chars(text.data(), end, v);
    return ec == std::errc() && stop == end && v >= range.min ? std::to_string(v) : std::string();
  }
  uint64_t v = 0;
  auto [stop, ec] = std::from_chars(text.data(), end, v);
  return ec == std::errc() && stop == end && v <= range.max ? std::to_string(v) : std::string();
}

// A client's value checked against its property's type; booleans and
// integers come out in the one spelling the server writes.
CimValue Checked(const CimProperty& p, CimValue value) {
  if (value.null) return value;
  const size_t count = p.type == CimType::Reference ? value.refs.size() : value.items.size();
  if (!p.array && count != 1) Invalid(p.name + ": expected one value, got " + std::to_string(count));
  if (p.type == CimType::Reference && !value.items.empty()) Invalid(p.name + ": expected a reference");
  if (p.type != CimType::Reference && !value.refs.empty()) Invalid(p.name + ": a reference is not a " + TypeName(p.type));
  for (std::string& item : value.items) {
    if (p.type == CimType::Boolean) {
      if (!EqualsNoCase(item, "true") && !EqualsNoCase(item, "false")) Invalid(p.name + ": \"" + item + "\" is not a boolean");
      item = EqualsNoCase(item, "true") ? "TRUE" : "FALSE";
    } else if (const std::optional<IntegerRange> range = IntegerRangeOf(p.type)) {
      std::string text = IntegerText(item, *range);
      if (text.empty()) Invalid(p.name + ": \"" + item + "\" is not a " + TypeName(p.type));
      item = std::move(text);
    }
  }
  return value;
}

CimValue Scalar(std::string text) {
  CimValue v;
  v.null = false;
  v.items.push_back(std::move(text));
  return v;
}

std::string TextOf(const KeptInstance& instance, std::string_view property) {
  const CimValue* v = instance.Value(property);
  return v && !v->items.empty() ? v->items.front() : std::string();
}

uint64_t NumberOf(const CimValue& value) {
  uint64_t out = 0;
  std::from_chars(value.items.front().data(), value.items.front().data() + value.items.front().size(), out);
  return out;
}

bool IsSubscription(const KeptInstance& instance) { return EqualsNoCase(instance.cls->name, kSubscriptionClass); }

// The seconds a subscription has left, rounded up: 0 once it expired,
// nothing when it has no end.
std::optional<uint64_t> SecondsLeft(const KeptInstance& subscription, std::chrono::system_clock::time_point now) {
  const CimValue* duration = subscription.Value("SubscriptionDuration");
  if (!duration || duration->null || duration->items.empty()) return std::nullopt;
  const uint64_t seconds = NumberOf(*duration);
  const int64_t elapsed =
      std::max<int64_t>(0, std::chrono::duration_cast<std::chrono::microseconds>(now - subscription.started).count());
  const uint64_t whole = static_cast<uint64_t>(elapsed) / 1000000;
  return whole >= seconds ? 0 : seconds - whole;
}

// A subscription as the log names it: by its filter's and its
// destination's Name.
std::string Label(const KeptInstance& subscription) {
  auto name = [&](const char* role) {
    const CimValue* ref = subscription.Value(role);
    if (ref && !ref->refs.empty()) {
      for (const KeyBinding& key : ref->refs.front().keys) {
        if (EqualsNoCase(key.name, "Name")) return "\"" + key.value + "\"";
      }
      return Describe(ref->refs.front());
    }
    return std::string("?");
  };
  return "subscription (filter " + name("Filter") + ", destination " + name("Handler") + ")";
}

bool SameValue(const CimValue& a, const CimValue& b) {
  if (a.null || b.null) return a.null == b.null;
  if (a.items != b.items || a.refs.size() != b.refs.size()) return false;
  for (size_t i = 0; i < a.refs.size(); ++i) {
    if (!EqualsNoCase(a.refs[i].className, b.refs[i].className) || !SameKeys(a.refs[i], b.refs[i])) return false;
  }
  return true;
}

// ---- the file's JSON --------------------------------------------------------

Json PathJson(const CimPath& path) {
  Json keys = Json::array();
  for (const KeyBinding& key : path.keys) {
    Json k = {{"name", key.name}, {"value", key.value}, {"kind", static_cast<int>(key.kind)}};
    if (!key.ref.empty()) k["ref"] = PathJson(key.ref.front());
    keys.push_back(std::move(k));
  }
  return {{"host", path.host}, {"namespace", JoinNamespace(path.ns)}, {"class", path.className}, {"keys", keys}};
}

CimPath PathFromJson(const Json& j, int depth = 0) {
  if (depth > 4) throw std::runtime_error("references nest too deeply");
  CimPath path;
  path.host = j.at("host").get<std::string>();
  path.ns = SplitNamespace(j.at("namespace").get<std::string>());
  path.className = j.at("class").get<std::string>();
  for (const Json& k : j.at("keys")) {
    KeyBinding key;
    key.name = k.at("name").get<std::string>();
    key.value = k.at("value").get<std::string>();
    const int kind = k.at("kind").get<int>();
    if (kind < 0 || kind > static_cast<int>(KeyBinding::Kind::Reference)) throw std::runtime_error("bad key kind");
    key.kind = static_cast<KeyBinding::Kind>(kind);
    if (k.contains("ref")) key.ref.push_back(PathFromJson(k["ref"], depth + 1));
    path.keys.push_back(std::move(key));
  }
  return path;
}

Json ValueJson(const CimValue& v) {
  if (v.null) return nullptr;
  Json refs = Json::array();
  for (const CimPath& ref : v.refs) refs.push_back(PathJson(ref));
  return {{"items", v.items}, {"refs", refs}};
}

CimValue ValueFromJson(const Json& j) {
  CimValue v;
  if (j.is_null()) return v;
  v.null = false;
  v.items = j.at("items").get<std::vector<std::string>>();
  for (const Json& ref : j.at("refs")) v.refs.push_back(PathFromJson(ref));
  return v;
}

// Writes `text` to `file` so that the file holds either the old or the new
// text whatever happens: a temporary file next to it, on disk before it
// replaces the old one.
bool WriteAtomically(const std::string& file, const std::string& text, std::string* error) {
  const std::string temporary = file + ".tmp";
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) {
    *error = "cannot write " + temporary;
    return false;
  }
  size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
    if (n <= 0) break;
    written += static_cast<size_t>(n);
  }
  const bool ok = written == text.size() && ::fsync(fd) == 0;
  ::close(fd);
  if (!ok || std::rename(temporary.c_str(), file.c_str()) != 0) {
    std::remove(temporary.c_str());
    *error = "cannot write " + file;
    return false;
  }
  return true;
}

}  // namespace

// Lines for the log, handed to the observer once the store's lock is let go:
// made before the lock is taken, so that it ends after it.
class SubscriptionStore::Notices {
 public:
  Notices() = default;
  Notices(const Notices&) = delete;
  Notices& operator=(const Notices&) = delete;
  ~Notices() {
    for (const std::string& line : m_lines) {
      try {
        m_observer(line);
      } catch (...) {
        // A log that cannot be written loses the line, nothing else.
      }
    }
  }
  // Under the store's lock.
  void Add(const std::function<void(const std::string&)>& observer, std::string line) {
    if (!observer) return;
    m_observer = observer;
    m_lines.push_back(std::move(line));
  }

 private:
  std::function<void(const std::string&)> m_observer;
  std::vector<std::string> m_lines;
};

std::string CimDateTime(std::chrono::system_clock::time_point time) {
  using namespace std::chrono;
  const auto micros = floor<microseconds>(time);
  const auto midnight = floor<days>(micros);
  const year_month_day date{midnight};
  const hh_mm_ss<microseconds> since{micros - midnight};
  char text[64];
  std::snprintf(text, sizeof text, "%04d%02u%02u%02d%02d%02d.%06lld+000", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(since.hours().count()), static_cast<int>(since.minutes().count()),
                static_cast<int>(since.seconds().count()), static_cast<long long>(since.subseconds().count()));
  return text;
}

std::optional<std::chrono::system_clock::time_point> ReadCimDateTime(std::string_view text) {
  using namespace std::chrono;
  // yyyymmddhhmmss.mmmmmm, then the offset from UTC in minutes (+UUU or -UUU).
  if (text.size() != 25 || text[14] != '.' || (text[21] != '+' && text[21] != '-')) return std::nullopt;
  auto number = [&](size_t at, size_t length) {
    int value = 0;
    for (char c : text.substr(at, length)) {
      if (c < '0' || c > '9') return -1;
      value = value * 10 + (c - '0');
    }
    return value;
  };
  const int parts[] = {number(0, 4), number(4, 2), number(6, 2), number(8, 2), number(10, 2),
                       number(12, 2), number(15, 6), number(22, 3)};
  if (std::any_of(std::begin(parts), std::end(parts), [](int part) { return part < 0; })) return std::nullopt;
  const year_month_day date{year{parts[0]}, month{static_cast<unsigned>(parts[1])}, day{static_cast<unsigned>(parts[2])}};
  // The years the system clock can hold, with room for differences.
  if (!date.ok() || parts[0] < 1970 || parts[0] > 2200 || parts[3] > 23 || parts[4] > 59 || parts[5] > 59)
    return std::nullopt;
  const minutes offset{text[21] == '+' ? parts[7] : -parts[7]};
  const auto time = sys_days{date} + hours{parts[3]} + minutes{parts[4]} + seconds{parts[5]} + microseconds{parts[6]} - offset;
  return time_point_cast<system_clock::duration>(time);
}

const CimValue* KeptInstance::Value(std::string_view property) const {
  auto it = values.find(Lower(property));
  return it == values.end() ? nullptr : &it->second;
}

// No std::regex here: the server links cpp-httplib, whose own regexes would
// then run on this program's instantiations, which ThreadSanitizer checks
// without seeing the library's (uninstrumented) guards of its statics.
std::optional<ListenerAddress> ParseDestination(std::string_view text) {
  ListenerAddress out;
  out.scheme = "http";
  if (const size_t at = text.find("://"); at != std::string_view::npos) {
    out.scheme = Lower(text.substr(0, at));
    text.remove_prefix(at + 3);
  }
  if (out.scheme != "http" && out.scheme != "https") return std::nullopt;
  const size_t slash = text.find('/');
  std::string_view authority = text.substr(0, slash);
  out.path = slash == std::string_view::npos ? "/" : std::string(text.substr(slash));
  std::string_view port;
  if (!authority.empty() && authority.front() == '[') {
    const size_t close = authority.find(']');
    if (close == std::string_view::npos ||
        authority.find_first_not_of("0123456789abcdefABCDEF:.", 1) != close)
      return std::nullopt;
    out.host = std::string(authority.substr(0, close + 1));
    authority.remove_prefix(close + 1);
    if (!authority.empty() && authority.front() != ':') return std::nullopt;
    if (!authority.empty()) port = authority.substr(1);
  } else {
    const size_t colon = authority.find(':');
    out.host = std::string(authority.substr(0, colon));
    if (colon != std::string_view::npos) port = authority.substr(colon + 1);
  }
  auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
  if (out.host.empty() || std::any_of(out.host.begin(), out.host.end(), blank) ||
      std::any_of(out.path.begin(), out.path.end(), blank) ||
      (out.host.front() != '[' && out.host.find_first_of("@[]") != std::string::npos))
    return std::nullopt;
  out.port = out.scheme == "https" ? 5991 : 5990;  // DSP0200's listener ports
  if (authority.find(':') != std::string_view::npos || !port.empty()) {
    int value = 0;
    auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), value);
    if (port.empty() || port.size() > 5 || ec != std::errc() || end != port.data() + port.size() || value <= 0 ||
        value > 65535)
      return std::nullopt;
    out.port = value;
  }
  return out;
}

std::optional<FilterQuery> ReadFilterQuery(std::string_view query) {
  // Words apart by spaces, any case; a ';' at the end, alone or not.
  std::vector<std::string_view> words;
  for (size_t at = 0; at < query.size();) {
    if (std::isspace(static_cast<unsigned char>(query[at]))) {
      ++at;
      continue;
    }
    size_t end = at;
    while (end < query.size() && !std::isspace(static_cast<unsigned char>(query[end]))) ++end;
    words.push_back(query.substr(at, end - at));
    at = end;
  }
  if (!words.empty() && words.back() == ";") words.pop_back();
  if (!words.empty() && words.back().size() > 1 && words.back().back() == ';') words.back().remove_suffix(1);
  auto identifier = [](std::string_view word) {
    auto part = [](unsigned char c) { return std::isalnum(c) || c == '_'; };
    return !word.empty() && !std::isdigit(static_cast<unsigned char>(word.front())) &&
           std::all_of(word.begin(), word.end(), part);
  };
  if (words.size() < 4 || !EqualsNoCase(words[0], "select") || words[1] != "*" || !EqualsNoCase(words[2], "from") ||
      !identifier(words[3]))
    return std::nullopt;
  FilterQuery out{std::string(words[3]), {}};
  if (words.size() == 4) return out;
  // WHERE SourceInstance ISA <class> [OR SourceInstance ISA <class>]...
  // (the class may be quoted).
  for (size_t at = 4; at < words.size(); at += 4) {
    if (!EqualsNoCase(words[at], at == 4 ? "where" : "or") || at + 3 >= words.size() ||
        !EqualsNoCase(words[at + 1], "SourceInstance") || !EqualsNoCase(words[at + 2], "isa"))
      return std::nullopt;
    std::string_view cls = words[at + 3];
    if (cls.size() > 2 && (cls.front() == '\'' || cls.front() == '"') && cls.back() == cls.front())
      cls = cls.substr(1, cls.size() - 2);
    if (!identifier(cls)) return std::nullopt;
    out.sourceIsa.emplace_back(cls);
  }
  return out;
}

std::optional<std::string> SelectedClass(std::string_view query) {
  std::optional<FilterQuery> read = ReadFilterQuery(query);
  if (!read || !read->sourceIsa.empty()) return std::nullopt;
  return read->cls;
}

SubscriptionStore::SubscriptionStore(const Schema& schema, std::string host, std::string file, Clock clock)
    : m_schema(schema), m_host(std::move(host)), m_file(std::move(file)), m_clock(std::move(clock)) {
  if (!m_clock) m_clock = [] { return std::chrono::system_clock::now(); };
}

void SubscriptionStore::OnNotice(std::function<void(const std::string& line)> observer) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_notice = std::move(observer);
}

const CimClass& SubscriptionStore::Class(const char* name) const { return *m_schema.Find(InteropNs(), name); }

bool SubscriptionStore::Load(std::string* error) {
  if (m_file.empty()) return true;
  std::ifstream in(m_file, std::ios::binary);
  if (!in) return true;  // nothing kept yet (a temporary file left over never replaced anything)
  std::stringstream text;
  text << in.rdbuf();
  std::vector<KeptInstance> loaded;
  try {
    const Json doc = Json::parse(text.str());
    for (const Json& j : doc.at("instances")) {
      KeptInstance instance;
      const std::string cls = j.at("class").get<std::string>();
      instance.cls = m_schema.Find(InteropNs(), cls);
      if (!instance.cls || !instance.cls->kept) throw std::runtime_error("the class " + cls + " is not kept here");
      instance.path = PathFromJson(j.at("path"));
      instance.selects = j.value("selects", "");
      instance.sourceIsa = j.value("sourceIsa", std::vector<std::string>{});
      for (const auto& [name, value] : j.at("properties").items()) {
        const CimProperty* p = instance.cls->FindProperty(name);
        if (!p) throw std::runtime_error(cls + " has no property " + name);
        instance.values[Lower(name)] = Checked(*p, ValueFromJson(value));
      }
      loaded.push_back(std::move(instance));
    }
  } catch (const std::exception& e) {
    *error = m_file + " does not hold subscriptions as zubcim writes them: " + e.what();
    return false;
  }
  Notices notices;
  std::lock_guard<std::mutex> lock(m_mutex);
  m_instances = std::move(loaded);
  bool filledIn = false;
  for (KeptInstance& instance : m_instances) {
    if (!IsSubscription(instance)) continue;
    instance.values.erase("subscriptiontimeremaining");  // computed when listed
    std::optional<std::chrono::system_clock::time_point> started = ReadCimDateTime(TextOf(instance, "SubscriptionStartTime"));
    if (!started) {
      started = std::chrono::floor<std::chrono::microseconds>(m_clock());
      instance.values["subscriptionstarttime"] = Scalar(CimDateTime(*started));
      filledIn = true;
    }
    instance.started = *started;
  }
  const size_t before = m_instances.size();
  ExpireLocked(notices);
  // What changed is written at once, so that a start stays the same across
  // restarts; a file that cannot be written is said now rather than at the
  // first change a client makes.
  if ((filledIn || m_instances.size() != before) && !SaveLocked(error)) return false;
  return true;
}

bool SubscriptionStore::SaveLocked(std::string* error) const {
  if (m_file.empty()) return true;
  Json instances = Json::array();
  for (const KeptInstance& instance : m_instances) {
    Json properties = Json::object();
    for (const CimProperty& p : instance.cls->properties) {
      if (const CimValue* v = instance.Value(p.name)) properties[p.name] = ValueJson(*v);
    }
    Json j = {{"class", instance.cls->name}, {"path", PathJson(instance.path)}, {"properties", properties}};
    if (!instance.selects.empty()) j["selects"] = instance.selects;
    if (!instance.sourceIsa.empty()) j["sourceIsa"] = instance.sourceIsa;
    instances.push_back(std::move(j));
  }
  return WriteAtomically(m_file, Json{{"instances", instances}}.dump(1) + "\n", error);
}

const KeptInstance* SubscriptionStore::FindLocked(const CimClass& cls, const CimPath& path) const {
  for (const KeptInstance& instance : m_instances) {
    if (instance.cls == &cls && SameKeys(instance.path, path)) return &instance;
  }
  return nullptr;
}

void SubscriptionStore::CheckFilter(KeptInstance& filter) const {
  std::string language = TextOf(filter, "QueryLanguage");
  if (language.empty()) language = "WQL";
  if (std::none_of(std::begin(kQueryLanguages), std::end(kQueryLanguages),
                   [&](const char* known) { return EqualsNoCase(known, language); }))
    throw CimFault(kCimQueryLanguageNotSupported, "the query language " + language + " is not supported (WQL, DMTF:CQL)");
  const std::string query = TextOf(filter, "Query");
  std::optional<FilterQuery> selected = ReadFilterQuery(query);
  if (!selected)
    throw CimFault(kCimInvalidQuery, "the query \"" + query +
                                         "\" is not SELECT * FROM <indication class> [WHERE SourceInstance ISA <class>]");
  const CimClass* cls = m_schema.Find(ClassNs(), selected->cls);
  if (!cls || !m_schema.IsA(*cls, "CIM_Indication"))
    throw CimFault(kCimInvalidQuery, "the query \"" + query + "\" selects no indication class of root/corvo_zub");
  if (!selected->sourceIsa.empty() && !m_schema.IsA(*cls, kLifeCycleBase))
    throw CimFault(kCimInvalidQuery, "the query \"" + query + "\" asks of a SourceInstance, which only " +
                                         kLifeCycleBase + " and the classes below it have");
  filter.selects = cls->name;
  filter.sourceIsa.clear();
  for (const std::string& name : selected->sourceIsa) {
    const CimClass* source = m_schema.Find(ClassNs(), name);
    if (!source) throw CimFault(kCimInvalidQuery, "the query \"" + query + "\" names " + name + ", no class of root/corvo_zub");
    filter.sourceIsa.push_back(source->name);
  }
  // A filter names where its indications come from; the alerts come from
  // the classes' namespace, so a filter that leaves it out would never fire.
  std::vector<std::string> sources;
  for (const char* property : {"SourceNamespaces", "SourceNamespace"}) {
    if (const CimValue* v = filter.Value(property)) sources.insert(sources.end(), v->items.begin(), v->items.end());
  }
  if (!sources.empty() && std::none_of(sources.begin(), sources.end(), [](const std::string& ns) {
        return CanonicalNamespace(ns) == ClassNs();
      }))
    Invalid("the filter's source namespaces leave out root/corvo_zub, where the alerts come from");
}

void SubscriptionStore::CheckSubscription(KeptInstance& subscription, const ProviderFilterQuery& providerFilter) const {
  auto completed = [&](const char* property) {
    const CimValue* v = subscription.Value(property);
    if (!v || v->refs.empty()) Invalid(std::string("a subscription needs its ") + property + " (a reference)");
    CimPath path = v->refs.front();
    if (path.host.empty()) path.host = m_host;
    if (path.ns.empty()) path.ns = SplitNamespace(InteropNs());
    if (CanonicalNamespace(JoinNamespace(path.ns)) != InteropNs())
      Invalid(std::string(property) + " " + Describe(path) + " is not in root/interop");
    CimValue completedValue = *v;
    completedValue.refs.front() = path;
    subscription.values[Lower(property)] = completedValue;
    return path;
  };
  const CimPath filter = completed("Filter");
  const CimPath handler = completed("Handler");
  if (const KeptInstance* kept = EqualsNoCase(filter.className, kFilterClass) ? FindLocked(Class(kFilterClass), filter) : nullptr) {
    subscription.selects = kept->selects;
    subscription.sourceIsa = kept->sourceIsa;
  } else {
    const CimClass* cls = m_schema.Find(InteropNs(), filter.className);
    std::optional<std::string> query;
    if (cls && !cls->kept && m_schema.IsA(*cls, kFilterClass) && providerFilter) query = providerFilter(*cls, filter);
    if (!query) Invalid("there is no filter " + Describe(filter));
    std::optional<std::string> selected = SelectedClass(*query);
    if (!selected) throw CimFault(kCimInvalidQuery, "the filter " + Describe(filter) + " has a query this server cannot apply");
    subscription.selects = *selected;
  }
  if (!EqualsNoCase(handler.className, kDestinationClass) || !FindLocked(Class(kDestinationClass), handler))
    Invalid("there is no listener destination " + Describe(handler));
  if (!subscription.Value("SubscriptionState")) subscription.values["subscriptionstate"] = Scalar("2");
}

CimPath SubscriptionStore::Create(const CimClass& cls, const std::map<std::string, CimValue>& values,
                                  const ProviderFilterQuery& providerFilter) {
  KeptInstance instance;
  instance.cls = &cls;
  for (const auto& [name, value] : values) {
    const CimProperty* p = cls.FindProperty(name);
    if (!p) Invalid("the class " + cls.name + " has no property \"" + name + "\"");
    instance.values[Lower(p->name)] = Checked(*p, value);
  }
  const bool subscription = EqualsNoCase(cls.name, kSubscriptionClass);
  if (subscription) {
    // The server's: when it started and what is left.
    instance.values.erase("subscriptionstarttime");
    instance.values.erase("subscriptiontimeremaining");
    const CimValue* duration = instance.Value("SubscriptionDuration");
    if (duration && !duration->null && NumberOf(*duration) == 0)
      Invalid("a SubscriptionDuration of 0 would end the subscription at once; leave it out (or NULL) for no end");
    const std::string policy = TextOf(instance, "OnFatalErrorPolicy");
    if (!policy.empty() && (policy.size() != 1 || policy[0] < '1' || policy[0] > '4'))
      Invalid("OnFatalErrorPolicy " + policy + " is not 1 (Other), 2 (Ignore), 3 (Disable) or 4 (Remove)");
    instance.started = std::chrono::floor<std::chrono::microseconds>(m_clock());
    instance.values["subscriptionstarttime"] = Scalar(CimDateTime(instance.started));
  } else {
    // Filters and destinations: the keys a client may leave to the server.
    const std::pair<const char*, std::string> kDefaults[] = {
        {"CreationClassName", cls.name}, {"SystemCreationClassName", "CIM_ComputerSystem"}, {"SystemName", m_host}};
    for (const auto& [property, fallback] : kDefaults) {
      if (TextOf(instance, property).empty()) instance.values[Lower(property)] = Scalar(fallback);
    }
    if (!EqualsNoCase(TextOf(instance, "CreationClassName"), cls.name))
      Invalid("CreationClassName must be " + cls.name);
    if (TextOf(instance, "Name").empty()) Invalid("an instance of " + cls.name + " needs a Name");
  }
  if (EqualsNoCase(cls.name, kDestinationClass)) {
    const std::string destination = TextOf(instance, "Destination");
    if (!ParseDestination(destination))
      Invalid("Destination \"" + destination + "\" is not a listener's URL (http://host:port/path)");
    const std::string protocol = TextOf(instance, "Protocol");
    if (!protocol.empty() && protocol != "2")
      throw CimFault(kCimNotSupported, "listeners are reached with CIM-XML only (Protocol 2)");
    // How it is kept is the store's to say.
    instance.values["persistencetype"] = Scalar(m_file.empty() ? "3" : "2");
    instance.values.erase("otherpersistencetype");
  }

  Notices notices;
  std::lock_guard<std::mutex> lock(m_mutex);
  ExpireLocked(notices);
  if (EqualsNoCase(cls.name, kFilterClass)) CheckFilter(instance);
  if (subscription) CheckSubscription(instance, providerFilter);
  instance.path.host = m_host;
  instance.path.ns = SplitNamespace(InteropNs());
  instance.path.className = cls.name;
  for (size_t index : cls.keys) {
    const CimProperty& p = cls.properties[index];
    KeyBinding key;
    key.name = p.name;
    const CimValue* v = instance.Value(p.name);
    if (p.type == CimType::Reference) {
      key.kind = KeyBinding::Kind::Reference;
      key.ref.push_back(v->refs.front());
    } else {
      key.value = v->items.front();
    }
    instance.path.keys.push_back(std::move(key));
  }
  if (FindLocked(cls, instance.path)) throw CimFault(kCimAlreadyExists, "the instance " + Describe(instance.path) + " exists already");
  m_instances.push_back(instance);
  std::string error;
  if (!SaveLocked(&error)) {
    m_instances.pop_back();
    throw CimFault(kCimFailed, "the subscriptions cannot be kept: " + error);
  }
  return instance.path;
}

void SubscriptionStore::Delete(const CimClass& cls, const CimPath& path) {
  std::string deletedDestination;
  Notices notices;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    ExpireLocked(notices);
    const KeptInstance* found = FindLocked(cls, path);
    if (!found) throw CimFault(kCimNotFound, "no instance " + Describe(path) + " in root/interop");
    if (!EqualsNoCase(cls.name, kSubscriptionClass)) {
      const char* role = EqualsNoCase(cls.name, kFilterClass) ? "Filter" : "Handler";
      for (const KeptInstance& s : m_instances) {
        const CimValue* ref = EqualsNoCase(s.cls->name, kSubscriptionClass) ? s.Value(role) : nullptr;
        if (ref && !ref->refs.empty() && EqualsNoCase(ref->refs.front().className, cls.name) &&
            SameKeys(ref->refs.front(), found->path))
          throw CimFault(kCimFailed, "the instance " + Describe(found->path) + " is still used by a subscription; delete that first");
      }
    }
    const ptrdiff_t index = found - m_instances.data();
    KeptInstance removed = *found;
    m_instances.erase(m_instances.begin() + index);
    std::string error;
    if (!SaveLocked(&error)) {
      m_instances.insert(m_instances.begin() + index, std::move(removed));
      throw CimFault(kCimFailed, "the subscriptions cannot be kept: " + error);
    }
    if (EqualsNoCase(cls.name, kDestinationClass)) deletedDestination = Describe(removed.path);
  }
  if (!deletedDestination.empty() && m_destinationDeleted) m_destinationDeleted(deletedDestination);
}

void SubscriptionStore::Modify(const CimClass& cls, const CimPath& path, const std::map<std::string, CimValue>& values) {
  if (!EqualsNoCase(cls.name, kSubscriptionClass))
    throw CimFault(kCimNotSupported, "instances of " + cls.name + " cannot be modified");
  Notices notices;
  std::lock_guard<std::mutex> lock(m_mutex);
  ExpireLocked(notices);
  const KeptInstance* kept = FindLocked(cls, path);
  if (!kept) throw CimFault(kCimNotFound, "no instance " + Describe(path) + " in root/interop");
  KeptInstance* found = &m_instances[static_cast<size_t>(kept - m_instances.data())];
  std::optional<std::string> state;
  for (const auto& [name, given] : values) {
    const CimProperty* p = cls.FindProperty(name);
    if (!p) Invalid("the class " + cls.name + " has no property \"" + name + "\"");
    const std::string property = Lower(p->name);
    if (property == "subscriptionstarttime" || property == "subscriptiontimeremaining") continue;  // the server's
    CimValue value = Checked(*p, given);
    if (property == "subscriptionstate") {
      if (value.null || (value.items.front() != "2" && value.items.front() != "4"))
        Invalid("SubscriptionState can be set to 2 (enabled) or 4 (disabled) only");
      state = value.items.front();
      continue;
    }
    const CimValue* now = found->Value(p->name);
    if (!SameValue(value, now ? *now : CimValue{}))
      throw CimFault(kCimNotSupported, "of a subscription only SubscriptionState can be modified, not " + p->name);
  }
  if (!state || TextOf(*found, "SubscriptionState") == *state) return;
  CimValue before = *found->Value("SubscriptionState");
  found->values["subscriptionstate"] = Scalar(*state);
  std::string error;
  if (!SaveLocked(&error)) {
    found->values["subscriptionstate"] = std::move(before);
    throw CimFault(kCimFailed, "the subscriptions cannot be kept: " + error);
  }
}

std::vector<KeptInstance> SubscriptionStore::List(const CimClass& cls) {
  std::vector<KeptInstance> out;
  Notices notices;
  std::lock_guard<std::mutex> lock(m_mutex);
  ExpireLocked(notices);
  const auto now = m_clock();
  for (const KeptInstance& instance : m_instances) {
    if (instance.cls != &cls) continue;
    out.push_back(instance);
    KeptInstance& listed = out.back();
    if (IsSubscription(listed)) {
      if (std::optional<uint64_t> left = SecondsLeft(listed, now))
        listed.values["subscriptiontimeremaining"] = Scalar(std::to_string(*left));
    } else if (EqualsNoCase(cls.name, kDestinationClass)) {
      listed.values["persistencetype"] = Scalar(m_file.empty() ? "3" : "2");
      listed.values.erase("otherpersistencetype");
    }
  }
  return out;
}

bool SubscriptionStore::SelectsLocked(const KeptInstance& s, const CimClass* alert, std::string_view indicationClass,
                                      std::string_view sourceClass) const {
  if (!IsSubscription(s) || TextOf(s, "SubscriptionState") != "2") return false;
  if (!(alert ? m_schema.IsA(*alert, s.selects) : EqualsNoCase(indicationClass, s.selects))) return false;
  if (s.sourceIsa.empty()) return true;
  const CimClass* source = sourceClass.empty() ? nullptr : m_schema.Find(ClassNs(), sourceClass);
  return source && std::any_of(s.sourceIsa.begin(), s.sourceIsa.end(),
                               [&](const std::string& isa) { return m_schema.IsA(*source, isa); });
}

const KeptInstance* SubscriptionStore::HandlerLocked(const KeptInstance& subscription) const {
  const CimValue* handlerRef = subscription.Value("Handler");
  return handlerRef && !handlerRef->refs.empty() ? FindLocked(Class(kDestinationClass), handlerRef->refs.front()) : nullptr;
}

void SubscriptionStore::ExpireLocked(Notices& notices) {
  const auto now = m_clock();
  std::vector<std::string> expired;
  for (auto it = m_instances.begin(); it != m_instances.end();) {
    if (IsSubscription(*it) && SecondsLeft(*it, now) == uint64_t{0}) {
      expired.push_back(Label(*it) + " expired (SubscriptionDuration " + TextOf(*it, "SubscriptionDuration") +
                        " s, started " + TextOf(*it, "SubscriptionStartTime") + "); removed");
      it = m_instances.erase(it);
    } else {
      ++it;
    }
  }
  if (expired.empty()) return;
  std::string error;
  const bool saved = SaveLocked(&error);
  for (std::string& line : expired) notices.Add(m_notice, saved ? std::move(line) : line + " (not saved: " + error + ")");
}

std::vector<Target> SubscriptionStore::TargetsOf(std::string_view indicationClass, std::string_view sourceClass) {
  std::vector<Target> out;
  const CimClass* alert = m_schema.Find(ClassNs(), indicationClass);
  Notices notices;
  std::lock_guard<std::mutex> lock(m_mutex);
  ExpireLocked(notices);
  for (const KeptInstance& s : m_instances) {
    if (!SelectsLocked(s, alert, indicationClass, sourceClass)) continue;
    const KeptInstance* handler = HandlerLocked(s);
    if (!handler) continue;
    Target target{Describe(handler->path), TextOf(*handler, "Destination")};
    if (std::none_of(out.begin(), out.end(), [&](const Target& t) { return t.key == target.key; }))
      out.push_back(std::move(target));
  }
  return out;
}

bool SubscriptionStore::Wants(const std::string& key, std::string_view indicationClass, std::string_view sourceClass) {
  const CimClass* alert = m_schema.Find(ClassNs(), indicationClass);
  Notices notices;
  std::lock_guard<std::mutex> lock(m_mutex);
  ExpireLocked(notices);
  return std::any_of(m_instances.begin(), m_instances.end(), [&](const KeptInstance& s) {
    const KeptInstance* handler = SelectsLocked(s, alert, indicationClass, sourceClass) ? HandlerLocked(s) : nullptr;
    return handler && Describe(handler->path) == key;
  });
}

FatalOutcome SubscriptionStore::FatalFailure(const std::string& key, std::string_view indicationClass,
                                             std::string_view sourceClass) {
  const CimClass* alert = m_schema.Find(ClassNs(), indicationClass);
  FatalOutcome out;
  Notices notices;
  std::lock_guard<std::mutex> lock(m_mutex);
  ExpireLocked(notices);
  auto add = [&out](const std::string& text) { out.text += (out.text.empty() ? "" : "; ") + text; };
  for (auto it = m_instances.begin(); it != m_instances.end();) {
    const KeptInstance* handler = SelectsLocked(*it, alert, indicationClass, sourceClass) ? HandlerLocked(*it) : nullptr;
    if (!handler || Describe(handler->path) != key) {
      ++it;
      continue;
    }
    const std::string policy = TextOf(*it, "OnFatalErrorPolicy");
    if (policy == "3") {
      it->values["subscriptionstate"] = Scalar("4");
      add(Label(*it) + " disabled (OnFatalErrorPolicy Disable; SubscriptionState 2 enables it again)");
      out.changed = true;
      ++it;
    } else if (policy == "4") {
      add(Label(*it) + " removed (OnFatalErrorPolicy Remove)");
      out.changed = true;
      it = m_instances.erase(it);
    } else {
      add(Label(*it) + " kept (OnFatalErrorPolicy " + std::string(policy == "1" ? "Other, met as Ignore" : "Ignore") + ")");
      ++it;
    }
  }
  if (out.text.empty()) out.text = "no enabled subscription of the listener selects it";
  std::string error;
  if (out.changed && !SaveLocked(&error)) add("not saved: " + error);
  return out;
}

}  // namespace zubwbem
