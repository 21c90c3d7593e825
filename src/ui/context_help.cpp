#include "ui/context_help.h"

#include <initializer_list>
#include <span>

#include "platform/handheld.h"
#include "resources/resource.h"
#include "ui/page_messages.h"

namespace {

constexpr const wchar_t* kAnchors[kPageCount] = {L"mute_tab",  L"settings_tab", L"meetings_tab",
                                                 L"apps_tab",  L"sound_tab",    L"about_tab"};

struct Topic {
  int page;
  std::initializer_list<int> controls;
  const wchar_t* suffix;
};

// The same id names different controls on different pages.
const Topic kTopics[] = {
    {kMutePage, {IDC_MUTE_POWER_ON}, L"_mute_power_on"},
    {kMutePage, {IDC_MUTE_FOR, IDC_MUTE_MINUTES, IDC_MUTE_MINUTES_LABEL}, L"_mute_minutes"},
    {kMutePage, {IDC_MUTE_UNTIL, IDC_MUTE_UNTIL_TIME}, L"_mute_time"},
    {kMutePage, {IDC_MUTE_RESTORE}, L"_restore_volume"},
    {kMutePage, {IDC_MUTE_MEETING, IDC_MUTE_MEETING_TEXT}, L"_mute_meeting"},
    {kMutePage, {IDC_MUTE_EXTEND}, L"_extend_mute"},
    {kMutePage, {IDC_MUTE_CONTINUE, IDC_MUTE_CONTINUE_TEXT}, L"_continue_mute"},
    {kSettingsPage, {IDC_SET_RUN_AT_STARTUP}, L"_run_startup"},
    {kSettingsPage, {IDC_SET_START_MENU}, L"_run_start_menu"},
    {kSettingsPage, {IDC_SET_PROGRAMS}, L"_run_programs_folder"},
    {kSettingsPage, {IDC_SET_EXTEND_DEFAULT}, L"_extend_mute_default"},
    {kSettingsPage, {IDC_SET_CHECK_INTERVAL, IDC_SET_CHECK_INTERVAL_LABEL}, L"_volume_check"},
    {kSettingsPage, {IDC_SET_USER_MUTE, IDC_SET_USER_MUTE_LABEL}, L"_user_mute"},
    {kSettingsPage, {IDC_SET_DEFAULT_OPTION, IDC_SET_DEFAULT_OPTION_LABEL}, L"_default_option"},
    {kSettingsPage, {IDC_SET_USER_UNMUTE, IDC_SET_USER_UNMUTE_LABEL}, L"_user_unmute"},
    {kSettingsPage, {IDC_SET_VIBRATE}, L"_vibrate"},
    {kSettingsPage, {IDC_SET_LOCATE, IDC_SET_TBICON_GROUP}, L"_locate_tbicon"},
    {kSettingsPage, {IDC_SET_TEST}, L"_test_tbicon"},
    {kMeetingsPage, {IDC_MEET_LINK}, L"_enable_pocket_outlook"},
    {kMeetingsPage, {IDC_MEET_ALL_DAY}, L"_all_day"},
    {kMeetingsPage, {IDC_MEET_EXCLUDE_FREE}, L"_exclude_free_time"},
    {kMeetingsPage, {IDC_MEET_INTERVAL, IDC_MEET_INTERVAL_LABEL}, L"_check_meetings"},
    {kMeetingsPage, {IDC_MEET_CATEGORIES, IDC_MEET_COUNT}, L"_categories"},
    {kMeetingsPage, {IDC_MEET_CLEAR}, L"_clear_button"},
    {kMeetingsPage, {IDC_MEET_TODAY}, L"_today_button"},
    {kMeetingsPage, {IDC_MEET_RULES}, L"_rules_button"},
    {kAppsPage, {IDC_APPS_CLEAR}, L"_clear_button"},
    {kAppsPage, {IDC_APPS_ENABLE}, L"_enable_app_filtering"},
    {kAppsPage,
     {IDC_APPS_LIST_LABEL, IDC_APPS_LIST, IDC_APPS_COUNT, IDC_APPS_EXPLANATION},
     L"_select_applications"},
    {kAppsPage, {IDC_APPS_REFRESH}, L"_refresh_button"},
    {kSoundPage, {IDC_SOUND_WARN_ONLY}, L"_warn_events"},
    {kSoundPage,
     {IDC_SOUND_VOLUME, IDC_SOUND_SOFT_LABEL, IDC_SOUND_LOUD_LABEL, IDC_SOUND_VOLUME_LABEL},
     L"_volume"},
    {kSoundPage, {IDC_SOUND_ENABLE}, L"_enable_sp"},
    {kSoundPage, {IDC_SOUND_PROTECT}, L"_protect_settings"},
    {kSoundPage,
     {IDC_SOUND_EVENTS, IDC_SOUND_PROGRAMS, IDC_SOUND_NOTIFICATIONS, IDC_SOUND_SCREEN,
      IDC_SOUND_KEYS, IDC_SOUND_SCREEN_SOFT, IDC_SOUND_SCREEN_HARD, IDC_SOUND_KEYS_SOFT,
      IDC_SOUND_KEYS_HARD},
     L"_settings"},
    {kSoundPage, {IDC_SOUND_STATUS}, L"_status"},
    {kAboutPage, {IDC_ABOUT_HISTORY, IDC_ABOUT_HISTORY_LABEL}, L"_history"},
};

// The full-screen views over the settings window: their controls' topics, after the view's own.
struct ViewTopic {
  std::initializer_list<int> controls;
  const wchar_t* suffix;
};

const ViewTopic kTodayTopics[] = {
    {{IDC_TODAY_PREV}, L"_day_before"},
    {{IDC_TODAY_NEXT}, L"_day_after"},
};

const ViewTopic kRulesTopics[] = {
    {{IDC_RULES_EARLY}, L"_begin_early"},
    {{IDC_RULES_LATE}, L"_end_late"},
    {{IDC_RULES_SKIP}, L"_skip_words"},
    {{IDC_RULES_ALWAYS}, L"_always_words"},
    {{IDC_RULES_QUIET_FROM, IDC_RULES_QUIET_TO}, L"_quiet_hours"},
    {{IDC_RULES_SUNDAY, IDC_RULES_MONDAY, IDC_RULES_TUESDAY, IDC_RULES_WEDNESDAY,
      IDC_RULES_THURSDAY, IDC_RULES_FRIDAY, IDC_RULES_SATURDAY},
     L"_quiet_days"},
};

}  // namespace

constexpr wchar_t kHelpFile[] = L"file:QuietMinder.htm#";

namespace {

std::wstring ViewHelpAddress(const wchar_t* anchor, std::span<const ViewTopic> topics,
                             int controlId) {
  const std::wstring address = std::wstring(kHelpFile) + anchor;
  for (const ViewTopic& topic : topics) {
    for (int id : topic.controls) {
      if (id == controlId) return address + topic.suffix;
    }
  }
  return address;
}

}  // namespace

std::wstring HelpAddress(int page, int controlId) {
  std::wstring address = kHelpFile;
  if (page < 0 || page >= kPageCount) return address + L"Main_Contents";
  address += kAnchors[page];
  for (const Topic& topic : kTopics) {
    if (topic.page != page) continue;
    for (int id : topic.controls) {
      if (id == controlId) return address + topic.suffix;
    }
  }
  return address;
}

std::wstring TodayViewHelpAddress(int controlId) {
  return ViewHelpAddress(L"today_view", kTodayTopics, controlId);
}

std::wstring RulesViewHelpAddress(int controlId) {
  return ViewHelpAddress(L"rules_view", kRulesTopics, controlId);
}

void ShowHelp(const std::wstring& address) { LaunchProgram(L"peghelp.exe", address.c_str()); }
