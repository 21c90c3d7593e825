// The handheld's own calls that desktop Win32 lacks or that a test must observe: the device's
// kind, wave volume, clock, sound refresh, stream drivers, property databases, message boxes,
// program launches, the notification icon and sound playback. The program calls these and nothing
// else for them. Two implementations exist: the device's (src/platform/device.cpp, linked into the
// program) and a fake that tests link instead.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include "platform/property_db.h"

// ---- Device kind -------------------------------------------------------------------------
// Major version of the operating system. False when the query is not available.
bool GetOsMajorVersion(DWORD* major);
// The platform type string (SPI_GETPLATFORMTYPE), e.g. "PocketPC". False when the platform
// has none; the buffer then holds the empty string.
bool GetPlatformType(wchar_t* buffer, size_t chars);

// ---- Sound ---------------------------------------------------------------------------------
// Volume word of wave output device 0: left channel low 16 bits, right channel high 16 bits.
// False when the volume cannot be read; *volume is then untouched.
bool GetWaveVolume(DWORD* volume);
bool SetWaveVolume(DWORD volume);
// Makes the running system take up the sound values now stored under ControlPanel.
void RefreshSoundSettings();
// Plays a named system sound (sndPlaySoundW semantics).
bool PlaySystemSound(const wchar_t* name, UINT flags);

// ---- Clock ---------------------------------------------------------------------------------
// The device's clock: every time computation of the program reads it here.
void GetDeviceSystemTime(SYSTEMTIME* utc);
void GetDeviceLocalTime(SYSTEMTIME* local);

// ---- Stream drivers ------------------------------------------------------------------------
// RegisterDevice semantics: a handle, or null on failure.
HANDLE RegisterDevice(const wchar_t* prefix, DWORD index, const wchar_t* library, DWORD context);
BOOL DeregisterDevice(HANDLE device);
// Opens a stream device by its name ("WKD1:"), read/write, shared, OPEN_ALWAYS.
// INVALID_HANDLE_VALUE on failure.
HANDLE OpenStreamDevice(const wchar_t* name);
BOOL StreamDeviceIoControl(HANDLE file, DWORD code, const void* in, DWORD inSize);
void CloseStreamDevice(HANDLE file);

// ---- Property databases --------------------------------------------------------------------
// CeOpenDatabaseEx semantics: opens a database by name (`oid` pointing to 0) on `volume`;
// INVALID_HANDLE_VALUE on failure. Close the handle with CloseDatabase.
HANDLE CeOpenDatabaseEx(CEGUID* volume, CEOID* oid, const wchar_t* name, CEPROPID sortProperty,
                        DWORD flags, CENOTIFYREQUEST* notify);
// CeReadRecordPropsEx semantics: reads the wanted properties of the current record into
// `*buffer` (with CEDB_ALLOWREALLOC and a null `heap`, a buffer the call allocates with
// LocalAlloc, freed by the caller with LocalFree); the record's id, or 0 when there is none.
CEOID CeReadRecordPropsEx(HANDLE database, DWORD flags, WORD* propCount, CEPROPID* propIds,
                          BYTE** buffer, DWORD* bufferBytes, HANDLE heap);
BOOL CloseDatabase(HANDLE database);

// ---- Modules -------------------------------------------------------------------------------
// Loads the device's "toolhelp.dll"; null when it is missing.
HMODULE LoadToolhelp();

// ---- User interface ------------------------------------------------------------------------
int ShowMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);
BOOL NotifyIcon(DWORD message, NOTIFYICONDATAW* data);
// The class name of the platform's dialogs and message boxes ("Dialog" on the handheld).
const wchar_t* DialogClassName();

// ---- Program launches ----------------------------------------------------------------------
// CreateProcessW with the module name and command line; all else null or 0.
BOOL LaunchProgram(const wchar_t* module, const wchar_t* commandLine);
// ShellExecuteEx with verb, file and parameters, the platform's error UI suppressed.
BOOL ShellExecuteProgram(const wchar_t* file, const wchar_t* verb, const wchar_t* parameters);
