// The few thread services the C++ runtime asks of its threads library, on the system's own
// primitives. The runtime takes a lock around its reserve of memory for exceptions and keeps each
// thread's exception state in thread-local storage; for those seven calls the threads library
// would bring all of itself along (its threads, conditions and read-write locks: a tenth of the
// image). Defined here, in the program's entry point only, they replace the library's; the test
// programs keep the library. The program starts its own threads with the system's calls.
#include <windows.h>

#include <cstdint>

namespace {

// A lock lives in the runtime's mutex word itself, as a slim reader-writer lock, which is one
// pointer wide and unlocked at zero. The runtime's static initialisers (-1, and -2 and -3 for its
// recursive and checking kinds, which the runtime does not use here) mean "not used yet".
SRWLOCK* LockIn(intptr_t* mutex) {
  const intptr_t seen = *mutex;
  if (seen < 0) {
    InterlockedCompareExchangePointer(reinterpret_cast<PVOID*>(mutex), nullptr,
                                      reinterpret_cast<PVOID>(seen));
  }
  return reinterpret_cast<SRWLOCK*>(mutex);
}

}  // namespace

extern "C" {

int pthread_mutex_init(intptr_t* mutex, const unsigned*) {
  *mutex = 0;
  return 0;
}
int pthread_mutex_destroy(intptr_t*) { return 0; }
int pthread_mutex_lock(intptr_t* mutex) {
  AcquireSRWLockExclusive(LockIn(mutex));
  return 0;
}
int pthread_mutex_unlock(intptr_t* mutex) {
  ReleaseSRWLockExclusive(LockIn(mutex));
  return 0;
}

// 0: not run yet; 1: running on some thread; 2: run.
int pthread_once(long* once, void (*run)()) {
  if (InterlockedCompareExchange(once, 1, 0) == 0) {
    run();
    InterlockedExchange(once, 2);
    return 0;
  }
  while (InterlockedCompareExchange(once, 2, 2) != 2) SwitchToThread();
  return 0;
}

// Thread-local slots. A slot's clean-up at a thread's end is not run: the program's threads last
// as long as the program.
int pthread_key_create(unsigned* key, void (*)(void*)) {
  const DWORD slot = TlsAlloc();
  if (slot == TLS_OUT_OF_INDEXES) return 11;  // EAGAIN
  *key = slot;
  return 0;
}
int pthread_key_delete(unsigned key) { return TlsFree(key) ? 0 : 22; }  // EINVAL
void* pthread_getspecific(unsigned key) { return TlsGetValue(key); }
int pthread_setspecific(unsigned key, const void* value) {
  return TlsSetValue(key, const_cast<void*>(value)) ? 0 : 22;
}

}  // extern "C"
