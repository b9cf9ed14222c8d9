#pragma once

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Fehler.h"

struct evp_md_ctx_st;  // libcrypto's EVP_MD_CTX

namespace zorta {

// SHA-256 of a byte stream, computed in a thread of its own while the caller
// goes on copying, so that a checksum costs the copy almost no time.
//
// The caller fills the buffers the object hands out and feeds them back in
// order:
//
//     char* p = summe.puffer();           // waits until a buffer is free
//     ... read up to summe.blockgroesse() bytes into p ...
//     summe.einspeisen(n);                // hashed from now on, in the background
//     ... p may still be read (written out) until the next puffer() ...
//     summe.ergebnis(&hex);               // after the last block
//
// The object is used from one thread; the hashing thread is its own business.
class Pruefsumme {
  public:
    static constexpr std::size_t StandardBlock = 1024 * 1024;

    // REQUIRES: blockgroesse > 0, bloecke >= 2 (one is hashed while the
    // caller still writes out the one before it).
    explicit Pruefsumme(std::size_t blockgroesse = StandardBlock, std::size_t bloecke = 3);
    ~Pruefsumme();  // drops what was fed in without a result
    Pruefsumme(const Pruefsumme&) = delete;
    Pruefsumme& operator=(const Pruefsumme&) = delete;

    std::size_t blockgroesse() const { return blockgroesse_; }

    // A free buffer of blockgroesse() bytes. Each call hands out the next one
    // and so ends the caller's use of the buffer before last.
    char* puffer();
    // Hashes the first `n` bytes (n <= blockgroesse()) of the buffer last
    // returned by puffer(). REQUIRES: one einspeisen per puffer(); a buffer
    // taken and not fed (a failed read) leaves the object fit only to be
    // destroyed.
    void einspeisen(std::size_t n);

    // Waits for every block fed in and gives the checksum as 64 lower-case
    // hex digits. Ends the stream: nothing may be fed in afterwards.
    Fehler ergebnis(std::string* hex);

  private:
    void rechnen();

    const std::size_t blockgroesse_;
    evp_md_ctx_st* ctx_ = nullptr;  // used by one thread at a time
    bool ok_ = false;               // false once libcrypto refused
    bool selbst_ = false;           // no second thread: einspeisen() hashes at once
    std::vector<std::unique_ptr<char[]>> puffer_;
    std::vector<std::size_t> laengen_;
    std::size_t ausgegeben_ = 0;  // buffers handed to the caller (caller's thread only)

    std::mutex m_;
    std::condition_variable cv_;
    std::size_t eingespeist_ = 0;  // blocks fed in
    std::size_t gerechnet_ = 0;    // blocks hashed
    bool ende_ = false;            // no more blocks will come
    bool verwerfen_ = false;       // stop without a result
    std::thread rechner_;
};

}  // namespace zorta
