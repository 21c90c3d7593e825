#include "meetings/meeting_watch.h"

#include <memory>
#include <mutex>

#include "common/scoped.h"
#include "meetings/meeting_query.h"

namespace {

struct Job {
  MeetingLook look;
  HWND window = nullptr;
  UINT message = 0;
};

// One thread takes every look, each in turn; it waits for the next one between them.
ProcessLock g_lock;
std::unique_ptr<Job> g_next;  // the look asked for, not yet taken up
bool g_running = false;       // a look is asked for or under way
std::unique_ptr<MeetingLook> g_finished;
UniqueKernelHandle g_wake;  // set when a look is asked for
UniqueKernelHandle g_idle;  // set while no look is asked for or under way
bool g_threadStarted = false;

DWORD WINAPI LookThread(void*) {
  const ComApartment com(COINIT_MULTITHREADED);
  for (;;) {
    WaitForSingleObject(g_wake.get(), INFINITE);
    std::unique_ptr<Job> job;
    {
      std::lock_guard<ProcessLock> lock(g_lock);
      job = std::move(g_next);
    }
    if (!job) continue;
    try {
      LookAtCalendar(job->look);
    } catch (...) {
      // A look that failed finds nothing; the next check tries again.
      job->look.verdict = false;
    }
    {
      std::lock_guard<ProcessLock> lock(g_lock);
      g_finished = std::make_unique<MeetingLook>(std::move(job->look));
    }
    // The report is on its way before the look counts as over: whoever waits for the look to be
    // over finds the report in the window's queue.
    PostMessageW(job->window, job->message, 0, 0);
    {
      std::lock_guard<ProcessLock> lock(g_lock);
      g_running = false;
      SetEvent(g_idle.get());
    }
  }
}

// The look thread, started at the first look; false when it cannot be had.
bool LookThreadReady() {
  if (g_threadStarted) return true;
  if (!g_idle) g_idle.reset(CreateEventW(nullptr, TRUE, TRUE, nullptr));
  if (!g_idle) return false;
  g_wake.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (!g_wake) return false;
  const UniqueKernelHandle thread(CreateThread(nullptr, 0, LookThread, nullptr, 0, nullptr));
  if (!thread) {
    g_wake.reset();
    return false;
  }
  g_threadStarted = true;
  return true;
}

}  // namespace

bool StartMeetingLook(HWND window, UINT message) {
  if (!LookThreadReady()) return false;
  {
    std::lock_guard<ProcessLock> lock(g_lock);
    if (g_running) return false;
    g_running = true;
    ResetEvent(g_idle.get());
  }
  auto job = std::make_unique<Job>(Job{PrepareMeetingLook(), window, message});
  {
    std::lock_guard<ProcessLock> lock(g_lock);
    g_next = std::move(job);
  }
  SetEvent(g_wake.get());
  return true;
}

bool MeetingLookRunning() {
  std::lock_guard<ProcessLock> lock(g_lock);
  return g_running;
}

bool WaitForMeetingLook(DWORD milliseconds) {
  {
    std::lock_guard<ProcessLock> lock(g_lock);
    if (!g_running) return true;
  }
  return WaitForSingleObject(g_idle.get(), milliseconds) == WAIT_OBJECT_0;
}

std::optional<bool> TakeFinishedMeetingLook() {
  std::unique_ptr<MeetingLook> finished;
  {
    std::lock_guard<ProcessLock> lock(g_lock);
    finished = std::move(g_finished);
  }
  if (!finished || !TakeMeetingLook(*finished)) return std::nullopt;
  return finished->verdict;
}
