// Keeps the name lookups of a test process (names under ".invalid" that must
// fail) on this host: run as root, it gets a mount namespace of its own whose
// /etc/resolv.conf names only 127.0.0.1. Children (ping, the agent) inherit it.
#ifndef QUOR2_TESTS_SUPPORT_LOCAL_NAME_SERVICE_H_
#define QUOR2_TESTS_SUPPORT_LOCAL_NAME_SERVICE_H_

namespace testing_support {

// Call before any thread starts. True when lookups now stay on this host.
bool isolate_name_service();

}  // namespace testing_support

#endif  // QUOR2_TESTS_SUPPORT_LOCAL_NAME_SERVICE_H_
