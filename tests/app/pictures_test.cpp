// The program's pictures as the device draws them: every icon at the notification area's 16 and
// the window's 32 pixels is either clear or its colour in each pixel, never a mix, with its
// drawing where it belongs; the About page's bitmaps keep their sizes and colours.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "resources/resource.h"

namespace {

constexpr COLORREF kDark = RGB(40, 44, 52), kGreen = RGB(34, 160, 70), kRed = RGB(210, 30, 30),
                   kBlue = RGB(30, 100, 210), kWhite = RGB(255, 255, 255);

// The icon drawn on a square of `background`: its pixels, top row first.
std::vector<COLORREF> Drawn(HICON icon, int size, COLORREF background) {
  const HDC dc = CreateCompatibleDC(nullptr);
  const HBITMAP canvas = CreateBitmap(size, size, 1, 32, nullptr);
  const HGDIOBJ old = SelectObject(dc, canvas);
  const HBRUSH brush = CreateSolidBrush(background);
  const RECT all{0, 0, size, size};
  FillRect(dc, &all, brush);
  DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
  std::vector<COLORREF> pixels;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) pixels.push_back(GetPixel(dc, x, y));
  }
  SelectObject(dc, old);
  DeleteObject(brush);
  DeleteObject(canvas);
  DeleteDC(dc);
  return pixels;
}

TEST(Pictures, EachIconIsClearOrItsColourInEveryPixelAtBothSizes) {
  // A pixel of each drawing on the 16-pixel grid, and its colour.
  const struct { int id, x, y; COLORREF color; } icons[] = {
      {IDI_APP, 1, 3, kBlue},      {IDI_PAGE_HEADER, 1, 3, kBlue},  {IDI_IDLE, 14, 7, kGreen},
      {IDI_MUTED, 12, 8, kRed},    {IDI_MUTED_USER_RESTORE, 12, 13, kGreen},
      {IDI_FILTER_HOLD, 10, 5, kBlue}, {IDI_IDLE, 2, 7, kDark},
  };
  for (const auto& icon : icons) {
    for (int size : {16, 32}) {
      SCOPED_TRACE(testing::Message() << "icon " << icon.id << " at " << size);
      const HICON handle = static_cast<HICON>(LoadImageW(
          GetModuleHandleW(nullptr), MAKEINTRESOURCEW(icon.id), IMAGE_ICON, size, size, 0));
      ASSERT_NE(nullptr, handle);
      const auto onWhite = Drawn(handle, size, kWhite), onBlack = Drawn(handle, size, 0);
      DestroyIcon(handle);
      for (size_t i = 0; i < onWhite.size(); ++i) {
        const bool clear = onWhite[i] == kWhite && onBlack[i] == 0;
        ASSERT_TRUE(clear || onWhite[i] == onBlack[i]) << "pixel " << i;
      }
      EXPECT_EQ(kWhite, onWhite[0]) << "the corner is clear";
      const int s = size / 16;
      EXPECT_EQ(icon.color, onBlack[(icon.y * s) * size + icon.x * s]);
    }
  }
}

TEST(Pictures, TheAboutPagesBitmapsKeepTheirSizesAndColours) {
  const struct { int id, width, height, x, y; COLORREF color; } bitmaps[] = {
      {IDB_LOGO, 136, 20, 0, 0, RGB(236, 233, 216)}, {IDB_LOGO, 136, 20, 0, 17, kBlue},
      {IDB_BADGE, 40, 18, 0, 0, kBlue},              {IDB_BADGE, 40, 18, 2, 5, kWhite},
  };
  for (const auto& b : bitmaps) {
    const HBITMAP bitmap = LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(b.id));
    ASSERT_NE(nullptr, bitmap);
    BITMAP info{};
    GetObjectW(bitmap, sizeof info, &info);
    EXPECT_EQ(b.width, info.bmWidth);
    EXPECT_EQ(b.height, info.bmHeight);
    const HDC dc = CreateCompatibleDC(nullptr);
    const HGDIOBJ old = SelectObject(dc, bitmap);
    EXPECT_EQ(b.color, GetPixel(dc, b.x, b.y)) << "bitmap " << b.id << " at " << b.x << "," << b.y;
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
}

}  // namespace
