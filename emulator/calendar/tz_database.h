// Zones of the tz database, read from the compiled zone files (TZif) the host machine holds.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "calendar/calendar_model.h"

// The host's /usr/share/zoneinfo, seen through the drive that maps the host's root.
inline constexpr wchar_t kZoneInfoFolder[] = L"Z:\\usr\\share\\zoneinfo";

// True for a name that can only lead to a file inside the zone folder ("Europe/Berlin").
bool IsSafeZoneName(const std::wstring& name);

// The zone's rules from the bytes of a TZif file, or nullopt when they are not a sound one.
std::optional<TimeZoneDef> ZoneFromTzif(const std::string& bytes, const std::wstring& id);

// The rules of a POSIX TZ string ("CET-1CEST,M3.5.0,M10.5.0/3") for wall-clock readings after
// `after`. False when the text cannot be read.
bool ObservancesFromPosixTz(const std::string& tz, CivilSeconds after,
                            std::vector<ZoneObservance>* out);

// The named zone from the zone folder; nullopt when the name is unsafe or names no sound zone file.
std::optional<TimeZoneDef> LoadTzDatabaseZone(const std::wstring& name);
