// The push-notification client in its least form. With the user default
// "PushEndpointURL" set, the first start of a process registers the
// device there: one JSON POST of the application's identifier, a random
// device identifier kept in the user defaults, the platform ("linux") and
// the version. Unset, nothing is sent to anyone.
//
// Notifications arrive as JSON files renamed into the "PushInbox" folder
// of the caches folder; a main-loop timer reads each once a second (at
// most 16 KiB), removes it and hands its payload to the receiver the
// application gives. A file that is too large or not a JSON object goes
// to "PushInbox/rejected/".
//
// Thread rules: main thread only; the registration's transfer runs on a
// thread of its own and reports on the main run loop.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/foundation/json.h"

class PushClient {
 public:
  PushClient() = delete;

  // The client's log level (0 none, 1 errors, 2 warnings, 4 and more
  // information). The visual level has no effect: the client shows
  // nothing on screen.
  static void setLogLevel(int logLevel, int visualLevel);
  // Starts the client for an application identifier (a UUID in its 36
  // character text form): the registration, once per process, and the
  // inbox timer. False, and nothing started, for a malformed identifier.
  static bool initWithLaunchOptions(const ns::JSON& launchOptions, const std::string& appId);

  // Receives each payload (a JSON object) on the main thread.
  using Receiver = std::function<void(const ns::JSON& payload)>;
  static void setReceiver(Receiver receiver);

  // Hears, on the main thread, that the registration failed: the transfer
  // broke off or the endpoint refused it (the reason in words).
  using RegistrationFailure = std::function<void(const std::string& error)>;
  static void setRegistrationFailureHandler(RegistrationFailure handler);

  // Reads every file of the inbox now (what the timer does each second).
  // Returns how many payloads were delivered.
  static int readInbox();

  // Largest payload file read.
  static constexpr std::size_t kMaxPayloadBytes = 16 * 1024;
  // The user-default keys of the endpoint and of the device identifier.
  static constexpr const char* kEndpointKey = "PushEndpointURL";
  static constexpr const char* kDeviceIdentifierKey = "PushDeviceIdentifier";
};

// A payload file's bytes as a notification: a JSON object of at most
// kMaxPayloadBytes, else nothing.
std::optional<ns::JSON> parsePushPayload(std::string_view bytes);
// An identifier in the 8-4-4-4-12 hexadecimal form.
bool isPushAppIdentifier(std::string_view text);
