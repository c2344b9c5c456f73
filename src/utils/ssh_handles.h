// Owning handles for libssh objects: each releases its object with the
// library's own function when it goes out of scope. A handle belongs to one
// thread at a time, like the object it holds.
//
// A channel belongs to its session: release the channel before the session.
#ifndef QUOR2_UTILS_SSH_HANDLES_H_
#define QUOR2_UTILS_SSH_HANDLES_H_

#include <libssh/libssh.h>
#include <libssh/server.h>

#include <memory>

namespace utils {

struct SshSessionDeleter {
  // Says goodbye on an open connection, then frees (and closes) everything.
  void operator()(ssh_session session) const {
    ssh_disconnect(session);
    ssh_free(session);
  }
};

struct SshChannelDeleter {
  void operator()(ssh_channel channel) const { ssh_channel_free(channel); }
};

struct SshMessageDeleter {
  void operator()(ssh_message message) const { ssh_message_free(message); }
};

struct SshBindDeleter {
  void operator()(ssh_bind bind) const { ssh_bind_free(bind); }
};

struct SshKeyDeleter {
  void operator()(ssh_key key) const { ssh_key_free(key); }
};

using SshSession = std::unique_ptr<ssh_session_struct, SshSessionDeleter>;
using SshChannel = std::unique_ptr<ssh_channel_struct, SshChannelDeleter>;
using SshMessage = std::unique_ptr<ssh_message_struct, SshMessageDeleter>;
using SshBind = std::unique_ptr<ssh_bind_struct, SshBindDeleter>;
using SshKey = std::unique_ptr<ssh_key_struct, SshKeyDeleter>;

}  // namespace utils

#endif  // QUOR2_UTILS_SSH_HANDLES_H_
