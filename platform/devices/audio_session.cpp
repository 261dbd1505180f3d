#include "platform/devices/audio_session.h"

#include "platform/devices/authorization.h"

namespace dev {

AudioSession& AudioSession::shared() {
  static AudioSession session;
  return session;
}

bool AudioSession::setCategory(AudioCategory category, std::string* error) {
  if (category == AudioCategory::playAndRecord) {
    const AuthorizationStatus microphone = authorizationStatus(Service::microphone);
    if (microphone == AuthorizationStatus::denied || microphone == AuthorizationStatus::restricted) {
      if (error) *error = "recording is not allowed (the microphone is not authorised)";
      return false;
    }
  }
  category_ = category;
  return true;
}

bool AudioSession::setActive(bool active, bool, std::string*) {
  active_ = active;
  return true;
}

}  // namespace dev
