// zub_string.h: CZubStringT, the owned wide text of every record.
//
// Texts compare by length first and then code unit by code unit; numbers in
// keys and identifiers are always unsigned decimal ("%llu"). The storage is a
// std::basic_string; the capacity rules below are the observable ones (a
// buffer grows only when asked for more room than it has).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

#include "zubprov/status.h"

template <class T>
class CZubStringT {
 public:
  CZubStringT() { Assign(EmptyText()); }
  CZubStringT(const T* text) { Assign(EmptyText()); Assign(text); }  // NOLINT: texts convert
  CZubStringT(const CZubStringT& other) { Assign(other.GetBuffer()); }
  CZubStringT& operator=(const CZubStringT& other) {
    if (this != &other) Assign(other.GetBuffer());
    return *this;
  }
  virtual ~CZubStringT() = default;

  // Copies at most maxChars characters of text, stopping at a terminator.
  // A null text leaves the string unchanged.
  void Assign(const T* text, size_t maxChars = SIZE_MAX) {
    if (!text) return;
    size_t n = 0;
    while (n < maxChars && text[n] != 0) ++n;
    if (n + 1 > Capacity()) Reserve(n + 1, false);
    m_text.assign(text, n);
  }

  void Append(const CZubStringT& other) {
    if (other.IsEmpty()) return;
    Reserve(GetLength() + other.GetLength() + 1, true);
    m_text.append(other.m_text);
  }
  void Append(const T* text) { Append(CZubStringT(text)); }

  void AppendNumber(uint64_t value) { Append(CZubStringT(Number(value).c_str())); }
  void FromNumber(uint64_t value) { Assign(Number(value).c_str()); }

  // Grows the buffer to exactly `capacity` characters (terminator included)
  // when that is more than it has; keeps the text only when asked to.
  void Reserve(size_t capacity, bool keep) {
    if (capacity <= Capacity()) return;
    if (!keep) m_text.clear();
    m_text.reserve(capacity - 1);
    m_capacity = capacity;
  }

  void Release() {
    m_text.clear();
    m_text.shrink_to_fit();
    m_capacity = 0;
  }

  // -1 when other is longer, 1 when shorter; for equal lengths the difference
  // of the first differing code units, or 0.
  int Compare(const CZubStringT& other) const {
    if (other.GetLength() > GetLength()) return -1;
    if (other.GetLength() < GetLength()) return 1;
    for (size_t i = 0; i < GetLength(); ++i) {
      if (m_text[i] != other.m_text[i])
        return static_cast<int>(m_text[i]) - static_cast<int>(other.m_text[i]);
    }
    return 0;
  }
  bool operator==(const CZubStringT& other) const { return Compare(other) == 0; }

  // Index of the first occurrence of pattern at or after start. Throws status
  // 4 for a null pattern, a start not below the length, or no occurrence.
  size_t Find(const T* pattern, size_t start) const {
    if (!pattern || start >= GetLength()) throw CZubException{PROVIDER_NOT_FOUND};
    size_t at = m_text.find(pattern, start);
    if (at == std::basic_string<T>::npos) throw CZubException{PROVIDER_NOT_FOUND};
    return at;
  }

  // Characters in [start, end). Empty when start >= end; throws status 11
  // when start is beyond the length.
  CZubStringT Mid(size_t start, size_t end) const {
    CZubStringT out;
    if (start >= end) return out;
    if (start > GetLength()) throw CZubException{PROVIDER_INVALID_PARAMETER};
    out.Assign(GetBuffer() + start, end - start);
    return out;
  }
  CZubStringT Left(size_t n) const { return Mid(0, n); }

  const T* GetBuffer() const { return m_text.c_str(); }
  size_t GetLength() const { return m_text.size(); }
  size_t Capacity() const { return m_capacity; }
  bool IsEmpty() const { return m_text.empty(); }
  const std::basic_string<T>& Str() const { return m_text; }

 private:
  static const T* EmptyText() {
    static const T empty[1] = {0};
    return empty;
  }
  // Unsigned decimal, as "%llu" writes it.
  static std::basic_string<T> Number(uint64_t value) {
    if constexpr (std::is_same_v<T, wchar_t>) return std::to_wstring(value);
    else return std::to_string(value);
  }

  std::basic_string<T> m_text;
  size_t m_capacity = 0;  // characters, terminator included
};

using CZubString = CZubStringT<wchar_t>;
