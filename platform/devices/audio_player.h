// Sound players over SDL2_mixer: one sound file each, played on a mixer
// channel of its own with a volume and a loop count.
//
// Thread rules: main thread only.
#pragma once

#include <memory>
#include <string>

struct Mix_Chunk;

namespace dev {

class AudioPlayer {
 public:
  // Null with a message when the audio device or the file cannot be used.
  static std::unique_ptr<AudioPlayer> fromFile(const std::string& path, std::string* message = nullptr);
  ~AudioPlayer();
  AudioPlayer(const AudioPlayer&) = delete;
  AudioPlayer& operator=(const AudioPlayer&) = delete;

  bool prepareToPlay() { return true; }
  bool play();
  void pause();
  void stop();
  bool isPlaying() const;
  double volume() const { return volume_; }
  void setVolume(double volume);
  // -1 loops for ever; n plays n + 1 times.
  int numberOfLoops = 0;
  // Length of the sound in seconds.
  double duration() const;
  const std::string& path() const { return path_; }

 private:
  AudioPlayer() = default;
  Mix_Chunk* chunk_ = nullptr;
  int channel_ = -1;
  double volume_ = 1;
  std::string path_;
};

// Opens the mixer on the default audio device (SDL_AUDIODRIVER chooses the
// driver); false with a message when there is none. Without a device the
// first call says so once on standard error, and no later call tries
// again: sounds are off for the rest of the run.
bool openAudio(std::string* message = nullptr);
// True once opening found no device.
bool soundDeviceMissing();
// With tracing on, what the sound libraries print while a device is looked
// for reaches standard error; otherwise it is dropped.
void setSoundTracing(bool on);

}  // namespace dev
