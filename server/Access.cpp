#include "server/Access.h"

#include <arpa/inet.h>
#include <argon2.h>
#include <fcntl.h>
#include <nettle/base64.h>
#include <nettle/hmac.h>
#include <nettle/memops.h>
#include <sys/random.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "host/Output.h"

namespace {

// OWASP's argon2id minimum: 19 MiB, two passes, one lane.
constexpr uint32_t kTimeCost = 2;
constexpr uint32_t kMemoryKiB = 19 * 1024;
constexpr uint32_t kLanes = 1;
constexpr size_t kSaltBytes = 16;
constexpr size_t kHashBytes = 32;
// Enough for every user of a small team; a flood of new credentials only
// costs verifications, not memory.
constexpr size_t kMaxRemembered = 256;
// Verifications at once: their memory, not the clients connected, bounds
// what a flood of wrong passwords costs.
constexpr int kMaxVerifying = 4;

bool ValidUserName(const std::string& user) {
    if (user.empty() || user.size() > 64) return false;
    for (unsigned char c : user)
        if (c < 0x21 || c == ':' || c == 0x7F) return false;
    return true;
}

bool EqualInConstantTime(const std::string& a, const std::string& b) {
    return a.size() == b.size() && memeql_sec(a.data(), b.data(), a.size());
}

}  // namespace

std::string PasswordFile::RandomKey() {
    std::string key(32, '\0');
    if (getrandom(&key[0], key.size(), 0) != static_cast<ssize_t>(key.size()))
        throw std::runtime_error("no random bytes for the credential cache");
    return key;
}

bool PasswordFile::Load(const std::string& path, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read the password file " + path + ": " + strerror(errno);
        return false;
    }
    m_users.clear();
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (line.empty() || line[0] == '#') continue;
        const size_t colon = line.find(':');
        if (colon == std::string::npos || !ValidUserName(line.substr(0, colon)) ||
            line.compare(colon + 1, 10, "$argon2id$") != 0) {
            error = path + " line " + std::to_string(number) +
                    ": not \"user:$argon2id$...\" (hwconsole passwd writes such lines)";
            return false;
        }
        m_users.emplace_back(line.substr(0, colon), line.substr(colon + 1));
    }
    return true;
}

bool PasswordFile::Admits(const std::string& authorization, std::string& user) const {
    std::string password;
    if (!ReadBasicCredentials(authorization, user, password)) return false;
    uint8_t digest[SHA256_DIGEST_SIZE];
    hmac_sha256_ctx hmac;
    hmac_sha256_set_key(&hmac, m_key.size(), reinterpret_cast<const uint8_t*>(m_key.data()));
    hmac_sha256_update(&hmac, authorization.size(),
                       reinterpret_cast<const uint8_t*>(authorization.data()));
    hmac_sha256_digest(&hmac, sizeof digest, digest);
    const std::string key(reinterpret_cast<const char*>(digest), sizeof digest);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_verified.count(key)) return true;
    }
    for (const auto& entry : m_users) {
        if (entry.first != user) continue;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_verifierFree.wait(lock, [this] { return m_verifying < kMaxVerifying; });
            ++m_verifying;
        }
        const int verified =
            argon2id_verify(entry.second.c_str(), password.data(), password.size());
        std::lock_guard<std::mutex> lock(m_mutex);
        --m_verifying;
        m_verifierFree.notify_one();
        if (verified != ARGON2_OK) return false;
        if (m_verified.size() >= kMaxRemembered) m_verified.clear();
        m_verified.insert(key);
        return true;
    }
    return false;
}

bool SetPassword(const std::string& path, const std::string& user, const std::string& password,
                 std::string& error) {
    if (!ValidUserName(user)) {
        error = "a user name is 1 to 64 visible characters without ':'";
        return false;
    }
    if (password.empty()) {
        error = "the password is empty";
        return false;
    }
    uint8_t salt[kSaltBytes];
    if (getrandom(salt, sizeof salt, 0) != static_cast<ssize_t>(sizeof salt)) {
        error = std::string("no random bytes for the salt: ") + strerror(errno);
        return false;
    }
    std::string encoded(
        argon2_encodedlen(kTimeCost, kMemoryKiB, kLanes, kSaltBytes, kHashBytes, Argon2_id), '\0');
    const int rc = argon2id_hash_encoded(kTimeCost, kMemoryKiB, kLanes, password.data(),
                                         password.size(), salt, sizeof salt, kHashBytes,
                                         &encoded[0], encoded.size());
    if (rc != ARGON2_OK) {
        error = std::string("cannot hash the password: ") + argon2_error_message(rc);
        return false;
    }
    encoded.resize(strlen(encoded.c_str()));

    // A new file is made private first; replacing it keeps that mode.
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) close(fd);
    std::ifstream in(path);
    if (!in) {
        error = "cannot read " + path + ": " + strerror(errno);
        return false;
    }
    std::ostringstream out;
    std::string line;
    bool replaced = false;
    while (std::getline(in, line)) {
        if (line.compare(0, user.size() + 1, user + ":") == 0) {
            if (replaced) continue;
            line = user + ":" + encoded;
            replaced = true;
        }
        out << line << '\n';
    }
    if (!replaced) out << user << ':' << encoded << '\n';
    return WriteFileAtomically(path, out.str(), error);
}

bool ReadBasicCredentials(const std::string& authorization, std::string& user,
                          std::string& password) {
    if (authorization.size() < 7 || strncasecmp(authorization.c_str(), "Basic ", 6) != 0)
        return false;
    std::string encoded = authorization.substr(6);
    while (!encoded.empty() && encoded.front() == ' ') encoded.erase(0, 1);
    if (encoded.empty() || encoded.size() > 1024) return false;
    std::string decoded(BASE64_DECODE_LENGTH(encoded.size()), '\0');
    base64_decode_ctx ctx;
    base64_decode_init(&ctx);
    size_t length = 0;
    if (!base64_decode_update(&ctx, &length, reinterpret_cast<uint8_t*>(&decoded[0]),
                              encoded.size(), encoded.data()) ||
        !base64_decode_final(&ctx))
        return false;
    decoded.resize(length);
    const size_t colon = decoded.find(':');
    if (colon == std::string::npos) return false;
    user = decoded.substr(0, colon);
    password = decoded.substr(colon + 1);
    return true;
}

bool ParseAddressRange(const std::string& text, AddressRange& range) {
    const size_t slash = text.find('/');
    const std::string address = text.substr(0, slash);
    range = AddressRange();
    if (inet_pton(AF_INET, address.c_str(), range.bytes) == 1) {
        range.family = AF_INET;
        range.prefix = 32;
    } else if (inet_pton(AF_INET6, address.c_str(), range.bytes) == 1) {
        range.family = AF_INET6;
        range.prefix = 128;
    } else {
        return false;
    }
    if (slash != std::string::npos) {
        const std::string bits = text.substr(slash + 1);
        if (bits.empty() || bits.size() > 3 ||
            bits.find_first_not_of("0123456789") != std::string::npos)
            return false;
        const int prefix = std::stoi(bits);
        if (prefix > range.prefix) return false;
        range.prefix = prefix;
    }
    return true;
}

bool InRange(const std::string& address, const AddressRange& range) {
    uint8_t bytes[16] = {};
    std::string plain = address;
    // An IPv4 client on a dual-stack socket arrives as ::ffff:a.b.c.d.
    if (range.family == AF_INET && plain.compare(0, 7, "::ffff:") == 0) plain.erase(0, 7);
    if (inet_pton(range.family, plain.c_str(), bytes) != 1) return false;
    for (int bit = 0; bit < range.prefix; ++bit) {
        const uint8_t mask = static_cast<uint8_t>(0x80 >> (bit % 8));
        if ((bytes[bit / 8] & mask) != (range.bytes[bit / 8] & mask)) return false;
    }
    return true;
}

bool AgentAddressAllowed(const AccessRules& rules, const std::string& address) {
    for (const AddressRange& range : rules.agentAddresses)
        if (InRange(address, range)) return true;
    return rules.agentAddresses.empty();
}

bool AgentAdmitted(const AccessRules& rules, const std::string& address,
                   const std::string& authorization, const std::string& queryToken) {
    if (!AgentAddressAllowed(rules, address)) return false;
    if (!rules.agentToken.empty()) {
        std::string user, password;
        if (ReadBasicCredentials(authorization, user, password) &&
            EqualInConstantTime(password, rules.agentToken))
            return true;
        return EqualInConstantTime(queryToken, rules.agentToken);
    }
    if (rules.agentAddresses.empty() && rules.users) {
        std::string user;
        return rules.users->Admits(authorization, user);
    }
    return true;
}
