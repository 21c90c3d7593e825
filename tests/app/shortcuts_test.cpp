// The three shortcut files: their exact bytes, replacement, deletion and failures.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "settings/settings.h"
#include "settings/shortcuts.h"
#include "support/fake_device.h"
#include "support/program_state.h"

namespace {

std::string ReadFileBytes(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  std::string data(1 << 16, '\0');
  DWORD got = 0;
  ReadFile(file, data.data(), static_cast<DWORD>(data.size()), &got, nullptr);
  CloseHandle(file);
  data.resize(got);
  return data;
}

std::string OwnPathSingleByte() {
  char path[4096];
  const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  return std::string(path, n);
}

class Shortcuts : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::ResetDevice();
    UseSettings(SettingsRecord{});
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    dir_ = std::wstring(temp) + L"qm-shortcuts-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(dir_.c_str(), nullptr);
    Use(&SettingsRecord::StartUpPath, L"\\startup.lnk");
    Use(&SettingsRecord::StartMenuPath, L"\\menu.lnk");
    Use(&SettingsRecord::ProgramsPath, L"\\programs.lnk");
  }
  void TearDown() override {
    for (const wchar_t* f : {L"\\startup.lnk", L"\\menu.lnk", L"\\programs.lnk"}) {
      DeleteFileW((dir_ + f).c_str());
    }
    RemoveDirectoryW(dir_.c_str());
  }
  // The settings hold the shortcut `field` at `name` in the test's folder.
  void Use(wchar_t (SettingsRecord::*field)[kPathChars], const wchar_t* name) {
    EditSettings([&](SettingsRecord& s) { wcscpy(s.*field, (dir_ + name).c_str()); });
  }
  std::wstring dir_;
};

namespace {

// The shortcuts at the paths the settings hold, as the Settings page makes them.
void CreateStartUpShortcut() { CreateShortcut(Shortcut::StartUp, Settings.StartUpPath); }
void CreateStartMenuShortcut() { CreateShortcut(Shortcut::StartMenu, Settings.StartMenuPath); }
void CreateProgramsShortcut() { CreateShortcut(Shortcut::Programs, Settings.ProgramsPath); }
void DeleteStartUpShortcut() { DeleteShortcut(Settings.StartUpPath); }
void DeleteStartMenuShortcut() { DeleteShortcut(Settings.StartMenuPath); }
void DeleteProgramsShortcut() { DeleteShortcut(Settings.ProgramsPath); }

}  // namespace

TEST(ShortcutText, CountsTheCharactersAfterTheHash) {
  const std::wstring path27 = L"\\Program Files\\QM\\QMind.exe";
  ASSERT_EQ(27u, path27.size());
  EXPECT_EQ("37#\"\\Program Files\\QM\\QMind.exe\" STARTUP", ShortcutText(path27, true));
  EXPECT_EQ("29#\"\\Program Files\\QM\\QMind.exe\"", ShortcutText(path27, false));
}

TEST(ShortcutText, KeepsAModulePathOfAnyLengthWhole) {
  const std::wstring longPath = L"\\Storage Card\\" + std::wstring(180, L'd') + L"\\QuietMinder.exe";
  const std::string text = ShortcutText(longPath, true);
  const std::string expectedCommand =
      "\"\\Storage Card\\" + std::string(180, 'd') + "\\QuietMinder.exe\" STARTUP";
  EXPECT_EQ(std::to_string(expectedCommand.size()) + "#" + expectedCommand, text);
}

TEST_F(Shortcuts, EachShortcutHoldsExactlyItsCommandWithoutTerminatorOrLineEnd) {
  CreateStartUpShortcut();
  CreateStartMenuShortcut();
  CreateProgramsShortcut();
  const std::string own = OwnPathSingleByte();
  const std::string startup = "\"" + own + "\" STARTUP";
  const std::string plain = "\"" + own + "\"";
  EXPECT_EQ(std::to_string(startup.size()) + "#" + startup, ReadFileBytes(dir_ + L"\\startup.lnk"));
  EXPECT_EQ(std::to_string(plain.size()) + "#" + plain, ReadFileBytes(dir_ + L"\\menu.lnk"));
  EXPECT_EQ(std::to_string(plain.size()) + "#" + plain, ReadFileBytes(dir_ + L"\\programs.lnk"));
  EXPECT_TRUE(fake::device().messageBoxes.empty());
}

TEST_F(Shortcuts, AnExistingLongerFileIsReplacedEntirely) {
  // Filled with a byte that no module path holds, so that none of it may remain.
  constexpr char kFiller = '\x01';
  {
    std::ofstream old(std::string(dir_.begin(), dir_.end()) + "\\menu.lnk", std::ios::binary);
    old << std::string(5000, kFiller);
  }
  CreateStartMenuShortcut();
  const std::string content = ReadFileBytes(dir_ + L"\\menu.lnk");
  EXPECT_EQ(std::string::npos, content.find(kFiller));
  EXPECT_LT(content.size(), 5000u);
}

TEST_F(Shortcuts, DeletingAShortcutThatNeverExistedIsHarmless) {
  DeleteStartUpShortcut();
  DeleteStartMenuShortcut();
  DeleteProgramsShortcut();
  CreateProgramsShortcut();
  DeleteProgramsShortcut();
  EXPECT_EQ("<missing>", ReadFileBytes(dir_ + L"\\programs.lnk"));
  EXPECT_TRUE(fake::device().messageBoxes.empty());
}

TEST_F(Shortcuts, AChangedPathActsOnTheNewFileAndLeavesTheOldOneAlone) {
  CreateStartUpShortcut();
  const std::string before = ReadFileBytes(dir_ + L"\\startup.lnk");
  Use(&SettingsRecord::StartUpPath, L"\\programs.lnk");
  DeleteStartUpShortcut();
  EXPECT_EQ(before, ReadFileBytes(dir_ + L"\\startup.lnk"));
}

TEST_F(Shortcuts, OnlyTheStartMenuShortcutReportsAFileThatCannotBeCreated) {
  Use(&SettingsRecord::StartUpPath, L"\\no such folder\\a.lnk");
  Use(&SettingsRecord::StartMenuPath, L"\\no such folder\\b.lnk");
  Use(&SettingsRecord::ProgramsPath, L"\\no such folder\\c.lnk");
  CreateStartUpShortcut();
  CreateProgramsShortcut();
  EXPECT_TRUE(fake::device().messageBoxes.empty());
  CreateStartMenuShortcut();
  ASSERT_EQ(1u, fake::device().messageBoxes.size());
  const auto& box = fake::device().messageBoxes[0];
  EXPECT_EQ(L"Error", box.caption);
  EXPECT_FALSE(box.text.empty());
  EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONINFORMATION), box.type);
  EXPECT_EQ(nullptr, box.owner);
}

}  // namespace
