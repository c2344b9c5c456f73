#include "worker/host_key.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "utils/ssh_handles.h"

std::string host_key_problem(const std::string& path, ssh_keytypes_e type,
                             const std::string& type_name) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return std::strerror(errno);
  ssh_key imported = nullptr;
  const bool readable =
      ssh_pki_import_privkey_file(path.c_str(), nullptr, nullptr, nullptr, &imported) == SSH_OK;
  const utils::SshKey key(imported);
  if (!readable) return "not a readable private key";
  if (ssh_key_type(key.get()) != type) return "the key is not of type " + type_name;
  return "";
}
