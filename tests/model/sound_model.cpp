#include "model/sound_model.h"

namespace model {

void SoundModel::UserSilenceTakenOver(ULONGLONG now) {
  // A silence made by hand lasts the user-mute time, or to the next power-on when that time is
  // 0 or mutes are extended by default.
  const bool toPowerOn = userMuteTime == 0 || extendDefault;
  reasons.push_back(
      {"the owner's own silence", now + userMuteTime * kSecond, toPowerOn, powerOns.size()});
}

void SoundModel::WindowMuteChosen(const std::string& what, ULONGLONG until, bool toPowerOn) {
  reasons.push_back({what, until, toPowerOn, powerOns.size(), true});
}

void SoundModel::SeenSilent(ULONGLONG now) {
  bool chosen = false;
  for (const Reason& r : reasons) chosen = chosen || (r.ownersChoice && r.Active(now, powerOns));
  for (Meeting& m : meetings) {
    if (m.start > now || now >= m.end || m.mutedFor) continue;
    m.mutedFor = true;
    m.powerOnsBefore = powerOns.size();
    m.owed = meetingLinkOn && !chosen;
  }
}

bool SoundModel::SilenceOwedAt(ULONGLONG now) const {
  for (const Meeting& m : meetings) {
    if (!m.owed || now < m.start) continue;
    ULONGLONG end = m.end;
    for (bool longer = true; longer;) {
      longer = false;
      for (const Meeting& other : meetings) {
        if (other.start <= end && other.end > end) end = other.end, longer = true;
      }
    }
    if (now < end) return true;
  }
  return false;
}

void SoundModel::WindowRestored() { SoundGivenBack(); }

std::optional<std::string> SoundModel::SilenceAllowedAt(ULONGLONG now) const {
  for (const Reason& r : reasons) {
    if (r.Active(now, powerOns)) return r.what;
  }
  if (!meetingLinkOn) return std::nullopt;
  for (const Meeting& m : meetings) {
    if (m.start <= now && now < m.end) return std::string("a meeting in progress");
    // A meeting mute extended by default lasts to the next power-on after its end.
    const Reason extended{"", m.end, true, m.powerOnsBefore};
    if (m.mutedFor && extendDefault && extended.Active(now, powerOns)) {
      return std::string("a meeting mute extended to the next power-on");
    }
  }
  return std::nullopt;
}

}  // namespace model
