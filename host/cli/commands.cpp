// commands.cpp: classes, list, invoke (watch is in watch.cpp).
#include "host/cli/commands.h"

#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "host/kit/class_json.h"
#include "host/kit/errors.h"
#include "host/kit/inventory.h"
#include "host/kit/lookup.h"
#include "host/cli/table.h"
#include "host/view/adapter.h"
#include "host/view/view.h"

namespace zubcim {
namespace {

std::string StatusText(int status) {
  switch (status) {
    case 0: return "0 success";
    case 1: return "1 failed";
    case 4: return "4 not found";
    case 5: return "5 not supported";
    case 7: return "7 not ready";
    case 8: return "8 request refused";
    case 9: return "9 no object";
    case 11: return "11 invalid parameter";
  }
  return std::to_string(status);
}

const char* Kind(const ClassDesc& cls) { return cls.association ? "association" : "instance"; }

std::string MethodNames(const ClassDesc& cls) {
  std::string out;
  for (const MethodDesc& m : cls.methods) {
    if (!out.empty()) out += ' ';
    out += m.name;
  }
  return out;
}

// Every class in catalogue order (elements before associations): with
// --json every record, one line a class; else one summary row a class. Then
// the references are checked against the whole inventory.
int ListAllCommand(const HostOptions& options) {
  Session session(options.session);
  std::vector<ListedClass> inventory;
  std::vector<std::vector<std::string>> rows;
  size_t total = 0;
  for (const ClassDesc& cls : ClassCatalog()) {
    Json result = session.List(cls);
    const size_t count = result["instances"].size();
    total += count;
    if (options.json) PrintLine(result);
    else rows.push_back({cls.name, Kind(cls), StatusText(result["status"].get<int>()), std::to_string(count)});
    inventory.push_back({&cls, std::move(result)});
  }
  const std::vector<DanglingReference> dangling = DanglingReferences(inventory, session.Namespace());
  if (!options.json) {
    PrintColumns(std::cout, {"Class", "Kind", "Status", "Instances"}, rows, TerminalWidth());
    std::cout << '\n' << rows.size() << " classes, " << total << " instances; "
              << (dangling.empty() ? "every reference names a listed instance" : "references naming no instance:")
              << '\n';
  }
  for (const DanglingReference& d : dangling) {
    std::cerr << "zubcim: " << d.cls << '.' << d.field << " names no listed instance: " << d.reference << '\n';
  }
  return dangling.empty() ? kExitOk : kExitDangling;
}

const zubview::ViewClass* FindViewClass(const std::string& name) {
  for (const zubview::ViewClass& view : zubview::ViewClasses()) {
    if (name == view.name) return &view;
  }
  return nullptr;
}

// {"list", "status": 0, "instances"} of a view class, each instance its rules' values.
Json ViewList(const zubview::ViewClass& view, zubview::Source& source) {
  Json instances = Json::array();
  for (const Json& row : view.rows(source)) instances.push_back(zubview::Evaluate(view.rules, row, source));
  return {{"list", view.name}, {"status", 0}, {"instances", std::move(instances)}};
}

// The derived properties of a listed library class, added to each instance,
// computed on the very records listed.
void AddDerived(const ClassDesc& cls, Json& result, zubview::LibrarySource& source) {
  const auto rules = zubview::DerivedRules(cls.name);
  if (rules.empty()) return;
  Json& instances = result["instances"];
  source.Put(cls.name, std::vector<Json>(instances.begin(), instances.end()));
  for (Json& instance : instances) instance.update(zubview::Evaluate(rules, instance, source));
}

void PrintListHuman(const ClassDesc& cls, const Json& result) {
  const Json& instances = result["instances"];
  std::cout << result["list"].get<std::string>() << ": ";
  if (instances.empty()) std::cout << "no instance";
  else std::cout << instances.size() << (instances.size() == 1 ? " instance" : " instances");
  std::cout << " (status " << StatusText(result["status"].get<int>()) << ")\n";
  PrintInstances(std::cout, cls.record(), instances, TerminalWidth());
}

}  // namespace

std::string ReadInput(const std::string& path) {
  if (path.empty()) return std::string(std::istreambuf_iterator<char>(std::cin), {});
  std::ifstream file(path, std::ios::binary);
  if (!file) throw BadInput("cannot read " + path);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

Json ParseJson(const std::string& text, const std::string& source) {
  try {
    return Json::parse(text);
  } catch (const Json::parse_error& e) {
    // Drop the library's "[json.exception.parse_error.101] " tag: the line
    // is for a person.
    std::string what = e.what();
    if (size_t end = what.find("] "); what.rfind("[json.exception", 0) == 0 && end != std::string::npos)
      what = what.substr(end + 2);
    throw BadInput(source + ": not valid JSON: " + what);
  }
}

namespace {

// A catalogue class's definition with the client view's derived properties
// and its adapter method (marked "derived"), unless --records-only.
Json ClassWithView(const ClassDesc& cls, bool view) {
  Json out = ClassJson(cls);
  if (!view) return out;
  for (const zubview::Rule& rule : zubview::DerivedRules(cls.name)) out["properties"].push_back(zubview::RuleJson(rule));
  if (std::string_view(cls.name) == zubview::kAdapterClass)
    out["methods"].push_back({{"name", zubview::kAdapterMethod}, {"return", "uint32"}, {"derived", true},
                              {"rule", "picks the pool's free disks and calls CreateOrModifyElementFromElements "
                                       "(docs/client-view.md)"}});
  return out;
}

// A view class of references is an association.
Json ViewClassJson(const zubview::ViewClass& cls) {
  Json properties = Json::array();
  bool association = false;
  for (const zubview::Rule& rule : cls.rules) {
    properties.push_back(zubview::RuleJson(rule));
    association = association || std::string_view(rule.cimType).ends_with(" ref");
  }
  return {{"class", cls.name},
          {"kind", association ? "association" : "instance"},
          {"superclass", cls.superclass},
          {"description", cls.description},
          {"view", true},
          {"instances", cls.instances},
          {"properties", std::move(properties)},
          {"methods", Json::array()}};
}

}  // namespace

int ClassesCommand(const HostOptions& options) {
  const bool view = !options.recordsOnly;
  if (options.json) {
    for (const ClassDesc& cls : ClassCatalog()) PrintLine(ClassWithView(cls, view));
    if (view) {
      for (const zubview::ViewClass& cls : zubview::ViewClasses()) PrintLine(ViewClassJson(cls));
    }
    return kExitOk;
  }
  std::vector<std::vector<std::string>> rows;
  for (const ClassDesc& cls : ClassCatalog()) {
    std::string methods = MethodNames(cls);
    if (view && std::string_view(cls.name) == zubview::kAdapterClass) methods += std::string(" ") + zubview::kAdapterMethod;
    rows.push_back({cls.name, Kind(cls), cls.superclass, methods});
  }
  if (view) {
    for (const zubview::ViewClass& cls : zubview::ViewClasses())
      rows.push_back({cls.name, ViewClassJson(cls)["kind"].get<std::string>() + " (view)", cls.superclass, ""});
  }
  PrintColumns(std::cout, {"Class", "Kind", "Specialises", "Methods"}, rows, TerminalWidth());
  return kExitOk;
}

int ListCommand(const HostOptions& options, const std::vector<std::string>& names, bool all) {
  if (all) {
    if (!names.empty()) throw BadInput("list: give class names or --all, not both");
    return ListAllCommand(options);
  }
  if (names.empty()) throw BadInput("list: name at least one class, or --all");
  // Every name is checked before the library starts: a typo in the third
  // name must not leave half an answer behind. A class of the client view
  // is listed from the records it derives from.
  std::vector<const ClassDesc*> classes;
  std::vector<const zubview::ViewClass*> views;
  for (const std::string& name : names) {
    const zubview::ViewClass* view = options.recordsOnly ? nullptr : FindViewClass(name);
    views.push_back(view);
    classes.push_back(view ? nullptr : &RequireClass(name));
  }
  Session session(options.session);
  zubview::LibrarySource source(session.ComputerName(), session.Namespace());
  bool first = true;
  for (size_t i = 0; i < names.size(); ++i) {
    Json result = views[i] ? ViewList(*views[i], source) : session.List(*classes[i]);
    if (classes[i] && !options.recordsOnly) AddDerived(*classes[i], result, source);
    if (options.json) {
      PrintLine(result);
    } else {
      if (!first) std::cout << '\n';
      if (classes[i]) {
        PrintListHuman(*classes[i], result);
      } else {
        std::cout << views[i]->name << ": " << result["instances"].size() << " instances (client view)\n";
        for (const Json& instance : result["instances"]) PrintRecord(std::cout, instance);
      }
    }
    first = false;
  }
  return kExitOk;
}

int InvokeCommand(const HostOptions& options, const std::string& className, const std::string& methodName,
                  const std::string& inFile) {
  const ClassDesc& cls = RequireClass(className);
  const MethodDesc& method = RequireMethod(cls, methodName);
  Json in = ParseJson(ReadInput(inFile), inFile.empty() ? "standard input" : inFile);
  RecordPtr record = InputRecord(cls, method, in);
  Session session(options.session);
  Json result = session.Invoke(cls, method, std::move(record));
  if (options.json) {
    PrintLine(result);
  } else {
    std::cout << cls.name << '.' << method.name << ": status " << StatusText(result["status"].get<int>()) << '\n';
    PrintRecord(std::cout, result["record"]);
  }
  return kExitOk;
}

}  // namespace zubcim
