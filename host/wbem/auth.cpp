// auth.cpp: password file, PBKDF2-SHA256 hashes and Basic credentials.
#include "host/wbem/auth.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include "host/cim/cim_model.h"

namespace zubwbem {
namespace {

constexpr unsigned kIterations = 100000;
constexpr size_t kSaltBytes = 16;
constexpr size_t kHashBytes = 32;
const char* const kScheme = "pbkdf2-sha256";

std::optional<std::string> Pbkdf2(const std::string& password, const std::string& salt, unsigned iterations) {
  std::string out(kHashBytes, '\0');
  if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()),
                        reinterpret_cast<const unsigned char*>(salt.data()), static_cast<int>(salt.size()),
                        static_cast<int>(iterations), EVP_sha256(), static_cast<int>(out.size()),
                        reinterpret_cast<unsigned char*>(out.data())) != 1)
    return std::nullopt;
  return out;
}

std::string Sha256(const std::string& text) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  EVP_Digest(text.data(), text.size(), digest, &size, EVP_sha256(), nullptr);
  return std::string(reinterpret_cast<char*>(digest), size);
}

std::vector<std::string> Split(const std::string& line, char sep) {
  std::vector<std::string> parts;
  std::stringstream in(line);
  std::string part;
  while (std::getline(in, part, sep)) parts.push_back(part);
  return parts;
}

}  // namespace

std::string Base64Encode(const std::string& bytes) {
  std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
  int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                          reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
  out.resize(static_cast<size_t>(n));
  return out;
}

std::optional<std::string> Base64Decode(const std::string& text) {
  if (text.empty()) return std::string();
  if (text.size() % 4 != 0) return std::nullopt;
  std::string out(text.size() / 4 * 3, '\0');
  int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                          reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
  if (n < 0) return std::nullopt;
  size_t size = static_cast<size_t>(n);
  // EVP_DecodeBlock counts the padding as zero bytes.
  for (size_t i = text.size(); i > 0 && text[i - 1] == '=' && size > 0; --i) --size;
  out.resize(size);
  return out;
}

std::optional<Authenticator> Authenticator::Load(const std::string& path, std::string* error) {
  std::ifstream file(path);
  if (!file) {
    *error = "cannot read the password file " + path;
    return std::nullopt;
  }
  Authenticator auth;
  std::string line;
  for (int number = 1; std::getline(file, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> f = Split(line, ':');
    std::optional<std::string> salt = f.size() == 5 ? Base64Decode(f[3]) : std::nullopt;
    std::optional<std::string> hash = f.size() == 5 ? Base64Decode(f[4]) : std::nullopt;
    unsigned long iterations = f.size() == 5 ? std::strtoul(f[2].c_str(), nullptr, 10) : 0;
    if (f.size() != 5 || f[0].empty() || f[1] != kScheme || !salt || !hash || hash->size() != kHashBytes ||
        iterations == 0 || iterations > 10000000) {
      *error = path + ":" + std::to_string(number) + ": expected user:" + kScheme + ":ITERATIONS:SALT:HASH";
      return std::nullopt;
    }
    auth.m_users[f[0]] = Entry{static_cast<unsigned>(iterations), *salt, *hash};
  }
  if (auth.m_users.empty()) {
    *error = "the password file " + path + " names no user";
    return std::nullopt;
  }
  return auth;
}

bool Authenticator::Check(const std::string& authorization) const {
  if (authorization.size() < 6 || !EqualsNoCase(authorization.substr(0, 6), "Basic ")) return false;
  const std::string digest = Sha256(authorization);
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_passed.count(digest)) return true;
  }
  std::string encoded = authorization.substr(6);
  while (!encoded.empty() && encoded.front() == ' ') encoded.erase(0, 1);
  std::optional<std::string> credentials = Base64Decode(encoded);
  if (!credentials) return false;
  size_t colon = credentials->find(':');
  if (colon == std::string::npos) return false;
  auto user = m_users.find(credentials->substr(0, colon));
  if (user == m_users.end()) return false;
  std::optional<std::string> hash = Pbkdf2(credentials->substr(colon + 1), user->second.salt, user->second.iterations);
  if (!hash || CRYPTO_memcmp(hash->data(), user->second.hash.data(), kHashBytes) != 0) return false;
  std::lock_guard<std::mutex> lock(m_mutex);
  m_passed.insert(digest);
  return true;
}

bool WritePassword(const std::string& path, const std::string& user, const std::string& password, std::string* error) {
  if (user.empty() || user.find_first_of(":\n\r") != std::string::npos) {
    *error = "a user name must not be empty or hold ':' or a line break";
    return false;
  }
  std::string salt(kSaltBytes, '\0');
  if (RAND_bytes(reinterpret_cast<unsigned char*>(salt.data()), static_cast<int>(salt.size())) != 1) {
    *error = "no random bytes for the salt";
    return false;
  }
  std::optional<std::string> hash = Pbkdf2(password, salt, kIterations);
  if (!hash) {
    *error = "hashing the password failed";
    return false;
  }
  std::vector<std::string> lines;
  if (std::ifstream in(path); in) {
    for (std::string line; std::getline(in, line);) {
      if (line.rfind(user + ":", 0) != 0) lines.push_back(line);
    }
  }
  lines.push_back(user + ":" + kScheme + ":" + std::to_string(kIterations) + ":" + Base64Encode(salt) + ":" +
                  Base64Encode(*hash));
  std::ofstream out(path, std::ios::trunc);
  if (!out) {
    *error = "cannot write " + path;
    return false;
  }
  std::error_code ignored;
  std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::replace, ignored);
  for (const std::string& line : lines) out << line << '\n';
  out.close();
  if (!out) {
    *error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace zubwbem
