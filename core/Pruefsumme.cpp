#include "Pruefsumme.h"

#include <openssl/evp.h>

#include <algorithm>
#include <system_error>

namespace zorta {

namespace {

std::string alsHex(const unsigned char* summe, std::size_t laenge) {
    static constexpr char kZiffern[] = "0123456789abcdef";
    std::string hex;
    for (std::size_t i = 0; i < laenge; ++i) {
        hex.push_back(kZiffern[summe[i] >> 4]);
        hex.push_back(kZiffern[summe[i] & 0xf]);
    }
    return hex;
}

}  // namespace

Pruefsumme::Pruefsumme(std::size_t blockgroesse, std::size_t bloecke, bool stueckweise)
    : blockgroesse_(blockgroesse),
      laengen_(std::max<std::size_t>(bloecke, 2)),
      enden_(laengen_.size()) {
    for (std::size_t i = 0; i < laengen_.size(); ++i) {
        puffer_.push_back(std::make_unique<char[]>(blockgroesse_));
    }
    if (stueckweise) {
        paar_ = std::make_unique<Sha256Paar>();
        ok_ = paar_->ok();
    } else {
        ctx_ = EVP_MD_CTX_new();
        ok_ = ctx_ != nullptr && EVP_DigestInit_ex(ctx_, EVP_sha256(), nullptr) == 1;
    }
    try {
        rechner_ = std::thread([this] { rechnen(); });
    } catch (const std::system_error&) {
        selbst_ = true;  // slower, but a checksum all the same
    }
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
    EVP_MD_CTX_free(ctx_);
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

void Pruefsumme::einspeisen(std::size_t n, bool stueckEnde) {
    const std::size_t slot = eingespeist_ % laengen_.size();
    n = std::min(n, blockgroesse_);
    if (selbst_) {
        block(puffer_[slot].get(), n, stueckEnde);
        ++eingespeist_;
        ++gerechnet_;
        return;
    }
    {
        std::lock_guard<std::mutex> sperre(m_);
        laengen_[slot] = n;
        enden_[slot] = stueckEnde;
        ++eingespeist_;
    }
    cv_.notify_all();
}

void Pruefsumme::rechnen() {
    std::unique_lock<std::mutex> sperre(m_);
    for (;;) {
        cv_.wait(sperre, [&] { return verwerfen_ || ende_ || gerechnet_ < eingespeist_; });
        if (verwerfen_ || gerechnet_ == eingespeist_)
            return;  // dropped, or ended with everything in
        const std::size_t slot = gerechnet_ % puffer_.size();
        const char* daten = puffer_[slot].get();
        const std::size_t n = laengen_[slot];
        const bool stueckEnde = enden_[slot];
        sperre.unlock();
        block(daten, n, stueckEnde);
        sperre.lock();
        ++gerechnet_;
        cv_.notify_all();
    }
}

// In the hashing thread, or in the caller's when there is none; a piece's
// sum is appended under the lock.
void Pruefsumme::block(const char* daten, std::size_t n, bool stueckEnde) {
    if (!paar_) {
        ok_ = ok_ && EVP_DigestUpdate(ctx_, daten, n) == 1;
        return;
    }
    paar_->fuettern(reinterpret_cast<const unsigned char*>(daten), n);
    if (stueckEnde) {
        Sha256Paar::Summe summe;
        paar_->stueckAbschliessen(&summe);
        std::lock_guard<std::mutex> sperre(m_);
        stueckSummen_.push_back(summe);
        stueckFehler_ = stueckFehler_ || !paar_->ok();
    }
}

Fehler Pruefsumme::ergebnis(std::string* hex) {
    if (rechner_.joinable()) {
        {
            std::lock_guard<std::mutex> sperre(m_);
            ende_ = true;
        }
        cv_.notify_all();
        rechner_.join();
    }
    unsigned char summe[EVP_MAX_MD_SIZE];
    unsigned int laenge = 32;
    if (paar_) {
        Sha256Paar::Summe ganz;
        paar_->ganzAbschliessen(&ganz);
        std::copy(ganz.begin(), ganz.end(), summe);
        ok_ = paar_->ok();
    } else {
        ok_ = ok_ && EVP_DigestFinal_ex(ctx_, summe, &laenge) == 1 && laenge == 32;
    }
    if (!ok_)
        return Fehler::nummer(fehlernr::UnzulaessigerAufruf);
    *hex = alsHex(summe, laenge);
    return {};
}

Fehler Pruefsumme::stueckErgebnis(std::size_t k, std::string* hex) {
    Sha256Paar::Summe summe{};
    {
        std::unique_lock<std::mutex> sperre(m_);
        cv_.wait(sperre, [&] { return stueckSummen_.size() > k || !paar_ || ende_ || verwerfen_; });
        if (stueckSummen_.size() <= k || stueckFehler_)
            return Fehler::nummer(fehlernr::UnzulaessigerAufruf);
        summe = stueckSummen_[k];
    }
    *hex = alsHex(summe.data(), summe.size());
    return {};
}

}  // namespace zorta
