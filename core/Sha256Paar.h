#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

struct evp_md_ctx_st;  // libcrypto's EVP_MD_CTX

namespace zorta {

// Two SHA-256 sums of one byte stream at once: of the whole stream and of
// the piece of it fed since the last stueckAbschliessen(). Where the
// processor has SHA instructions the two are computed in one pass with their
// rounds interleaved, which costs about 1.3 times one sum instead of twice;
// elsewhere libcrypto computes them one after the other.
class Sha256Paar {
  public:
    using Summe = std::array<unsigned char, 32>;

    Sha256Paar();
    ~Sha256Paar();
    Sha256Paar(const Sha256Paar&) = delete;
    Sha256Paar& operator=(const Sha256Paar&) = delete;

    // False once libcrypto refused; the sums are then worthless.
    bool ok() const { return ok_; }
    void fuettern(const unsigned char* daten, std::size_t n);
    // The piece's sum; the next byte fed begins a new piece.
    void stueckAbschliessen(Summe* summe);
    // The whole stream's sum; nothing may be fed afterwards.
    void ganzAbschliessen(Summe* summe);

    // True where the processor's SHA instructions are used (for tests).
    static bool mitBefehlen();

  private:
    struct Stand {
        std::uint32_t h[8];
        unsigned char rest[64];
        std::size_t restLaenge = 0;
        std::uint64_t laenge = 0;
    };
    static void beginnen(Stand& s);
    static void abschliessen(Stand& s, Summe* summe);

    bool befehle_;
    bool ok_ = true;
    Stand ganz_{}, stueck_{};
    evp_md_ctx_st* ganzCtx_ = nullptr;  // without the instructions
    evp_md_ctx_st* stueckCtx_ = nullptr;
};

}  // namespace zorta
