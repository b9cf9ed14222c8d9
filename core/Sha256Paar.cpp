#include "Sha256Paar.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cstring>

#if defined(__x86_64__)
#include <cpuid.h>
#include <immintrin.h>
#define ZORTA_SHA_BEFEHLE 1
#endif

namespace zorta {

namespace {

#ifdef ZORTA_SHA_BEFEHLE

alignas(16) constexpr std::uint32_t kK[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

#define ZORTA_SHA_ZIEL __attribute__((target("sha,sse4.1,ssse3")))

// The state in the order the instructions want it: ABEF and CDGH.
struct Spur {
    __m128i abef, cdgh;
};

ZORTA_SHA_ZIEL inline Spur laden(const std::uint32_t* h) {
    const __m128i dcba =
        _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(h)), 0xB1);
    const __m128i efgh =
        _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(h + 4)), 0x1B);
    return {_mm_alignr_epi8(dcba, efgh, 8), _mm_blend_epi16(efgh, dcba, 0xF0)};
}

ZORTA_SHA_ZIEL inline void speichern(const Spur& s, std::uint32_t* h) {
    const __m128i feba = _mm_shuffle_epi32(s.abef, 0x1B);
    const __m128i dchg = _mm_shuffle_epi32(s.cdgh, 0xB1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(h), _mm_blend_epi16(feba, dchg, 0xF0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(h + 4), _mm_alignr_epi8(dchg, feba, 8));
}

// `bloecke` blocks of 64 bytes from each of `spuren` streams; with two, the
// rounds of both alternate, so that each fills the other's waiting time.
template <int spuren>
ZORTA_SHA_ZIEL void verdichten(std::uint32_t* const h[], const unsigned char* const d[],
                               std::size_t bloecke) {
    const __m128i maske = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
    Spur s[spuren];
    const unsigned char* p[spuren];
    for (int i = 0; i < spuren; ++i) s[i] = laden(h[i]), p[i] = d[i];
    for (; bloecke > 0; --bloecke) {
        Spur vorher[spuren];
        __m128i w[spuren][4];
#pragma GCC unroll 16
        for (int k = 0; k < 16; ++k) {
            const __m128i konstante = _mm_load_si128(reinterpret_cast<const __m128i*>(kK + 4 * k));
#pragma GCC unroll 2
            for (int i = 0; i < spuren; ++i) {
                if (k == 0)
                    vorher[i] = s[i];
                __m128i x;
                if (k < 4) {
                    x = _mm_shuffle_epi8(
                        _mm_loadu_si128(reinterpret_cast<const __m128i*>(p[i] + 16 * k)), maske);
                } else {
                    // W[t] from W[t-16], W[t-15], W[t-7] and W[t-2], four at a time.
                    const __m128i* v = w[i];
                    x = _mm_sha256msg2_epu32(
                        _mm_add_epi32(_mm_sha256msg1_epu32(v[k & 3], v[(k + 1) & 3]),
                                      _mm_alignr_epi8(v[(k + 3) & 3], v[(k + 2) & 3], 4)),
                        v[(k + 3) & 3]);
                }
                w[i][k & 3] = x;
                const __m128i m = _mm_add_epi32(x, konstante);
                s[i].cdgh = _mm_sha256rnds2_epu32(s[i].cdgh, s[i].abef, m);
                s[i].abef = _mm_sha256rnds2_epu32(s[i].abef, s[i].cdgh, _mm_shuffle_epi32(m, 0x0E));
            }
        }
        for (int i = 0; i < spuren; ++i) {
            s[i].abef = _mm_add_epi32(s[i].abef, vorher[i].abef);
            s[i].cdgh = _mm_add_epi32(s[i].cdgh, vorher[i].cdgh);
            p[i] += 64;
        }
    }
    for (int i = 0; i < spuren; ++i) speichern(s[i], h[i]);
}

bool befehleDa() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_SSSE3) || !(c & bit_SSE4_1))
        return false;
    return __get_cpuid_count(7, 0, &a, &b, &c, &d) && (b & bit_SHA);
}

#else

bool befehleDa() {
    return false;
}

#endif

}  // namespace

bool Sha256Paar::mitBefehlen() {
    static const bool da = befehleDa();
    return da;
}

Sha256Paar::Sha256Paar() : befehle_(mitBefehlen()) {
    if (befehle_) {
        beginnen(ganz_);
        beginnen(stueck_);
        return;
    }
    ganzCtx_ = EVP_MD_CTX_new();
    stueckCtx_ = EVP_MD_CTX_new();
    ok_ = ganzCtx_ && stueckCtx_ && EVP_DigestInit_ex(ganzCtx_, EVP_sha256(), nullptr) == 1 &&
          EVP_DigestInit_ex(stueckCtx_, EVP_sha256(), nullptr) == 1;
}

Sha256Paar::~Sha256Paar() {
    EVP_MD_CTX_free(ganzCtx_);
    EVP_MD_CTX_free(stueckCtx_);
}

void Sha256Paar::beginnen(Stand& s) {
    static constexpr std::uint32_t kAnfang[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                                 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    std::memcpy(s.h, kAnfang, sizeof s.h);
    s.restLaenge = 0;
    s.laenge = 0;
}

void Sha256Paar::fuettern(const unsigned char* daten, std::size_t n) {
    if (!befehle_) {
        ok_ = ok_ && EVP_DigestUpdate(ganzCtx_, daten, n) == 1 &&
              EVP_DigestUpdate(stueckCtx_, daten, n) == 1;
        return;
    }
#ifdef ZORTA_SHA_BEFEHLE
    // Each sum first completes the block it has begun; the two may then
    // stand at different places in the data when a piece's length is no
    // multiple of 64.
    Stand* stand[2] = {&ganz_, &stueck_};
    const unsigned char* p[2] = {daten, daten};
    std::size_t rest[2] = {n, n};
    for (int i = 0; i < 2; ++i) {
        Stand& s = *stand[i];
        s.laenge += n;
        if (s.restLaenge == 0)
            continue;
        const std::size_t dazu = std::min(rest[i], 64 - s.restLaenge);
        std::memcpy(s.rest + s.restLaenge, p[i], dazu);
        s.restLaenge += dazu, p[i] += dazu, rest[i] -= dazu;
        if (s.restLaenge == 64) {
            std::uint32_t* h[1] = {s.h};
            const unsigned char* d[1] = {s.rest};
            verdichten<1>(h, d, 1);
            s.restLaenge = 0;
        }
    }
    const std::size_t gemeinsam = std::min(rest[0], rest[1]) / 64;
    std::uint32_t* h[2] = {ganz_.h, stueck_.h};
    verdichten<2>(h, p, gemeinsam);
    for (int i = 0; i < 2; ++i) {
        Stand& s = *stand[i];
        p[i] += 64 * gemeinsam, rest[i] -= 64 * gemeinsam;
        std::uint32_t* eins[1] = {s.h};
        verdichten<1>(eins, &p[i], rest[i] / 64);
        p[i] += rest[i] / 64 * 64, rest[i] %= 64;
        std::memcpy(s.rest + s.restLaenge, p[i], rest[i]);
        s.restLaenge += rest[i];
    }
#endif
}

void Sha256Paar::abschliessen(Stand& s, Summe* summe) {
#ifdef ZORTA_SHA_BEFEHLE
    const std::uint64_t bits = s.laenge * 8;
    unsigned char ende[128] = {};
    std::memcpy(ende, s.rest, s.restLaenge);
    ende[s.restLaenge] = 0x80;
    const std::size_t bloecke = s.restLaenge < 56 ? 1 : 2;
    for (int i = 0; i < 8; ++i)
        ende[bloecke * 64 - 1 - i] = static_cast<unsigned char>(bits >> (8 * i));
    std::uint32_t* h[1] = {s.h};
    const unsigned char* d[1] = {ende};
    verdichten<1>(h, d, bloecke);
    for (int i = 0; i < 32; ++i)
        (*summe)[i] = static_cast<unsigned char>(s.h[i / 4] >> (24 - 8 * (i % 4)));
#else
    (void)s, (void)summe;
#endif
}

void Sha256Paar::stueckAbschliessen(Summe* summe) {
    if (befehle_) {
        abschliessen(stueck_, summe);
        beginnen(stueck_);
        return;
    }
    unsigned int laenge = 0;
    ok_ = ok_ && EVP_DigestFinal_ex(stueckCtx_, summe->data(), &laenge) == 1 && laenge == 32 &&
          EVP_DigestInit_ex(stueckCtx_, EVP_sha256(), nullptr) == 1;
}

void Sha256Paar::ganzAbschliessen(Summe* summe) {
    if (befehle_) {
        abschliessen(ganz_, summe);
        return;
    }
    unsigned int laenge = 0;
    ok_ = ok_ && EVP_DigestFinal_ex(ganzCtx_, summe->data(), &laenge) == 1 && laenge == 32;
}

}  // namespace zorta
