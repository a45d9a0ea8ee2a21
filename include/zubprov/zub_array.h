// zub_array.h: CArrayT, the array of every instance list, middleware record
// list and value list, and of the records a host receives; CAllocPtrT, an
// owned handle buffer. (The library's shared lists, which lock themselves,
// are CSafeArrayT of framework/safe_array.h.)
//
// An array keeps a cursor: GetCurrent reads the element at it, MoveNext
// advances it and wraps to 0 at the end, so a loop "read, MoveNext until it
// returns false" visits every element once and leaves the cursor at 0.
// Elements keep their insertion order; copies are deep.
#pragma once

#include <cstddef>
#include <new>
#include <vector>


template <class T>
class CArrayT {
 public:
  CArrayT() = default;
  CArrayT(const CArrayT& other) : m_items(other.m_items) {}
  // Copies the elements; the cursor ends at 0. Self-assignment does nothing.
  CArrayT& operator=(const CArrayT& other) {
    if (this == &other) return *this;
    m_items = other.m_items;
    m_cursor = 0;
    return *this;
  }
  virtual ~CArrayT() = default;

  void Add(const T& item) { m_items.push_back(item); }

  // Adds all of other's elements after the existing ones; the cursor ends at 0.
  void Append(const CArrayT& other) {
    if (this == &other) {
      std::vector<T> copy(other.m_items);
      m_items.insert(m_items.end(), copy.begin(), copy.end());
    } else {
      m_items.insert(m_items.end(), other.m_items.begin(), other.m_items.end());
    }
    m_cursor = 0;
  }

  // Drops the first element; returns whether elements remain.
  bool RemoveFirst() {
    if (m_items.size() <= 1) {
      RemoveAll();
      return false;
    }
    m_items.erase(m_items.begin());
    if (m_cursor >= m_items.size()) m_cursor = 0;
    return true;
  }

  // Drops element i (nothing when there is none); the cursor goes to 0.
  void RemoveAt(size_t i) {
    if (i < m_items.size()) m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(i));
    m_cursor = 0;
  }

  void RemoveAll() {
    m_items.clear();
    m_items.shrink_to_fit();
    m_cursor = 0;
  }

  size_t GetCount() const { return m_items.size(); }
  size_t GetCursor() const { return m_cursor; }
  T* GetCurrent() { return m_cursor < m_items.size() ? &m_items[m_cursor] : nullptr; }
  const T* GetCurrent() const { return m_cursor < m_items.size() ? &m_items[m_cursor] : nullptr; }
  bool MoveNext() {
    ++m_cursor;
    if (m_items.empty() || m_cursor >= m_items.size()) {
      m_cursor = 0;
      return false;
    }
    return true;
  }
  void ResetCursor() { m_cursor = 0; }
  void SetCurrentOrAdd(const T& item) {
    if (m_items.empty()) {
      Add(item);
    } else if (m_cursor < m_items.size()) {
      m_items[m_cursor] = item;
    }
  }

  // Index access and range-for, for readers that do not use the cursor.
  T& operator[](size_t i) { return m_items[i]; }
  const T& operator[](size_t i) const { return m_items[i]; }
  typename std::vector<T>::iterator begin() { return m_items.begin(); }
  typename std::vector<T>::iterator end() { return m_items.end(); }
  typename std::vector<T>::const_iterator begin() const { return m_items.begin(); }
  typename std::vector<T>::const_iterator end() const { return m_items.end(); }

 private:
  std::vector<T> m_items;
  size_t m_cursor = 0;
};

// Owns an array of count elements made with array new.
template <class T>
class CAllocPtrT {
 public:
  // Get() is null when the allocation failed.
  explicit CAllocPtrT(size_t count) : m_ptr(new (std::nothrow) T[count]()), m_count(m_ptr ? count : 0) {}
  CAllocPtrT(const CAllocPtrT&) = delete;
  CAllocPtrT& operator=(const CAllocPtrT&) = delete;
  virtual ~CAllocPtrT() {
    delete[] m_ptr;
    m_ptr = nullptr;
    m_count = 0;
  }

  T* Get() const { return m_ptr; }
  size_t GetCount() const { return m_count; }
  T& operator[](size_t i) const { return m_ptr[i]; }

 private:
  T* m_ptr;
  size_t m_count;
};
