// A day of several appointments on the emulated handheld: the running program's plan of it, as
// the device tool prints it, and then the day lived on the device's clock, the device silent
// exactly where the plan says.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "common/scoped.h"
#include "device/device_state.h"
#include "device/local_time.h"
#include "e2e/device_session.h"
#include "platform/sound_keys.h"

namespace {

using namespace e2e;

constexpr wchar_t kSettings[] = L"Software\\Fernhollow\\QuietMinder";

bool Silenced() {
  return ReadDeviceWaveVolume() == 0 && UserDword(kShellOverridesKeyPath, L"Mode") == 2;
}

// Minutes since the device's local midnight.
int DeviceMinute() {
  const SYSTEMTIME st = DeviceLocalTime(DeviceNowUtc());
  return st.wHour * 60 + st.wMinute;
}

int Minute(const std::string& hhmm) {
  return std::stoi(hhmm.substr(0, 2)) * 60 + std::stoi(hhmm.substr(3, 2));
}

void ImportDay(const std::string& events) {
  wchar_t dir[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, dir);
  const std::wstring path = std::wstring(dir) + L"plan-day.ics";
  std::ofstream(path.c_str(), std::ios::binary)
      << "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n" << events << "END:VCALENDAR\r\n";
  ASSERT_EQ(0, Tool(L"calendar import \"" + path + L"\""));
  DeleteFileW(path.c_str());
}

std::string Event(const char* from, const char* to, const char* subject, const char* extra,
                  const char* toDay = "20261207") {
  return std::string("BEGIN:VEVENT\r\nDTSTART:20261207T") + from + "00\r\nDTEND:" + toDay + "T" +
         to + "00\r\nSUMMARY:" + subject + "\r\n" + extra + "END:VEVENT\r\n";
}

void PutSetting(const wchar_t* name, const wchar_t* text) {
  RegKey key;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, kSettings, 0, nullptr, 0,
                                           KEY_SET_VALUE, nullptr, key.put(), nullptr));
  RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                 static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
}

// Lives the stretches between `edges` (minutes of the device's day, after 09:50 if at all) at a
// minute a second: the device is as `plannedSilent` says before each stretch is over.
void LiveTheDay(std::vector<int> edges, const std::function<bool(int)>& plannedSilent) {
  std::sort(edges.begin(), edges.end());
  ASSERT_EQ(0, Tool(L"clock rate 60"));
  for (size_t i = 0; i + 1 < edges.size(); ++i) {
    const int from = edges[i], to = edges[i + 1];
    if (to <= from) continue;
    const bool wanted = plannedSilent(from);
    SCOPED_TRACE(std::to_string(from / 60) + ":" + std::to_string(from % 60) +
                 (wanted ? " silent" : " sound"));
    ASSERT_TRUE(WaitUntil([&] { return (DeviceMinute() - from + 1440) % 1440 < 720 &&
                                       DeviceMinute() != from; }, 120000));
    bool asPlanned = false;
    WaitUntil([&] { return (asPlanned = Silenced() == wanted) || DeviceMinute() == to % 1440; },
              120000);
    EXPECT_TRUE(asPlanned) << "not as planned before the stretch was over";
  }
}

class PlanOnTheDevice : public ::testing::Test {
 protected:
  void SetUp() override { ResetDevice(DeviceKind::PocketPc2003Phone); }
  void TearDown() override { ResetDevice(DeviceKind::PocketPc2003Phone); }
};

TEST_F(PlanOnTheDevice, ADayIsPlannedAndThenLivedAsPlanned) {
  PutUserDword(kSettings, L"EnablePOLink", 1);
  PutUserDword(kSettings, L"POExcludeFreeTime", 1);
  RegKey key;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, kSettings, 0, nullptr, 0,
                                           KEY_SET_VALUE, nullptr, key.put(), nullptr));
  RegSetValueExW(key.get(), L"POCategory", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"Work"),
                 5 * sizeof(wchar_t));
  ASSERT_EQ(0, Tool(L"clock set 2026-12-07T09:50"));
  ImportDay(Event("1000", "1010", "Standup", "CATEGORIES:Work\r\n") +
            Event("1005", "1020", "Planning", "CATEGORIES:Work\r\n") +
            Event("1025", "1035", "Lunch", "CATEGORIES:Work\r\nTRANSP:TRANSPARENT\r\n") +
            Event("1040", "1050", "Call", "CATEGORIES:Personal\r\n") +
            Event("1050", "1100", "Retro", "CATEGORIES:Work\r\n"));
  Program program(L"STARTUP");
  ASSERT_NE(nullptr, WaitForMainWindow());

  const std::vector<std::string> plan = ToolLines(L"plan");
  const std::vector<std::string> expected = {
      "10:00-10:10 silences Standup [Work] until 10:20",
      "10:05-10:20 silences Planning [Work] the device is already silent then",
      "10:25-10:35 sounds Lunch [Work] it is free time, and free time is excluded",
      "10:40-10:50 sounds Call [Personal] its category is not chosen (only Work count)",
      "10:50-11:00 silences Retro [Work] until 11:00"};
  ASSERT_EQ(expected, plan);
  EXPECT_EQ(std::vector<std::string>{}, ToolLines(L"plan 2026-12-08"));

  // The plan's silences, from each start to the end it names; between and around them, sound.
  std::vector<std::pair<int, int>> silent;
  for (const std::string& line : plan) {
    const size_t until = line.find(" until ");
    if (line.find(" silences ") != std::string::npos && until != std::string::npos) {
      silent.emplace_back(Minute(line.substr(0, 5)), Minute(line.substr(until + 7, 5)));
    }
  }
  std::vector<int> edges = {9 * 60 + 50, 11 * 60 + 10};
  for (const auto& [from, to] : silent) edges.insert(edges.end(), {from, to});
  std::sort(edges.begin(), edges.end());
  const auto plannedSilent = [&](int minute) {
    for (const auto& [from, to] : silent) {
      if (minute >= from && minute < to) return true;
    }
    return false;
  };

  // Each stretch between two edges, lived at a minute a second: the device is as planned before
  // the stretch is over (a tick after its first minute).
  LiveTheDay(edges, plannedSilent);
}

// A late evening that uses every rule: minutes before and after, a skip word, an always word,
// meetings back to back and overlapping over midnight, and quiet hours that begin inside them.
// The plan says so, and the device lives it: silent from the first silence to the last end
// with no sound between, one line for the silence in the journal, and its end.
TEST_F(PlanOnTheDevice, AnEveningOfEveryRuleIsLivedAsPlanned) {
  for (const auto& [name, value] :
       {std::pair{L"EnablePOLink", 1u}, {L"POStartEarly", 2u}, {L"POEndLate", 1u},
        {L"QuietDays", 1u << 1}, {L"QuietFrom", 23u * 60 + 58}, {L"QuietTo", 8u}}) {
    PutUserDword(kSettings, name, value);
  }
  PutSetting(L"POCategory", L"Work");
  PutSetting(L"POSkipWords", L"lunch");
  PutSetting(L"POAlwaysWords", L"interview");
  ASSERT_EQ(0, Tool(L"clock set 2026-12-07T23:30"));
  ImportDay(Event("2340", "2345", "Planning", "CATEGORIES:Work\r\n") +
            Event("2346", "2350", "Team lunch", "CATEGORIES:Work\r\n") +
            Event("2352", "2356", "Interview", "") +
            Event("2356", "0003", "Review", "CATEGORIES:Work\r\n", "20261208") +
            "BEGIN:VEVENT\r\nDTSTART:20261208T000000\r\nDTEND:20261208T000600\r\n"
            "SUMMARY:Sync\r\nCATEGORIES:Work\r\nEND:VEVENT\r\n");
  Program program(L"STARTUP");
  ASSERT_NE(nullptr, WaitForMainWindow());
  EXPECT_EQ((std::vector<std::string>{
                "23:40-23:45 silences Planning [Work] from 23:38 until 23:46",
                "23:46-23:50 sounds Team lunch [Work] it holds \"lunch\", a word that never "
                "silences the device",
                "23:52-23:56 silences Interview [] from 23:50 until 2026-12-08 00:08 (the word "
                "\"interview\" counts it)",
                "23:56-00:03 silences Review [Work] the device is already silent then",
                "23:58-00:08 silences Quiet hours [] the device is already silent then"}),
            ToolLines(L"plan"));
  const auto silent = [](int m) { return (m >= 23 * 60 + 38 && m < 23 * 60 + 46) || m >= 23 * 60 + 50 || m < 8; };
  LiveTheDay({23 * 60 + 36, 23 * 60 + 38, 23 * 60 + 46, 23 * 60 + 50, 24 * 60 + 8, 24 * 60 + 12},
             [&](int m) { return silent(m % 1440); });
  // From the first silence to the last end: one line for each silence and for each end.
  std::vector<std::string> kinds;
  for (const std::string& line : ToolLines(L"journal")) {
    if (line.find("silenced") != std::string::npos || line.find("sound-back") != std::string::npos ||
        line.find("carried-on") != std::string::npos) {
      kinds.push_back(line.substr(21, line.find(' ', 21) - 21));
    }
  }
  EXPECT_EQ((std::vector<std::string>{"silenced", "sound-back", "silenced", "carried-on",
                                      "sound-back"}),
            kinds);
}

}  // namespace
