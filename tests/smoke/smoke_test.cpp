#include <gtest/gtest.h>
#include <windows.h>
TEST(Smoke, RegistryWorks) {
  HKEY k{};
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\QMSmoke", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr));
  RegCloseKey(k);
  RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\QMSmoke");
}
