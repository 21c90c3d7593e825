#include "meetings/meeting_watch.h"

#include <deque>
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

struct PlanJob {
  MeetingRules rules;
  SYSTEMTIME day{};
  ULONGLONG now = 0;
  PlanDone done;
};

// One thread takes every look and plan, each in turn, a look asked for first; it waits for the
// next one between them.
ProcessLock g_lock;
std::unique_ptr<Job> g_next;  // the look asked for, not yet taken up
std::deque<PlanJob> g_plans;  // plans asked for, not yet taken up
bool g_running = false;       // a look is asked for or under way
std::unique_ptr<MeetingLook> g_finished;
UniqueKernelHandle g_wake;  // set when a look is asked for
UniqueKernelHandle g_idle;  // set while no look is asked for or under way
bool g_threadStarted = false;

void TakeLook(Job& job) {
  try {
    LookAtCalendar(job.look);
  } catch (...) {
    // A look that failed finds nothing; the next check tries again.
    job.look.verdict = false;
  }
  {
    std::lock_guard<ProcessLock> lock(g_lock);
    g_finished = std::make_unique<MeetingLook>(std::move(job.look));
  }
  // The report is on its way before the look counts as over: whoever waits for the look to be
  // over finds the report in the window's queue.
  PostMessageW(job.window, job.message, 0, 0);
  {
    std::lock_guard<ProcessLock> lock(g_lock);
    g_running = false;
    SetEvent(g_idle.get());
  }
}

void MakePlan(PlanJob& job) {
  MeetingPlan plan;
  try {
    plan = PlanMeetingDay(job.rules, job.day, job.now);
  } catch (...) {
    plan = MeetingPlan{};
    plan.error = L"The plan could not be made.";
  }
  try {
    job.done(std::move(plan));
  } catch (...) {
    // Whoever asked goes without; the thread goes on.
  }
}

DWORD WINAPI LookThread(void*) {
  const ComApartment com(COINIT_MULTITHREADED);
  for (;;) {
    WaitForSingleObject(g_wake.get(), INFINITE);
    // One wake-up may stand for several requests: take them all before waiting again.
    for (;;) {
      std::unique_ptr<Job> job;
      std::optional<PlanJob> plan;
      {
        std::lock_guard<ProcessLock> lock(g_lock);
        job = std::move(g_next);
        if (!job && !g_plans.empty()) {
          plan.emplace(std::move(g_plans.front()));
          g_plans.pop_front();
        }
      }
      if (job) {
        TakeLook(*job);
      } else if (plan) {
        MakePlan(*plan);
      } else {
        break;
      }
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

bool StartMeetingPlan(const MeetingRules& rules, const SYSTEMTIME& day, ULONGLONG now,
                      PlanDone done) {
  if (!LookThreadReady()) return false;
  {
    std::lock_guard<ProcessLock> lock(g_lock);
    if (g_plans.size() >= kMaxWaitingPlans) return false;
    g_plans.push_back(PlanJob{rules, day, now, std::move(done)});
  }
  SetEvent(g_wake.get());
  return true;
}
