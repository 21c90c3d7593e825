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
  reasons.push_back({what, until, toPowerOn, powerOns.size()});
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
