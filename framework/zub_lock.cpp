// zub_lock.cpp: the process-wide lock's single instance.
#include "framework/zub_lock.h"

#include <new>

CS_Block* GetGlobalLock() {
  // Never destroyed: list operations may run during process teardown.
  static CS_Block* const lock = new (std::nothrow) CS_Block();
  return lock;
}
