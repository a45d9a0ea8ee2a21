// class_base.cpp: the bookkeeping of list builds.
#include "framework/class_base.h"

#include <map>

namespace {
// The innermost list build running on this thread.
thread_local CListBuildBase* t_innermost = nullptr;
// Counts the outermost builds begun on this thread; the one running is
// t_outermostSerial.
thread_local uint64_t t_outermostBuilds = 0;
thread_local uint64_t t_outermostSerial = 0;
}  // namespace

CListBuildBase::CListBuildBase(const void* list) : m_outer(t_innermost), m_listAddress(list) {
  t_innermost = this;
  if (!m_outer) t_outermostSerial = ++t_outermostBuilds;
}

uint64_t OutermostBuildSerial() { return t_innermost ? t_outermostSerial : 0; }

CListBuildBase::~CListBuildBase() {
  t_innermost = m_outer;
  if (!m_outer) return;
  // A gap that names no controller cannot be placed by the build around.
  if (!Complete() || m_unplaced) {
    m_outer->m_incomplete = true;
    return;
  }
  m_outer->m_innerGaps.insert(m_gapControllers.begin(), m_gapControllers.end());
  m_outer->m_innerGaps.insert(m_innerGaps.begin(), m_innerGaps.end());
}

bool CListBuildBase::InitializedWhenPublished(const void* list, std::atomic<bool>* initialized) {
  if (!t_innermost || t_innermost->m_listAddress != list) return false;
  t_innermost->m_initialized = initialized;
  return true;
}

uint64_t NextBuildTicket() {
  static std::atomic<uint64_t> tickets{0};
  return ++tickets;
}

uint64_t& NewestBuildOf(const void* list) {
  // Instance lists live as long as their class's singleton, so an entry
  // never outlives its list.
  static std::map<const void*, uint64_t> newest;
  return newest[list];
}
