// object_path.h: CIM object paths as the provider writes and reads them.
//
// A reference is held as host, namespace and an ordered list of keys, and
// becomes the text
//   \\HOST\NAMESPACE:Class.Key1="v1",Key2="v2"
// (the first key's name carries the class). Nothing in a value is escaped,
// so ParsePath, the inverse used on references a host passes in, cuts a value
// at a comma or a double quote. Parsing never throws; a malformed text gives
// empty or partial fields.
//
// Hosts read and write the library's reference texts only through this file:
// ToString to write one, ReadReferenceText to read one the library wrote (a
// value holding a double quote reads whole there), LibraryReadsBack to know
// whether the library's own reading of a text gives back what was meant.
#pragma once

#include "zubprov/api.h"
#include "zubprov/interfaces.h"

// Text helpers that never throw. Before/After: the text before/after the first
// marker, "" when it does not occur. Between: after the first m1 and before
// the first m2 that follows it; "" when either is missing.
CZubString Before(const CZubString& text, const wchar_t* marker);
CZubString After(const CZubString& text, const wchar_t* marker);
CZubString Between(const CZubString& text, const wchar_t* m1, const wchar_t* m2);

class ZUBPROV_API CWbemProperty {
 public:
  CWbemProperty() = default;
  CWbemProperty(const CZubString& name, const CZubString& value) : m_name(name), m_value(value) {}

  // name="value"
  CZubString ToString() const;

  CZubString m_name;
  CZubString m_value;
};

template <class T>
class CWbemPropertyListInterfaceT {};

class ZUBPROV_API CWbemPropertyList : public CArrayT<CWbemProperty>,
                          public CWbemPropertyListInterfaceT<wchar_t> {
 public:
  void AddProperty(const CZubString& name, const CZubString& value);
  // The value of the first key of that name; throws CZubException{4} when
  // there is none.
  CZubString GetPropertyValue(const CZubString& name) const;
  // The same without an exception: false (and *value untouched) when no key
  // has that name.
  bool TryGetPropertyValue(const CZubString& name, CZubString* value) const;
};

class ZUBPROV_API CWbemObjectPath {
 public:
  // \\host\namespace: followed by the keys joined with commas.
  CZubString ToString() const;
  // Fills host, namespace, class name and keys from a path text.
  void ParsePath(const CZubString& text);

  CZubString m_host;
  CZubString m_namespace;
  CZubString m_className;
  CWbemPropertyList m_keys;
};

// How a host reads a reference text the library wrote. ParsePath, the
// library's own reading, cuts a value at its first double quote; since the
// library writes values unescaped, a host reads a value up to the double
// quote that ends the text or is followed by a comma, a key name and `="`.
// A value holding a double quote or a comma (a volume named a"b) then reads
// whole, unless it holds `",Name="` itself. Fills *out as ParsePath does
// (class name apart, bare key names); false, with what could be read, for a
// text of another shape (no \\host\namespace:, no class, a value without
// its closing quote).
ZUBPROV_API bool ReadReferenceText(const CZubString& text, CWbemObjectPath* out);

// Whether the library's reading (ParsePath) of path.ToString() gives back
// its host, namespace and key values: false when a value holds a double
// quote or a comma, or the host a backslash or a colon. A host must not
// hand the library a reference it would read as another instance.
ZUBPROV_API bool LibraryReadsBack(const CWbemObjectPath& path);
