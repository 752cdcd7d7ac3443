// Mutex_Puerto on Windows: a named kernel mutex, shared by every process that
// opens the same name and re-entrant for its owning thread by nature.
#include <windows.h>

#include "link/mutex_puerto.h"

namespace r27 {

struct Mutex_Puerto::Impl {
  HANDLE mutex = nullptr;
};

Mutex_Puerto::Mutex_Puerto(const std::string& nombre) : impl_(std::make_unique<Impl>()) {
  impl_->mutex = CreateMutexA(nullptr, FALSE, nombre.c_str());
}

Mutex_Puerto::~Mutex_Puerto() {
  if (impl_->mutex != nullptr) CloseHandle(impl_->mutex);
}

bool Mutex_Puerto::Existe() const { return impl_->mutex != nullptr; }

bool Mutex_Puerto::Compartido_en_memoria() const { return false; }

void Mutex_Puerto::Bloquear() {
  if (!Existe()) return;
  for (;;) {
    const DWORD r = WaitForSingleObject(impl_->mutex, INFINITE);
    // WAIT_ABANDONED also hands the mutex over (its last owner died holding it);
    // waiting again would take it twice and leave it held after one release.
    if (r == WAIT_OBJECT_0 || r == WAIT_ABANDONED) return;
    // A failed wait would fail forever; run unlocked as when the mutex is missing.
    if (r == WAIT_FAILED) return;
  }
}

bool Mutex_Puerto::Intentar_bloquear() {
  if (!Existe()) return false;
  const DWORD r = WaitForSingleObject(impl_->mutex, 0);
  return r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;
}

void Mutex_Puerto::Liberar() {
  if (Existe()) ReleaseMutex(impl_->mutex);
}

}  // namespace r27
