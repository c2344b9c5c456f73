// The SSH host keys the settings name, and whether each file can serve the
// agent. Shared by the worker, which loads every usable key into its bind
// once at start-up, and by --check-config. Free functions without state;
// any thread may call them.
#ifndef QUOR2_WORKER_HOST_KEY_H_
#define QUOR2_WORKER_HOST_KEY_H_

#include <libssh/libssh.h>
#include <libssh/server.h>

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

// Loads every key of `files` that can serve into the bind, which owns them
// from then on; whether any did. A key that cannot serve, or that this
// libssh build does not serve (DSA on Debian), is left out with a Warn line
// naming the file; an optional file that is missing is left out without a
// word.
bool load_host_keys(ssh_bind bind, const std::vector<HostKeyFile>& files);

#endif  // QUOR2_WORKER_HOST_KEY_H_
