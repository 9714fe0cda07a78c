// Who may use the server: people by HTTP basic authentication against a
// password file of argon2id hashes, inventory agents by a shared token or
// by their address.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

// The password file: one "user:hash" line per user, the hash in argon2id's
// encoded form ("$argon2id$v=19$m=...,t=...,p=...$salt$hash"). Thread-safe.
class PasswordFile {
public:
    // Reads `path`. False with `error` set for a file that cannot be read or a
    // line that is not "user:$argon2id$...".
    bool Load(const std::string& path, std::string& error);
    bool Empty() const { return m_users.empty(); }

    // Whether the Authorization header's basic credentials name a user of the
    // file with the right password. Verifying a hash costs tens of
    // milliseconds and megabytes by design, so a credential verified once is
    // remembered (as a keyed digest, never as the password) for the
    // process's life, and only a few are verified at once, however many
    // clients send new ones.
    bool Admits(const std::string& authorization, std::string& user) const;

private:
    std::vector<std::pair<std::string, std::string>> m_users;  // name, encoded hash
    mutable std::mutex m_mutex;
    mutable std::unordered_set<std::string> m_verified;  // digests of good headers
    mutable std::condition_variable m_verifierFree;
    mutable int m_verifying = 0;
    std::string m_key = RandomKey();
    static std::string RandomKey();
};

// Adds or replaces USER's line in the password file at `path` (created with
// mode 0600 when missing), the password hashed with argon2id and a random
// salt. The file is replaced whole. False with `error` set.
bool SetPassword(const std::string& path, const std::string& user, const std::string& password,
                 std::string& error);

// An IPv4 or IPv6 network ("192.168.1.0/24", "10.1.2.3", "::1", "fd00::/8").
struct AddressRange {
    int family = 0;  // AF_INET or AF_INET6
    uint8_t bytes[16] = {};
    int prefix = 0;  // bits
};
bool ParseAddressRange(const std::string& text, AddressRange& range);
bool InRange(const std::string& address, const AddressRange& range);

struct AccessRules {
    std::shared_ptr<const PasswordFile> users;  // null: the pages are open
    std::string agentToken;                     // "": agents need none
    std::vector<AddressRange> agentAddresses;   // empty: any address
};

// The user and password of a "Basic ..." header. False when it is not one.
bool ReadBasicCredentials(const std::string& authorization, std::string& user,
                          std::string& password);

// Whether `address` is one agents may post from (any, without a list).
bool AgentAddressAllowed(const AccessRules& rules, const std::string& address);

// Whether an agent's POST is let in: from an allowed address, and with the
// token (as its basic-authentication password, or the query's `token`) when
// one is set. Without either, when the pages need a password, the agent
// needs a user of the password file.
bool AgentAdmitted(const AccessRules& rules, const std::string& address,
                   const std::string& authorization, const std::string& queryToken);
