// quor2-bench-libssh: the least an SSH server on libssh does for a
// monitoring poll, as a yardstick beside the agent: ssh_bind on loopback,
// key exchange, one password login, session channel, shell, the agent's
// greeting, then the listing as the answer to every read. One thread per
// connection, sockets without Nagle's algorithm, host keys loaded by libssh
// from their files. Whatever the agent spends beyond this is its own.
//
//   quor2-bench-libssh PORT RSA_KEY ED25519_KEY USER PASSWORD_FILE
#include <libssh/libssh.h>
#include <libssh/server.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "bench_records.h"
#include "utils/ssh_handles.h"

namespace {

struct Login {
  std::string user;
  std::string password;
};

// The next message of `type` (and `subtype`, unless -1); every other one is
// refused. Null when the connection ends.
utils::SshMessage next_message(ssh_session session, int type, int subtype) {
  for (;;) {
    utils::SshMessage message(ssh_message_get(session));
    if (!message) return nullptr;
    if (ssh_message_type(message.get()) == type &&
        (subtype < 0 || ssh_message_subtype(message.get()) == subtype)) {
      return message;
    }
    if (type == SSH_REQUEST_AUTH) ssh_message_auth_set_methods(message.get(), SSH_AUTH_METHOD_PASSWORD);
    ssh_message_reply_default(message.get());
  }
}

bool logged_in(ssh_session session, const Login& login) {
  const utils::SshMessage message = next_message(session, SSH_REQUEST_AUTH, SSH_AUTH_METHOD_PASSWORD);
  if (!message) return false;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  const char* password = ssh_message_auth_password(message.get());
#pragma GCC diagnostic pop
  const char* user = ssh_message_auth_user(message.get());
  if (user == nullptr || password == nullptr || login.user != user || login.password != password) {
    ssh_message_reply_default(message.get());
    return false;
  }
  ssh_message_auth_reply_success(message.get(), 0);
  return true;
}

void serve(ssh_session raw, const Login& login) {
  const utils::SshSession session(raw);
  const int on = 1;
  setsockopt(ssh_get_fd(raw), IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
  if (ssh_handle_key_exchange(raw) != SSH_OK || !logged_in(raw, login)) return;
  const utils::SshMessage open = next_message(raw, SSH_REQUEST_CHANNEL_OPEN, SSH_CHANNEL_SESSION);
  if (!open) return;
  const utils::SshChannel channel(ssh_message_channel_request_open_reply_accept(open.get()));
  const utils::SshMessage shell = next_message(raw, SSH_REQUEST_CHANNEL, SSH_CHANNEL_REQUEST_SHELL);
  if (!channel || !shell) return;
  ssh_message_channel_request_reply_success(shell.get());
  ssh_channel_write(channel.get(), bench::greeting, std::strlen(bench::greeting));
  char buffer[2048];
  while (ssh_channel_read(channel.get(), buffer, sizeof(buffer), 0) > 0) {
    ssh_channel_write(channel.get(), bench::listing, std::strlen(bench::listing));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: quor2-bench-libssh PORT RSA_KEY ED25519_KEY USER PASSWORD_FILE\n");
    return 2;
  }
  Login login{argv[4], ""};
  std::ifstream in(argv[5]);
  if (!std::getline(in, login.password)) {
    std::fprintf(stderr, "quor2-bench-libssh: cannot read %s\n", argv[5]);
    return 2;
  }
  ssh_init();
  const utils::SshBind bind(ssh_bind_new());
  const unsigned int port = static_cast<unsigned int>(std::stoi(argv[1]));
  ssh_bind_options_set(bind.get(), SSH_BIND_OPTIONS_BINDADDR, "127.0.0.1");
  ssh_bind_options_set(bind.get(), SSH_BIND_OPTIONS_BINDPORT, &port);
  ssh_bind_options_set(bind.get(), SSH_BIND_OPTIONS_HOSTKEY, argv[2]);
  ssh_bind_options_set(bind.get(), SSH_BIND_OPTIONS_HOSTKEY, argv[3]);
  if (ssh_bind_listen(bind.get()) != SSH_OK) {
    std::fprintf(stderr, "quor2-bench-libssh: %s\n", ssh_get_error(bind.get()));
    return 1;
  }
  for (;;) {
    ssh_session session = ssh_new();
    if (session == nullptr) return 1;
    if (ssh_bind_accept(bind.get(), session) != SSH_OK) {
      ssh_free(session);
      continue;
    }
    std::thread(serve, session, login).detach();
  }
}
