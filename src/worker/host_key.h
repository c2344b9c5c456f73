// Whether an SSH host key file can serve the agent. Shared by the listener,
// which leaves out keys that cannot serve, and by --check-config. Free
// function without state; any thread may call it.
#ifndef QUOR2_WORKER_HOST_KEY_H_
#define QUOR2_WORKER_HOST_KEY_H_

#include <libssh/libssh.h>

#include <string>

// Why the private key `path` cannot serve as host key of `type` (named
// `type_name` in the text), or "" when it can: missing, unreadable, of
// another type, or of a type this libssh build does not load (DSA on Debian).
std::string host_key_problem(const std::string& path, ssh_keytypes_e type,
                             const std::string& type_name);

#endif  // QUOR2_WORKER_HOST_KEY_H_
