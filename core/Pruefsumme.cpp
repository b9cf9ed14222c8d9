#include "Pruefsumme.h"

#include <openssl/evp.h>

#include <algorithm>

namespace zorta {

Pruefsumme::Pruefsumme(std::size_t blockgroesse, std::size_t bloecke)
    : blockgroesse_(blockgroesse), laengen_(std::max<std::size_t>(bloecke, 2)) {
    for (std::size_t i = 0; i < laengen_.size(); ++i) {
        puffer_.push_back(std::make_unique<char[]>(blockgroesse_));
    }
    rechner_ = std::thread([this] { rechnen(); });
}

Pruefsumme::~Pruefsumme() {
    if (rechner_.joinable()) {
        {
            std::lock_guard<std::mutex> sperre(m_);
            verwerfen_ = true;
        }
        cv_.notify_all();
        rechner_.join();
    }
}

char* Pruefsumme::puffer() {
    const std::size_t k = puffer_.size();
    {
        // The slot is free once the block that used it last is hashed.
        std::unique_lock<std::mutex> sperre(m_);
        cv_.wait(sperre, [&] { return gerechnet_ + k > ausgegeben_; });
    }
    return puffer_[ausgegeben_++ % k].get();
}

void Pruefsumme::einspeisen(std::size_t n) {
    {
        std::lock_guard<std::mutex> sperre(m_);
        laengen_[eingespeist_ % laengen_.size()] = std::min(n, blockgroesse_);
        ++eingespeist_;
    }
    cv_.notify_all();
}

void Pruefsumme::rechnen() {
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    bool ok = ctx != nullptr && EVP_DigestInit_ex(ctx, EVP_sha256(), nullptr) == 1;
    std::unique_lock<std::mutex> sperre(m_);
    for (;;) {
        cv_.wait(sperre, [&] { return verwerfen_ || ende_ || gerechnet_ < eingespeist_; });
        if (verwerfen_)
            break;
        if (gerechnet_ == eingespeist_) {  // ended, and everything is in
            unsigned int laenge = 0;
            ok = ok && EVP_DigestFinal_ex(ctx, summe_, &laenge) == 1 && laenge == sizeof summe_;
            gescheitert_ = !ok;
            break;
        }
        const std::size_t slot = gerechnet_ % puffer_.size();
        const char* daten = puffer_[slot].get();
        const std::size_t n = laengen_[slot];
        sperre.unlock();
        ok = ok && EVP_DigestUpdate(ctx, daten, n) == 1;
        sperre.lock();
        ++gerechnet_;
        cv_.notify_all();
    }
    sperre.unlock();
    EVP_MD_CTX_free(ctx);
}

Fehler Pruefsumme::ergebnis(std::string* hex) {
    {
        std::lock_guard<std::mutex> sperre(m_);
        ende_ = true;
    }
    cv_.notify_all();
    if (rechner_.joinable())
        rechner_.join();
    if (gescheitert_)
        return Fehler::nummer(fehlernr::UnzulaessigerAufruf);
    static constexpr char kZiffern[] = "0123456789abcdef";
    hex->clear();
    for (const unsigned char b : summe_) {
        hex->push_back(kZiffern[b >> 4]);
        hex->push_back(kZiffern[b & 0xf]);
    }
    return {};
}

}  // namespace zorta
