#include "platform/devices/audio_player.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace dev {
namespace {
bool audioOpen = false, audioMissing = false, soundTracing = false;
int frequency = 44100, channels = 2;
Uint16 format = AUDIO_S16SYS;

// Runs `open` with standard error held in a temporary file: the sound
// libraries SDL probes (ALSA, a line for each card it looks for) print
// their own failures there. What they printed is shown only when tracing.
bool withLibraryMessagesHeld(bool (*open)()) {
  std::fflush(stderr);
  FILE* held = std::tmpfile();
  const int saved = held ? ::dup(STDERR_FILENO) : -1;
  if (saved < 0 || ::dup2(::fileno(held), STDERR_FILENO) < 0) {
    if (saved >= 0) ::close(saved);
    if (held) std::fclose(held);
    return open();
  }
  const bool opened = open();
  std::fflush(stderr);
  ::dup2(saved, STDERR_FILENO);
  ::close(saved);
  if (soundTracing) {
    std::rewind(held);
    char line[512];
    while (std::fgets(line, sizeof line, held)) std::fputs(line, stderr);
  }
  std::fclose(held);
  return opened;
}

bool openMixer() {
  return SDL_InitSubSystem(SDL_INIT_AUDIO) == 0 && Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 1024) == 0;
}

}  // namespace

void setSoundTracing(bool on) { soundTracing = on; }

bool openAudio(std::string* message) {
  if (audioOpen) return true;
  // Each attempt repeats the libraries' complaints and finds nothing new.
  if (!audioMissing && !withLibraryMessagesHeld(openMixer)) {
    audioMissing = true;
    std::fprintf(stderr, "No sound device (%s): playing no sounds\n", SDL_GetError());
  }
  if (audioMissing) {
    if (message) *message = "no sound device";
    return false;
  }
  Mix_QuerySpec(&frequency, &format, &channels);
  Mix_AllocateChannels(32);
  audioOpen = true;
  return true;
}

bool soundDeviceMissing() { return audioMissing; }

std::unique_ptr<AudioPlayer> AudioPlayer::fromFile(const std::string& path, std::string* message) {
  if (!openAudio(message)) return nullptr;
  Mix_Chunk* chunk = Mix_LoadWAV(path.c_str());
  if (!chunk) {
    if (message) *message = path + ": " + Mix_GetError();
    return nullptr;
  }
  std::unique_ptr<AudioPlayer> player(new AudioPlayer);
  player->chunk_ = chunk;
  player->path_ = path;
  return player;
}

AudioPlayer::~AudioPlayer() {
  stop();
  if (chunk_) Mix_FreeChunk(chunk_);
}

bool AudioPlayer::play() {
  if (channel_ >= 0 && Mix_Paused(channel_)) {
    Mix_Resume(channel_);
    return true;
  }
  channel_ = Mix_PlayChannel(-1, chunk_, numberOfLoops);
  if (channel_ < 0) return false;
  Mix_Volume(channel_, static_cast<int>(std::lround(volume_ * MIX_MAX_VOLUME)));
  return true;
}

void AudioPlayer::pause() {
  if (channel_ >= 0) Mix_Pause(channel_);
}

void AudioPlayer::stop() {
  if (channel_ >= 0 && Mix_GetChunk(channel_) == chunk_) Mix_HaltChannel(channel_);
  channel_ = -1;
}

bool AudioPlayer::isPlaying() const {
  return channel_ >= 0 && Mix_Playing(channel_) && !Mix_Paused(channel_) && Mix_GetChunk(channel_) == chunk_;
}

void AudioPlayer::setVolume(double volume) {
  if (!std::isfinite(volume)) return;
  volume_ = std::clamp(volume, 0.0, 1.0);
  if (channel_ >= 0) Mix_Volume(channel_, static_cast<int>(std::lround(volume_ * MIX_MAX_VOLUME)));
}

double AudioPlayer::duration() const {
  const int bytesPerFrame = channels * (SDL_AUDIO_BITSIZE(format) / 8);
  return bytesPerFrame > 0 ? double(chunk_->alen) / bytesPerFrame / frequency : 0;
}

}  // namespace dev
