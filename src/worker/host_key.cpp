#include "worker/host_key.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "utils/text.h"

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
  const bool readable = ssh_pki_import_privkey_file(file.path.c_str(), nullptr, nullptr, nullptr,
                                                    &imported) == SSH_OK;
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
