// The SSH host keys the settings name, and whether each file can serve the
// agent. Shared by the listener, which loads every usable key once at
// start-up, and by --check-config. Free functions without state; any thread
// may call them.
#ifndef QUOR2_WORKER_HOST_KEY_H_
#define QUOR2_WORKER_HOST_KEY_H_

#include <libssh/libssh.h>

#include <string>
#include <vector>

#include "settings/daemon_settings.h"
#include "utils/ssh_handles.h"

// One host key file of the configuration.
struct HostKeyFile {
  std::string name;                   // the kind as texts name it: "RSA"
  std::string path;                   // keyFolder joined with the file name
  std::vector<ssh_keytypes_e> types;  // the key types of that kind
  bool optional;                      // a missing file is no problem
};

// RSA, DSA, ECDSA and Ed25519, in the order the agent loads them. RSA and
// DSA are expected; ECDSA and Ed25519 are used when their file exists.
std::vector<HostKeyFile> host_key_files(const DaemonSettings& settings);

// The private key of `file`. Null when it cannot serve, with `problem`
// telling why: missing, unreadable, of another type. Null with `problem`
// empty when an optional file is missing.
utils::SshKey import_host_key(const HostKeyFile& file, std::string& problem);

#endif  // QUOR2_WORKER_HOST_KEY_H_
