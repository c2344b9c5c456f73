/* A libssh2 client for the interoperability run:
 *   libssh2_client HOST PORT USER PASSWORD_FILE
 * logs in with the password, opens a shell without a pty and relays standard
 * input to it and its output to standard output until either side ends, then
 * closes the channel and exits with the shell's exit status. The host key is
 * new in every run, so there is nothing to verify it against. */
#include <libssh2.h>
#include <netdb.h>
#include <poll.h>
#include <stdio.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

static int connect_to(const char *host, const char *port) {
  struct addrinfo hints, *found;
  memset(&hints, 0, sizeof hints);
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICHOST;
  if (getaddrinfo(host, port, &hints, &found) != 0) return -1;
  int fd = socket(found->ai_family, SOCK_STREAM, 0);
  if (fd >= 0 && connect(fd, found->ai_addr, found->ai_addrlen) != 0) {
    close(fd);
    fd = -1;
  }
  freeaddrinfo(found);
  return fd;
}

static int fail(LIBSSH2_SESSION *session, const char *step) {
  char *message = NULL;
  libssh2_session_last_error(session, &message, NULL, 0);
  fprintf(stderr, "%s: %s\n", step, message);
  return 1;
}

static void wait_socket(int fd) {
  struct pollfd p = {fd, POLLIN | POLLOUT, 0};
  poll(&p, 1, 1000);
}

/* Each chunk read goes out in one channel write: the agent reads a request per packet. */
static int write_all(LIBSSH2_CHANNEL *channel, int fd, const char *data, size_t size) {
  while (size > 0) {
    ssize_t written = libssh2_channel_write(channel, data, size);
    if (written == LIBSSH2_ERROR_EAGAIN) {
      wait_socket(fd);
      continue;
    }
    if (written < 0) return -1;
    data += written;
    size -= (size_t)written;
  }
  return 0;
}

int main(int argc, char **argv) {
  if (argc != 5) {
    fprintf(stderr, "usage: %s HOST PORT USER PASSWORD_FILE\n", argv[0]);
    return 2;
  }
  char password[256] = "";
  FILE *file = fopen(argv[4], "r");
  if (file == NULL || fgets(password, sizeof password, file) == NULL) {
    perror(argv[4]);
    return 2;
  }
  fclose(file);
  password[strcspn(password, "\n")] = '\0';

  const int fd = connect_to(argv[1], argv[2]);
  if (fd < 0) {
    perror("connect");
    return 1;
  }
  libssh2_init(0);
  LIBSSH2_SESSION *session = libssh2_session_init();
  if (libssh2_session_handshake(session, fd) != 0) return fail(session, "handshake");
  if (libssh2_userauth_password(session, argv[3], password) != 0) return fail(session, "login");
  LIBSSH2_CHANNEL *channel = libssh2_channel_open_session(session);
  if (channel == NULL || libssh2_channel_shell(channel) != 0) return fail(session, "shell");

  libssh2_session_set_blocking(session, 0);
  char buffer[4096];
  int input_open = 1;
  for (;;) {
    struct pollfd p[2] = {{fd, POLLIN, 0}, {input_open ? 0 : -1, POLLIN, 0}};
    poll(p, 2, 200);
    if (p[1].revents != 0) {
      const ssize_t got = read(0, buffer, sizeof buffer);
      if (got > 0) {
        if (write_all(channel, fd, buffer, (size_t)got) != 0) return fail(session, "write");
      } else {
        input_open = 0;
        while (libssh2_channel_send_eof(channel) == LIBSSH2_ERROR_EAGAIN) wait_socket(fd);
      }
    }
    ssize_t got;
    while ((got = libssh2_channel_read(channel, buffer, sizeof buffer)) > 0) {
      if (write(1, buffer, (size_t)got) != got) return 1;
    }
    if (got < 0 && got != LIBSSH2_ERROR_EAGAIN) return fail(session, "read");
    if (got == 0 || libssh2_channel_eof(channel)) break;
  }
  int rc;
  while ((rc = libssh2_channel_close(channel)) == LIBSSH2_ERROR_EAGAIN) wait_socket(fd);
  if (rc != 0) return fail(session, "close");
  while ((rc = libssh2_channel_wait_closed(channel)) == LIBSSH2_ERROR_EAGAIN) wait_socket(fd);
  if (rc != 0) return fail(session, "wait closed");
  const int status = libssh2_channel_get_exit_status(channel);
  libssh2_session_free(session);
  close(fd);
  libssh2_exit();
  return status;
}
