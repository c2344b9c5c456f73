// Server name indication for the agent's TLS clients. Stateless.
#ifndef QUOR2_SSL_SERVER_NAME_H_
#define QUOR2_SSL_SERVER_NAME_H_

#include <openssl/ssl.h>

#include <string>

namespace ssl {

// Makes the handshake of `handle` name `host` to the server, so that a
// server of many sites presents the right certificate. IP literals are not
// names and are not sent; nor is a name that OpenSSL refuses.
void set_server_name(SSL* handle, const std::string& host);

}  // namespace ssl

#endif  // QUOR2_SSL_SERVER_NAME_H_
