#include "server/auth/passwords.h"

#include <mutex>
#include <sodium.h>
#include <stdexcept>

namespace dieta::server::auth {

namespace {

void initSodium() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (sodium_init() < 0)
            throw std::runtime_error("libsodium could not be initialised");
    });
}

} // namespace

QString hashPassword(const QString& password, PasswordCost cost) {
    initSodium();
    const QByteArray utf8 = password.toUtf8();
    const bool minimal = cost == PasswordCost::Minimal;
    char encoded[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str_alg(
            encoded, utf8.constData(), quint64(utf8.size()),
            minimal ? crypto_pwhash_OPSLIMIT_MIN : crypto_pwhash_OPSLIMIT_INTERACTIVE,
            minimal ? crypto_pwhash_MEMLIMIT_MIN : crypto_pwhash_MEMLIMIT_INTERACTIVE,
            crypto_pwhash_ALG_ARGON2ID13) != 0)
        throw std::runtime_error("password hashing ran out of memory");
    return QString::fromLatin1(encoded);
}

bool verifyPassword(const QString& encodedHash, const QString& password) {
    initSodium();
    const QByteArray hash = encodedHash.toLatin1();
    if (hash.isEmpty() || hash.size() >= crypto_pwhash_STRBYTES)
        return false;
    const QByteArray utf8 = password.toUtf8();
    return crypto_pwhash_str_verify(hash.constData(), utf8.constData(), quint64(utf8.size())) == 0;
}

QString randomSecret(int bytes) {
    initSodium();
    QByteArray raw(bytes, Qt::Uninitialized);
    randombytes_buf(raw.data(), size_t(raw.size()));
    return QString::fromLatin1(
        raw.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

QString newSessionToken() {
    return randomSecret(32);
}

QString tokenDigest(const QString& token) {
    initSodium();
    const QByteArray bytes = token.toUtf8();
    unsigned char digest[32];
    crypto_generichash(digest, sizeof digest, reinterpret_cast<const unsigned char*>(bytes.data()),
                       quint64(bytes.size()), nullptr, 0);
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(digest), sizeof digest).toHex());
}

} // namespace dieta::server::auth
