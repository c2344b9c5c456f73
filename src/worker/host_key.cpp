#include "worker/host_key.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include <openssl/crypto.h>

#include "logger/logger.h"
#include "utils/text.h"
#include "worker/openssh_rsa_key.h"

namespace {

// The key as libssh reads it, except an RSA key in OpenSSH's format, which
// goes in as PEM so that it keeps its CRT parameters.
bool import_key_file(const HostKeyFile& file, ssh_key& imported) {
  if (file.types.front() == SSH_KEYTYPE_RSA) {
    std::ifstream in(file.path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string pem = openssh_rsa_key_as_pem(text);
    OPENSSL_cleanse(&text[0], text.size());
    if (!pem.empty()) {
      const int result = ssh_pki_import_privkey_base64(pem.c_str(), nullptr, nullptr, nullptr,
                                                       &imported);
      OPENSSL_cleanse(&pem[0], pem.size());
      if (result == SSH_OK) return true;
    }
  }
  return ssh_pki_import_privkey_file(file.path.c_str(), nullptr, nullptr, nullptr, &imported) ==
         SSH_OK;
}

}  // namespace

std::vector<HostKeyFile> host_key_files(const DaemonSettings& settings) {
  const auto in_folder = [&settings](const std::string& name) {
    return utils::path_combine(settings.keyFolder, name);
  };
  return {
      {"RSA", in_folder(settings.rsaKey), {SSH_KEYTYPE_RSA}, false},
      {"DSA", in_folder(settings.dsaKey), {SSH_KEYTYPE_DSS}, false},
      {"ECDSA",
       in_folder(settings.ecdsaKey),
       {SSH_KEYTYPE_ECDSA_P256, SSH_KEYTYPE_ECDSA_P384, SSH_KEYTYPE_ECDSA_P521},
       true},
      {"Ed25519", in_folder(settings.ed25519Key), {SSH_KEYTYPE_ED25519}, true},
  };
}

utils::SshKey import_host_key(const HostKeyFile& file, std::string& problem) {
  problem.clear();
  struct stat info;
  if (stat(file.path.c_str(), &info) != 0) {
    if (!(file.optional && errno == ENOENT)) problem = std::strerror(errno);
    return nullptr;
  }
  ssh_key imported = nullptr;
  const bool readable = import_key_file(file, imported);
  utils::SshKey key(imported);
  if (!readable) {
    problem = "not a readable private key";
    return nullptr;
  }
  if (std::find(file.types.begin(), file.types.end(), ssh_key_type(key.get())) ==
      file.types.end()) {
    problem = "the key is not of type " + file.name;
    return nullptr;
  }
  return key;
}

bool load_host_keys(ssh_bind bind, const std::vector<HostKeyFile>& files) {
  bool any = false;
  for (const HostKeyFile& file : files) {
    std::string reason;
    utils::SshKey key = import_host_key(file, reason);
    if (key) {
      if (ssh_bind_options_set(bind, SSH_BIND_OPTIONS_IMPORT_KEY, key.get()) == SSH_OK) {
        key.release();
        any = true;
        continue;
      }
      reason = ssh_get_error(bind);
    }
    if (!reason.empty()) {
      QLOG_WARN("Can not load " + file.name + " host key " + file.path + ": " + reason);
    }
  }
  return any;
}
