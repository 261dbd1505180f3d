#include "platform/devices/authorization.h"

#include <cstdlib>
#include <map>

#include "platform/foundation/run_loop.h"

namespace dev {
namespace {

struct State {
  AuthorizationStatus status, answer;
};

const char* serviceName(Service s) {
  switch (s) {
    case Service::location: return "LOCATION";
    case Service::camera: return "CAMERA";
    case Service::microphone: return "MICROPHONE";
    case Service::speech: return "SPEECH";
  }
  return "";
}

AuthorizationStatus parse(const char* text, AuthorizationStatus fallback) {
  if (!text || !*text) return fallback;
  std::string s(text);
  if (s == "notDetermined") return AuthorizationStatus::notDetermined;
  if (s == "restricted") return AuthorizationStatus::restricted;
  if (s == "denied") return AuthorizationStatus::denied;
  if (s == "always") return AuthorizationStatus::authorizedAlways;
  if (s == "authorized" || s == "whenInUse") return AuthorizationStatus::authorizedWhenInUse;
  return fallback;
}

State& state(Service s) {
  static std::map<Service, State> states;
  auto it = states.find(s);
  if (it == states.end()) {
    const std::string base = std::string("TESSALY_") + serviceName(s);
    State initial{parse(std::getenv((base + "_AUTHORIZATION").c_str()), AuthorizationStatus::notDetermined),
                  parse(std::getenv((base + "_ANSWER").c_str()), AuthorizationStatus::authorizedWhenInUse)};
    it = states.emplace(s, initial).first;
  }
  return it->second;
}

}  // namespace

AuthorizationStatus authorizationStatus(Service service) { return state(service).status; }

void requestAuthorization(Service service, std::function<void(AuthorizationStatus)> completion) {
  State& s = state(service);
  if (s.status == AuthorizationStatus::notDetermined) s.status = s.answer;
  const AuthorizationStatus result = s.status;
  if (completion) ns::RunLoop::main().performOnLoop([completion, result] { completion(result); });
}

void configureAuthorization(Service service, AuthorizationStatus status, AuthorizationStatus answer) {
  state(service) = {status, answer};
}

bool isAuthorized(AuthorizationStatus status) {
  return status == AuthorizationStatus::authorizedAlways || status == AuthorizationStatus::authorizedWhenInUse;
}

}  // namespace dev
