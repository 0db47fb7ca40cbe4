#pragma once
// Operator passwords and session tokens, all through libsodium: passwords are kept only as
// salted Argon2id hashes (libsodium's encoded form, which carries its own salt and cost), and
// tokens are random bytes of which the database keeps only a digest.

#include <QByteArray>
#include <QString>

namespace dieta::server::auth {

// How much work a new hash costs. Standard is libsodium's "interactive" level (about 64 MiB
// and a few tens of milliseconds); Minimal exists for the throwaway databases of tests,
// which set hundreds of passwords.
enum class PasswordCost { Standard, Minimal };

// The encoded Argon2id hash of the password with a fresh random salt. Throws
// std::runtime_error when libsodium cannot work (out of memory).
QString hashPassword(const QString& password, PasswordCost cost = PasswordCost::Standard);

// Whether the password matches an encoded hash; false for an empty or malformed hash.
bool verifyPassword(const QString& encodedHash, const QString& password);

// A fresh random secret of `bytes` random bytes, base64url without padding.
QString randomSecret(int bytes);

// A session token: 256 random bits.
QString newSessionToken();

// The hex digest under which a token is stored (BLAKE2b, 256 bits): a leaked session table
// gives no usable token.
QString tokenDigest(const QString& token);

} // namespace dieta::server::auth
