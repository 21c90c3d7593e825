#include "meetings/meeting_watch.h"

#include <deque>
#include <memory>
#include <mutex>

#include "appfilter/app_filter.h"
#include "common/scoped.h"
#include "meetings/meeting_query.h"
#include "settings/settings.h"

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
  PlanContext context;
  PlanDone done;
};

// One thread takes every look and plan, each in turn, a look asked for first; it waits for the
// next one between them. Written by the window thread (asking) and the look thread (taking),
// under its lock.
struct Watch {
  ProcessLock lock;
  std::unique_ptr<Job> next;  // the look asked for, not yet taken up
  std::deque<PlanJob> plans;  // plans asked for, not yet taken up
  bool running = false;       // a look is asked for or under way
  std::optional<MeetingFinding> finished;
  UniqueKernelHandle wake;  // set when a look is asked for
  UniqueKernelHandle idle;  // set while no look is asked for or under way
  bool threadStarted = false;
};
Watch g_watch;

void TakeLook(Job& job) {
  try {
    LookAtCalendar(job.look);
  } catch (...) {
    // A look that failed finds no meeting; the next check tries again.
    job.look.finding.state.InMeeting = false;
  }
  {
    std::lock_guard<ProcessLock> lock(g_watch.lock);
    g_watch.finished = job.look.finding;
  }
  // The report is on its way before the look counts as over: whoever waits for the look to be
  // over finds the report in the window's queue.
  PostMessageW(job.window, job.message, 0, 0);
  {
    std::lock_guard<ProcessLock> lock(g_watch.lock);
    g_watch.running = false;
    SetEvent(g_watch.idle.get());
  }
}

void MakePlan(PlanJob& job) {
  MeetingPlan plan;
  try {
    plan = PlanMeetingDay(job.rules, job.day, job.now, job.context);
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
    WaitForSingleObject(g_watch.wake.get(), INFINITE);
    // One wake-up may stand for several requests: take them all before waiting again.
    for (;;) {
      std::unique_ptr<Job> job;
      std::optional<PlanJob> plan;
      {
        std::lock_guard<ProcessLock> lock(g_watch.lock);
        job = std::move(g_watch.next);
        if (!job && !g_watch.plans.empty()) {
          plan.emplace(std::move(g_watch.plans.front()));
          g_watch.plans.pop_front();
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
  if (g_watch.threadStarted) return true;
  if (!g_watch.idle) g_watch.idle.reset(CreateEventW(nullptr, TRUE, TRUE, nullptr));
  if (!g_watch.idle) return false;
  g_watch.wake.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (!g_watch.wake) return false;
  const UniqueKernelHandle thread(CreateThread(nullptr, 0, LookThread, nullptr, 0, nullptr));
  if (!thread) {
    g_watch.wake.reset();
    return false;
  }
  g_watch.threadStarted = true;
  return true;
}

}  // namespace

bool StartMeetingLook(HWND window, UINT message, MeetingLook look) {
  if (!LookThreadReady()) return false;
  {
    std::lock_guard<ProcessLock> lock(g_watch.lock);
    if (g_watch.running) return false;
    g_watch.running = true;
    ResetEvent(g_watch.idle.get());
  }
  auto job = std::make_unique<Job>(Job{std::move(look), window, message});
  {
    std::lock_guard<ProcessLock> lock(g_watch.lock);
    g_watch.next = std::move(job);
  }
  SetEvent(g_watch.wake.get());
  return true;
}

bool MeetingLookRunning() {
  std::lock_guard<ProcessLock> lock(g_watch.lock);
  return g_watch.running;
}

bool WaitForMeetingLook(DWORD milliseconds) {
  {
    std::lock_guard<ProcessLock> lock(g_watch.lock);
    if (!g_watch.running) return true;
  }
  return WaitForSingleObject(g_watch.idle.get(), milliseconds) == WAIT_OBJECT_0;
}

std::optional<MeetingFinding> TakeFinishedMeetingLook() {
  std::lock_guard<ProcessLock> lock(g_watch.lock);
  std::optional<MeetingFinding> finished;
  finished.swap(g_watch.finished);
  return finished;
}

bool StartMeetingPlan(const MeetingRules& rules, const SYSTEMTIME& day, ULONGLONG now,
                      const PlanContext& context, PlanDone done) {
  if (!LookThreadReady()) return false;
  {
    std::lock_guard<ProcessLock> lock(g_watch.lock);
    if (g_watch.plans.size() >= kMaxWaitingPlans) return false;
    g_watch.plans.push_back(PlanJob{rules, day, now, context, std::move(done)});
  }
  SetEvent(g_watch.wake.get());
  return true;
}

PlanContext CurrentPlanContext(bool windowHolds) {
  PlanContext context;
  context.extendToPowerOn = Settings.ExtendMuteDefault;
  if (FilterState.FilterHold) context.holdingApp = FilterState.HoldingApp;
  context.windowHolds = windowHolds;
  return context;
}
