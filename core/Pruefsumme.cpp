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
      stroeme_(stueckweise ? 2 : 1),
      laengen_(std::max<std::size_t>(bloecke, 2)),
      enden_(laengen_.size()) {
    for (std::size_t i = 0; i < laengen_.size(); ++i) {
        puffer_.push_back(std::make_unique<char[]>(blockgroesse_));
    }
    ok_ = true;
    for (std::size_t s = 0; s < stroeme_; ++s) {
        ctx_[s] = EVP_MD_CTX_new();
        ok_ = ok_ && ctx_[s] != nullptr && EVP_DigestInit_ex(ctx_[s], EVP_sha256(), nullptr) == 1;
    }
    try {
        for (std::size_t s = 0; s < stroeme_; ++s)
            rechner_[s] = std::thread([this, s] { rechnen(s); });
    } catch (const std::system_error&) {
        // Slower, but checksums all the same; nothing has been fed in yet.
        anhalten(true);
        selbst_ = true;
    }
}

Pruefsumme::~Pruefsumme() {
    anhalten(true);
    for (evp_md_ctx_st* ctx : ctx_) EVP_MD_CTX_free(ctx);
}

void Pruefsumme::anhalten(bool verwerfen) {
    {
        std::lock_guard<std::mutex> sperre(m_);
        (verwerfen ? verwerfen_ : ende_) = true;
    }
    cv_.notify_all();
    for (std::thread& t : rechner_) {
        if (t.joinable())
            t.join();
    }
    std::lock_guard<std::mutex> sperre(m_);
    verwerfen_ = false;
}

std::size_t Pruefsumme::gerechnetAlle() const {
    return stroeme_ == 1 ? gerechnet_[Ganz] : std::min(gerechnet_[Ganz], gerechnet_[Stueck]);
}

char* Pruefsumme::puffer() {
    const std::size_t k = puffer_.size();
    {
        // The slot is free once every stream has hashed the block that used it last.
        std::unique_lock<std::mutex> sperre(m_);
        cv_.wait(sperre, [&] { return gerechnetAlle() + k > ausgegeben_; });
    }
    return puffer_[ausgegeben_++ % k].get();
}

void Pruefsumme::einspeisen(std::size_t n, bool stueckEnde) {
    const std::size_t slot = eingespeist_ % laengen_.size();
    n = std::min(n, blockgroesse_);
    if (selbst_) {
        for (std::size_t s = 0; s < stroeme_; ++s) {
            block(s, puffer_[slot].get(), n, stueckEnde);
            ++gerechnet_[s];
        }
        ++eingespeist_;
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

void Pruefsumme::rechnen(std::size_t strom) {
    std::unique_lock<std::mutex> sperre(m_);
    for (;;) {
        cv_.wait(sperre, [&] { return verwerfen_ || ende_ || gerechnet_[strom] < eingespeist_; });
        if (verwerfen_ || gerechnet_[strom] == eingespeist_)
            return;  // dropped, or ended with everything in
        const std::size_t slot = gerechnet_[strom] % puffer_.size();
        const char* daten = puffer_[slot].get();
        const std::size_t n = laengen_[slot];
        const bool stueckEnde = enden_[slot];
        sperre.unlock();
        block(strom, daten, n, stueckEnde);
        sperre.lock();
        ++gerechnet_[strom];
        cv_.notify_all();
    }
}

// In the stream's hashing thread, or in the caller's when there is none; a
// piece's sum is appended under the lock.
void Pruefsumme::block(std::size_t strom, const char* daten, std::size_t n, bool stueckEnde) {
    if (strom == Ganz) {
        ok_ = ok_ && EVP_DigestUpdate(ctx_[Ganz], daten, n) == 1;
        return;
    }
    evp_md_ctx_st* ctx = ctx_[Stueck];
    bool gut = EVP_DigestUpdate(ctx, daten, n) == 1;
    if (!stueckEnde) {
        if (!gut) {
            std::lock_guard<std::mutex> sperre(m_);
            stueckFehler_ = true;
        }
        return;
    }
    unsigned char summe[EVP_MAX_MD_SIZE];
    unsigned int laenge = 0;
    gut = gut && EVP_DigestFinal_ex(ctx, summe, &laenge) == 1 && laenge == 32 &&
          EVP_DigestInit_ex(ctx, EVP_sha256(), nullptr) == 1;
    std::lock_guard<std::mutex> sperre(m_);
    stueckSummen_.push_back(gut ? alsHex(summe, laenge) : std::string());
    stueckFehler_ = stueckFehler_ || !gut;
}

Fehler Pruefsumme::ergebnis(std::string* hex) {
    anhalten(false);
    unsigned char summe[EVP_MAX_MD_SIZE];
    unsigned int laenge = 0;
    ok_ = ok_ && EVP_DigestFinal_ex(ctx_[Ganz], summe, &laenge) == 1 && laenge == 32;
    if (!ok_)
        return Fehler::nummer(fehlernr::UnzulaessigerAufruf);
    *hex = alsHex(summe, laenge);
    return {};
}

Fehler Pruefsumme::stueckErgebnis(std::size_t k, std::string* hex) {
    std::unique_lock<std::mutex> sperre(m_);
    cv_.wait(sperre,
             [&] { return stueckSummen_.size() > k || stroeme_ == 1 || ende_ || verwerfen_; });
    if (stueckSummen_.size() <= k || stueckFehler_)
        return Fehler::nummer(fehlernr::UnzulaessigerAufruf);
    *hex = stueckSummen_[k];
    return {};
}

}  // namespace zorta
