// method_fuzz.cpp: every extrinsic method (and PutData, behind ModifyInstance)
// takes a whole record from its host, references and all, so no record may
// make it crash, leak, leave a middleware session open or answer with a
// status or return value outside the ones the methods report.
//
// Input: one byte picks the method among every method of the catalogue;
// the rest fills the method's record field by field through its description
// (framework/record_desc.h). A text is either one the library itself wrote
// into some record of the built-in topology (keys, references, names: read at
// start-up from every class), such a text cut or with bytes added, or raw
// bytes; a number is one byte, or all of its bytes after an escape byte; a
// list has up to four elements. So most inputs reach the methods' look-ups
// with real references, and the rest probe their parsing.
//
// A method that changes the simulated RAID stack would change what the next
// input meets: the stack goes back to the built-in topology after each
// change and the classes the methods consult read it again.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "classes/config/storage_setting.h"
#include "framework/catalog.h"
#include "middleware/middleware_state.h"
#include "provider/provider.h"
#include "sim/abru2_control.h"

namespace {

struct Target {
  const ClassDesc* cls;
  const MethodDesc* method;
};

std::vector<Target> Methods() {
  std::vector<Target> targets;
  for (const ClassDesc& cls : ClassCatalog())
    for (const MethodDesc& method : cls.methods) targets.push_back({&cls, &method});
  return targets;
}

// Every text a record of any class holds, once each.
std::vector<std::wstring> Texts() {
  std::vector<std::wstring> texts;
  auto keep = [&](const CZubString& text) {
    if (!text.IsEmpty()) texts.push_back(text.Str());
  };
  for (const ClassDesc& cls : ClassCatalog()) {
    if (CProviderInterfaceBase* object = cls.object()) object->Initialize();
    const RecordDesc& desc = cls.record();
    cls.getData([&](const void* record) {
      for (const FieldDesc& f : desc.fields) {
        if (f.type == FieldType::Text) keep(f.Value<CZubString>(record));
        if (f.type == FieldType::TextList)
          for (const CZubString& t : f.Value<CArrayT<CZubString>>(record)) keep(t);
      }
    });
  }
  std::sort(texts.begin(), texts.end());
  texts.erase(std::unique(texts.begin(), texts.end()), texts.end());
  return texts;
}

// Classes whose lists the methods look things up in; read again after the
// stack went back to its topology.
void ReadAgain() {
  for (const char* name : {"ZUB_ComputerSystem", "ZUB_StorageExtentDisk", "ZUB_StorageVolume", "ZUB_StoragePool",
                           "ZUB_AlarmDevice", "ZUB_StorageCapabilitiesPrimordial"})
    if (const ClassDesc* cls = FindClass(name))
      if (CProviderInterfaceBase* object = cls->object()) object->Update();
}

class Filler {
 public:
  Filler(FuzzedDataProvider& data, const std::vector<std::wstring>& texts) : m_data(data), m_texts(texts) {}

  void Fill(const RecordDesc& desc, void* record) {
    for (const FieldDesc& f : desc.fields) {
      switch (f.type) {
        case FieldType::Text: f.Value<CZubString>(record) = Text(); break;
        case FieldType::UInt64: f.Value<uint64_t>(record) = Number<uint64_t>(); break;
        case FieldType::Int64: f.Value<int64_t>(record) = Number<int64_t>(); break;
        case FieldType::UInt32: f.Value<uint32_t>(record) = Number<uint32_t>(); break;
        case FieldType::Int32: f.Value<int32_t>(record) = Number<int32_t>(); break;
        case FieldType::UInt8: f.Value<uint8_t>(record) = m_data.ConsumeIntegral<uint8_t>(); break;
        case FieldType::UInt64List: List<uint64_t>(f.Value<CArrayT<uint64_t>>(record), [&] { return Number<uint64_t>(); }); break;
        case FieldType::TextList: List<CZubString>(f.Value<CArrayT<CZubString>>(record), [&] { return Text(); }); break;
        case FieldType::Block: Fill(*f.block(), f.at(record)); break;
      }
    }
  }

 private:
  static constexpr uint8_t kWholeNumber = 0xF0;

  template <class T>
  T Number() {
    const uint8_t b = m_data.ConsumeIntegral<uint8_t>();
    return b < kWholeNumber ? static_cast<T>(b) : m_data.ConsumeIntegral<T>();
  }

  template <class T, class Make>
  void List(CArrayT<T>& list, Make make) {
    list.RemoveAll();
    for (uint8_t n = m_data.ConsumeIntegralInRange<uint8_t>(0, 4); n > 0; --n) list.Add(make());
  }

  CZubString Text() {
    std::wstring text;
    switch (m_data.ConsumeIntegralInRange<uint8_t>(0, 3)) {
      case 0:  // a text of the library's own
        text = Known();
        break;
      case 1: {  // one cut short
        text = Known();
        text.resize(m_data.ConsumeIntegralInRange<size_t>(0, text.size()));
        break;
      }
      case 2:  // one with characters added
        text = Known() + Raw();
        break;
      default:
        text = Raw();
    }
    return CZubString(text.c_str());
  }

  std::wstring Known() {
    if (m_texts.empty()) return L"";
    return m_texts[m_data.ConsumeIntegralInRange<size_t>(0, m_texts.size() - 1)];
  }

  // Up to 32 characters, one byte each (Latin-1), or two after a zero byte.
  std::wstring Raw() {
    std::wstring text;
    for (uint8_t n = m_data.ConsumeIntegralInRange<uint8_t>(0, 32); n > 0 && m_data.remaining_bytes(); --n) {
      wchar_t c = m_data.ConsumeIntegral<uint8_t>();
      if (c == 0) c = static_cast<wchar_t>(m_data.ConsumeIntegral<uint16_t>());
      if (c != 0) text.push_back(c);
    }
    return text;
  }

  FuzzedDataProvider& m_data;
  const std::vector<std::wstring>& m_texts;
};

bool KnownStatus(PROVIDER_STATUS s) {
  switch (s) {
    case PROVIDER_SUCCESS: case PROVIDER_FAILED: case PROVIDER_NOT_FOUND: case PROVIDER_NOT_SUPPORTED:
    case PROVIDER_NOT_READY: case PROVIDER_REQUEST_REFUSED: case PROVIDER_NO_OBJECT:
    case PROVIDER_INVALID_PARAMETER:
      return true;
  }
  return false;
}

// Keeps the generated settings (one per successful CreateSetting) from
// piling up over millions of inputs.
void TrimSettings() {
  CArrayT<stZUB_StorageSetting> settings;
  PROVIDER_CreateZubStorageSettingPrimordialInstance()->GetData(&settings);
  for (size_t i = 8; i < settings.GetCount(); ++i) RemoveSetting(SettingList::Primordial, settings[i].InstanceID);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::vector<Target> targets = Methods();
  static const std::vector<std::wstring> texts = [] {
    SsiInitialize();
    g_bMiddlewareInitialized = true;
    stComputerStringNames names;
    names.Namespace = kClassNamespace;
    names.ComputerName = L"fuzz";
    PROVIDER_CreateZubContainerInstance()->SetComputerNameStrings(names);
    return Texts();
  }();
  static uint64_t changes = abru2sim::ChangeCount();

  FuzzedDataProvider input(data, size);
  const Target& target = targets[input.ConsumeIntegralInRange<size_t>(0, targets.size() - 1)];
  const RecordDesc& desc = target.cls->record();
  void* record = desc.create();
  Filler(input, texts).Fill(desc, record);

  const PROVIDER_STATUS status = target.method->invoke(record);
  if (!KnownStatus(status)) std::abort();
  if (const FieldDesc* rv = ReturnValueField(desc); rv && rv->Value<uint64_t>(record) > 6 && status == PROVIDER_SUCCESS)
    std::abort();
  desc.destroy(record);
  if (abru2sim::GetCounters().sessionsOpen != 0) std::abort();  // a path that left its session open

  if (abru2sim::ChangeCount() != changes) {
    abru2sim::ResetToDefault();
    ReadAgain();
    changes = abru2sim::ChangeCount();
  }
  TrimSettings();
  return 0;
}
