// auth.h: HTTP Basic authentication against a password file. Each line is
//   user:pbkdf2-sha256:ITERATIONS:SALT:HASH
// (salt and hash in base64); '#' starts a comment line. `zubcim passwd`
// writes it.
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>

namespace zubwbem {

class Authenticator {
 public:
  // Reads the file; on failure returns nothing and sets *error to one line.
  static std::optional<Authenticator> Load(const std::string& path, std::string* error);

  // Whether an Authorization header value carries a known user and its
  // password. Passwords that passed once are remembered (as a digest of the
  // header), so the slow hash runs once per login, not per request.
  bool Check(const std::string& authorization) const;

  Authenticator(const Authenticator& other) : m_users(other.m_users) {}

 private:
  Authenticator() = default;
  struct Entry {
    unsigned iterations;
    std::string salt;
    std::string hash;
  };
  std::map<std::string, Entry> m_users;
  mutable std::mutex m_mutex;
  mutable std::set<std::string> m_passed;
};

// Adds or replaces the line of `user` in the file (created with owner-only
// permissions). False with *error on failure.
bool WritePassword(const std::string& path, const std::string& user, const std::string& password, std::string* error);

// Base64 as HTTP Basic uses it; decoding returns nothing for bad input.
std::string Base64Encode(const std::string& bytes);
std::optional<std::string> Base64Decode(const std::string& text);

}  // namespace zubwbem
