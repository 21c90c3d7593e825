// The Sound page: sound protection switched on or off, its mode, the protected volume on a
// five-step slider with a test tone, the protected sound classes and tap and button sounds, and
// when protection last had to put the settings back.
#pragma once
#include <windows.h>

INT_PTR CALLBACK SoundPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// The slider's five steps, 1 ("Loud", at the top) to 5 ("Soft"), and the volume words they
// stand for: step p is (6 - p) x 0x33333333.
inline constexpr int kLoudestStep = 1;
inline constexpr int kSoftestStep = 5;
DWORD VolumeWordOfStep(int step);
// The step that shows a stored volume word; a word below the softest step's shows the middle one.
int StepOfVolumeWord(DWORD volume);
