// What the audio thread does inside the built library's processing calls, watched from
// outside: no system call (a seccomp filter on the processing thread traps and counts
// every one but reading a clock), no lock (the C and C++ libraries' lock functions are
// counted on that thread) and no heap use (malloc and friends are counted there too).
// Linux x86_64, in the unsanitised build: the sanitizers make calls of their own.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <lv2/core/lv2.h>
#include <lv2/urid/urid.h>
#include <pthread.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <ucontext.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "plugin/vst2/vst2.h"
#include "tests/support/built_library.h"
#include "tests/support/playing_host.h"
#include "tools/host/plugin_module.h"

namespace {

thread_local bool watching = false;  // counting on this thread, now
std::atomic<int> systemCalls{0}, locks{0}, allocations{0};
std::atomic<long> lastSystemCall{-1};

template <class F>
F next(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

void noteLock() {
  if (watching) locks.fetch_add(1);
}
void noteAllocation() {
  if (watching) allocations.fetch_add(1);
}

}  // namespace

// Interposed for the whole process (the test links with --export-dynamic, so that the
// loaded library binds to these); each forwards to the C library's own.
extern "C" {
int pthread_mutex_lock(pthread_mutex_t* m) {
  noteLock();
  static auto real = next<int (*)(pthread_mutex_t*)>("pthread_mutex_lock");
  return real(m);
}
int pthread_mutex_trylock(pthread_mutex_t* m) {
  noteLock();
  static auto real = next<int (*)(pthread_mutex_t*)>("pthread_mutex_trylock");
  return real(m);
}
int pthread_rwlock_rdlock(pthread_rwlock_t* l) {
  noteLock();
  static auto real = next<int (*)(pthread_rwlock_t*)>("pthread_rwlock_rdlock");
  return real(l);
}
int pthread_rwlock_wrlock(pthread_rwlock_t* l) {
  noteLock();
  static auto real = next<int (*)(pthread_rwlock_t*)>("pthread_rwlock_wrlock");
  return real(l);
}
int pthread_spin_lock(pthread_spinlock_t* l) {
  noteLock();
  static auto real = next<int (*)(pthread_spinlock_t*)>("pthread_spin_lock");
  return real(l);
}
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* malloc(std::size_t n) {
  noteAllocation();
  return __libc_malloc(n);
}
void* calloc(std::size_t n, std::size_t size) {
  noteAllocation();
  return __libc_calloc(n, size);
}
void* realloc(void* p, std::size_t n) {
  noteAllocation();
  return __libc_realloc(p, n);
}
}  // extern "C"

namespace {

// A trapped system call is not made; it answers -ENOSYS.
void onTrappedCall(int, siginfo_t* info, void* context) {
  if (watching) {
    systemCalls.fetch_add(1);
    lastSystemCall = info->si_syscall;
  }
  static_cast<ucontext_t*>(context)->uc_mcontext.gregs[REG_RAX] = -ENOSYS;
}

// From now on this thread may only read clocks (and return from signals and exit).
bool trapSystemCalls() {
  sock_filter filter[] = {
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_clock_gettime, 6, 0),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_gettimeofday, 5, 0),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_time, 4, 0),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_rt_sigreturn, 3, 0),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_exit, 2, 0),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_exit_group, 1, 0),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_TRAP),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
  };
  sock_fprog program{static_cast<unsigned short>(sizeof filter / sizeof filter[0]), filter};
  return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
         syscall(__NR_seccomp, SECCOMP_SET_MODE_FILTER, 0, &program) == 0;
}

TEST(AudioPath, ProcessingMakesNoSystemCallTakesNoLockAndAllocatesNothing) {
#if !defined(__x86_64__)
  GTEST_SKIP() << "the system call filter is written for x86_64";
#endif
  const PluginModule library(brimtrace_test::builtLibraryPath());
  ASSERT_TRUE(library.loaded()) << library.error();
  ASSERT_NE(library.entry(), nullptr);
  AEffect* e = brimtrace_test::startInstance(library.entry());
  ASSERT_NE(e, nullptr);

  struct sigaction action {};
  action.sa_sigaction = onTrappedCall;
  action.sa_flags = SA_SIGINFO;
  ASSERT_EQ(sigaction(SIGSYS, &action, nullptr), 0);

  bool filtered = false;
  int blocks = 0;
  std::thread audio([&] {
    std::vector<float> f0(512), f1(512);
    std::vector<double> d0(512), d1(512);
    for (int i = 0; i < 512; ++i) f1[i] = -(f0[i] = static_cast<float>((i % 50) / 50.0 - 0.5));
    float* fio[] = {f0.data(), f1.data()};
    double* dio[] = {d0.data(), d1.data()};
    // The first blocks may settle what is read once (the channel count).
    e->processReplacing(e, fio, fio, 512);
    e->processDoubleReplacing(e, dio, dio, 512);
    filtered = trapSystemCalls();
    if (!filtered) return;
    watching = true;
    for (int b = 0; b < 2000; ++b, ++blocks) {
      e->processReplacing(e, fio, fio, 512);
      e->processDoubleReplacing(e, dio, dio, b % 512);
    }
    watching = false;
  });
  audio.join();
  if (!filtered) GTEST_SKIP() << "no seccomp filter can be installed here";

  EXPECT_EQ(blocks, 2000);
  EXPECT_EQ(systemCalls.load(), 0) << "the last one: number " << lastSystemCall.load();
  EXPECT_EQ(locks.load(), 0);
  EXPECT_EQ(allocations.load(), 0);

  // The counters see what they are meant to see (on this thread, watched).
  std::thread probe([] {
    ASSERT_TRUE(trapSystemCalls());
    watching = true;
    pthread_mutex_t m = PTHREAD_MUTEX_INITIALIZER;
    pthread_mutex_lock(&m);
    pthread_mutex_unlock(&m);
    void* volatile p = malloc(16);
    free(p);
    syscall(__NR_getpid);
    watching = false;
  });
  probe.join();
  EXPECT_EQ(systemCalls.load(), 1);
  EXPECT_EQ(locks.load(), 1);
  EXPECT_EQ(allocations.load(), 1);
  // ... and what the library does: a state save takes the dispatcher's section lock.
  std::thread save([&] {
    watching = true;
    void* chunk = nullptr;
    e->dispatcher(e, effGetChunk, 0, 0, &chunk, 0);
    watching = false;
  });
  save.join();
  EXPECT_GT(locks.load(), 1) << "the library's lock calls are not seen";

  e->dispatcher(e, effClose, 0, 0, nullptr, 0);
}

// The LV2 plug-in's run(), the same way: in place, odd lengths, 0 and 1 frame included.
TEST(AudioPath, Lv2RunMakesNoSystemCallTakesNoLockAndAllocatesNothing) {
#if !defined(__x86_64__)
  GTEST_SKIP() << "the system call filter is written for x86_64";
#endif
  void* library = dlopen(BRIMTRACE_LV2_PATH, RTLD_NOW);
  ASSERT_NE(library, nullptr) << dlerror();
  auto entry = reinterpret_cast<const LV2_Descriptor* (*)(uint32_t)>(dlsym(library, "lv2_descriptor"));
  ASSERT_NE(entry, nullptr);
  const LV2_Descriptor* descriptor = entry(0);
  ASSERT_NE(descriptor, nullptr);
  static std::vector<std::string> uris;
  LV2_URID_Map map{nullptr, [](LV2_URID_Map_Handle, const char* uri) -> LV2_URID {
                     uris.emplace_back(uri);
                     return static_cast<LV2_URID>(uris.size());
                   }};
  const LV2_Feature mapFeature{LV2_URID__map, &map};
  const LV2_Feature* features[] = {&mapFeature, nullptr};
  LV2_Handle instance = descriptor->instantiate(descriptor, 48000, "", features);
  ASSERT_NE(instance, nullptr);
  descriptor->activate(instance);

  struct sigaction action {};
  action.sa_sigaction = onTrappedCall;
  action.sa_flags = SA_SIGINFO;
  ASSERT_EQ(sigaction(SIGSYS, &action, nullptr), 0);
  systemCalls = 0, locks = 0, allocations = 0;

  bool filtered = false;
  int blocks = 0;
  std::thread audio([&] {
    std::vector<float> left(512), right(512);
    for (int i = 0; i < 512; ++i) right[i] = -(left[i] = static_cast<float>((i % 50) / 50.0 - 0.5));
    descriptor->connect_port(instance, 0, left.data());
    descriptor->connect_port(instance, 1, right.data());
    descriptor->connect_port(instance, 2, left.data());
    descriptor->connect_port(instance, 3, right.data());
    descriptor->run(instance, 512);
    filtered = trapSystemCalls();
    if (!filtered) return;
    watching = true;
    for (int b = 0; b < 2000; ++b, ++blocks) descriptor->run(instance, static_cast<uint32_t>(b % 513));
    watching = false;
  });
  audio.join();
  if (!filtered) GTEST_SKIP() << "no seccomp filter can be installed here";

  EXPECT_EQ(blocks, 2000);
  EXPECT_EQ(systemCalls.load(), 0) << "the last one: number " << lastSystemCall.load();
  EXPECT_EQ(locks.load(), 0);
  EXPECT_EQ(allocations.load(), 0);
  descriptor->deactivate(instance);
  descriptor->cleanup(instance);
  systemCalls = 0, locks = 0, allocations = 0;
}

}  // namespace
