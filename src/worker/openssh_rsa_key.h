// An RSA private key in OpenSSH's own file format ("BEGIN OPENSSH PRIVATE
// KEY", what ssh-keygen writes by default), re-encoded as a PEM key that
// keeps its CRT parameters. libssh 0.10 loses those when it reads the
// OpenSSH format itself, and every signature of the key exchange then
// takes about three times as long. A free function without state; any
// thread may call it.
#ifndef QUOR2_WORKER_OPENSSH_RSA_KEY_H_
#define QUOR2_WORKER_OPENSSH_RSA_KEY_H_

#include <string>

// The PEM text of the key in `file_text`; empty for anything else (another
// format or key type, a passphrase, a damaged file), which libssh then reads
// as before.
std::string openssh_rsa_key_as_pem(const std::string& file_text);

#endif  // QUOR2_WORKER_OPENSSH_RSA_KEY_H_
