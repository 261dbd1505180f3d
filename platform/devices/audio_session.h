// The application's audio session: the category that says how its sound
// mixes with others (ambient sound effects, or playing and recording for
// speech input) and whether it is active. Recording needs the microphone's
// authorisation; nothing else can fail here.
//
// Thread rules: main thread only.
#pragma once

#include <string>

namespace dev {

enum class AudioCategory { ambient, soloAmbient, playback, playAndRecord };

class AudioSession {
 public:
  static AudioSession& shared();
  // False with a message when the category needs a microphone that is
  // denied or restricted.
  bool setCategory(AudioCategory category, std::string* error = nullptr);
  AudioCategory category() const { return category_; }
  // `notifyOthersOnDeactivation` is the option that lets other
  // applications resume their sound when this session lets go.
  bool setActive(bool active, bool notifyOthersOnDeactivation = false, std::string* error = nullptr);
  bool isActive() const { return active_; }

 private:
  AudioCategory category_ = AudioCategory::soloAmbient;
  bool active_ = false;
};

}  // namespace dev
