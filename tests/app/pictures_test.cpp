// The program's pictures as the device draws them: each icon at 16 and 32 pixels clear or its
// colour in every pixel (never a mix) with its drawing in place; the About page's bitmaps.
#include <gtest/gtest.h>
#include <windows.h>

#include "resources/resource.h"

namespace {

constexpr COLORREF kGreen = RGB(34, 160, 70), kBlue = RGB(30, 100, 210), kWhite = 0xFFFFFF;

// The pixel at (x, y) of `bitmap`, or of `icon` drawn on it over white or black.
COLORREF PixelOf(HGDIOBJ bitmap, int x, int y, HICON icon = nullptr, bool white = false) {
  const HDC dc = CreateCompatibleDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, bitmap);
  const RECT all{0, 0, 32, 32};
  const auto background = static_cast<HBRUSH>(GetStockObject(white ? WHITE_BRUSH : BLACK_BRUSH));
  if (icon) FillRect(dc, &all, background);
  if (icon) DrawIconEx(dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
  const COLORREF pixel = GetPixel(dc, x, y);
  SelectObject(dc, old);
  DeleteDC(dc);
  return pixel;
}

TEST(Pictures, EachIconIsClearOrItsColourInEveryPixelAndTheBitmapsTheirColours) {
  const struct { int id, x, y; COLORREF color; } icons[] = {  // x, y on the 16-pixel grid
      {IDI_APP, 1, 3, kBlue}, {IDI_PAGE_HEADER, 1, 3, kBlue}, {IDI_IDLE, 14, 7, kGreen},
      {IDI_MUTED, 12, 8, RGB(210, 30, 30)}, {IDI_MUTED_USER_RESTORE, 12, 13, kGreen},
      {IDI_FILTER_HOLD, 10, 5, kBlue}, {IDI_IDLE, 2, 7, RGB(40, 44, 52)}};
  const HBITMAP canvas = CreateBitmap(32, 32, 1, 32, nullptr);
  for (const auto& icon : icons) {
    for (int size : {16, 32}) {
      const auto handle = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr),
          MAKEINTRESOURCEW(icon.id), IMAGE_ICON, size, size, 0));
      for (int i = 0; i < size * size; ++i) {
        const COLORREF onWhite = PixelOf(canvas, i % size, i / size, handle, true);
        const COLORREF onBlack = PixelOf(canvas, i % size, i / size, handle);
        ASSERT_TRUE(onWhite == onBlack || (onWhite == kWhite && onBlack == 0)) << icon.id << i;
      }
      EXPECT_EQ(kWhite, PixelOf(canvas, 0, 0, handle, true)) << icon.id << " corner " << size;
      const int s = size / 16;
      EXPECT_EQ(icon.color, PixelOf(canvas, icon.x * s, icon.y * s, handle)) << icon.id << size;
      DestroyIcon(handle);
    }
  }
  DeleteObject(canvas);
  const struct { int id, x, y; COLORREF color; } bitmaps[] = {{IDB_LOGO, 0, 0, RGB(236, 233, 216)},
      {IDB_LOGO, 135, 17, kBlue}, {IDB_BADGE, 0, 0, kBlue}, {IDB_BADGE, 2, 5, kWhite}};
  for (const auto& p : bitmaps) {
    const HBITMAP bitmap = LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(p.id));
    EXPECT_EQ(p.color, PixelOf(bitmap, p.x, p.y)) << p.id << " at " << p.x << "," << p.y;
    DeleteObject(bitmap);
  }
}

}  // namespace
