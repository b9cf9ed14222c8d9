#include "Hashwerk.h"

#include <openssl/evp.h>

namespace zorta {

namespace {

EVP_MD_CTX* ctx(void* k) {
    return static_cast<EVP_MD_CTX*>(k);
}

}  // namespace

Hashwerk::Hashwerk(bool eigenerFaden) : kontext_(EVP_MD_CTX_new()) {
    EVP_DigestInit_ex(ctx(kontext_), EVP_sha256(), nullptr);
    if (eigenerFaden)
        faden_ = std::thread([this] { arbeiten(); });
}

Hashwerk::~Hashwerk() {
    if (faden_.joinable()) {
        {
            std::unique_lock<std::mutex> sperre(mutex_);
            warten(sperre);
            ende_ = true;
        }
        cv_.notify_all();
        faden_.join();
    }
    EVP_MD_CTX_free(ctx(kontext_));
}

void Hashwerk::warten(std::unique_lock<std::mutex>& sperre) {
    cv_.wait(sperre, [this] { return block_ == nullptr; });
}

void Hashwerk::arbeiten() {
    std::unique_lock<std::mutex> sperre(mutex_);
    for (;;) {
        cv_.wait(sperre, [this] { return block_ != nullptr || ende_; });
        if (block_ == nullptr)
            return;
        const char* b = block_;
        const std::size_t n = laenge_;
        sperre.unlock();
        EVP_DigestUpdate(ctx(kontext_), b, n);
        sperre.lock();
        block_ = nullptr;
        cv_.notify_all();
    }
}

void Hashwerk::fuettern(const char* daten, std::size_t n) {
    if (n == 0)
        return;
    if (!faden_.joinable()) {
        EVP_DigestUpdate(ctx(kontext_), daten, n);
        return;
    }
    {
        std::unique_lock<std::mutex> sperre(mutex_);
        warten(sperre);
        block_ = daten;
        laenge_ = n;
    }
    cv_.notify_all();
}

std::string Hashwerk::hex() {
    if (faden_.joinable()) {
        std::unique_lock<std::mutex> sperre(mutex_);
        warten(sperre);
    }
    unsigned char wert[EVP_MAX_MD_SIZE];
    unsigned int laenge = 0;
    EVP_DigestFinal_ex(ctx(kontext_), wert, &laenge);
    static constexpr char ziffern[] = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < laenge; ++i) {
        text += ziffern[wert[i] >> 4];
        text += ziffern[wert[i] & 0xf];
    }
    return text;
}

}  // namespace zorta
