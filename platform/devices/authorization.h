// Authorisation of the location, camera, microphone and speech services:
// what the user answers is the host's configuration, read from the
// environment (TESSALY_<SERVICE>_AUTHORIZATION: notDetermined, restricted,
// denied, authorized; and TESSALY_<SERVICE>_ANSWER: the answer given when
// the application asks, "authorized" unless said otherwise) or set by tests.
#pragma once

#include <functional>
#include <string>

namespace dev {

enum class AuthorizationStatus { notDetermined = 0, restricted = 1, denied = 2, authorizedAlways = 3, authorizedWhenInUse = 4 };

enum class Service { location, camera, microphone, speech };

AuthorizationStatus authorizationStatus(Service service);
// Asks the user: a service not yet determined takes the configured answer.
// The completion runs on the main run loop.
void requestAuthorization(Service service, std::function<void(AuthorizationStatus)> completion);
// Sets the present state and the answer (tests, hosts).
void configureAuthorization(Service service, AuthorizationStatus status, AuthorizationStatus answer);
bool isAuthorized(AuthorizationStatus status);

}  // namespace dev
