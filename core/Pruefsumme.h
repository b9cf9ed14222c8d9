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
// With `stueckweise` a second thread hashes each piece of the stream on its
// own from the same buffers (a buffer is free once both threads are past it),
// so on two cores the two passes overlap; einspeisen(n, true) ends a piece
// with that block.
//
// The object is used from one thread; the hashing threads are its own business.
class Pruefsumme {
  public:
    static constexpr std::size_t StandardBlock = 1024 * 1024;

    // REQUIRES: blockgroesse > 0, bloecke >= 2 (one is hashed while the
    // caller still writes out the one before it).
    explicit Pruefsumme(std::size_t blockgroesse = StandardBlock, std::size_t bloecke = 3,
                        bool stueckweise = false);
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
    // destroyed. `stueckEnde`: the block is the last of its piece.
    void einspeisen(std::size_t n, bool stueckEnde = false);

    // Waits for every block fed in and gives the checksum as 64 lower-case
    // hex digits. Ends the stream: nothing may be fed in afterwards.
    Fehler ergebnis(std::string* hex);

    // The checksum of piece `k` (from 0, in the order their ends were fed),
    // waiting until it is hashed. REQUIRES: stueckweise, and piece k ended.
    Fehler stueckErgebnis(std::size_t k, std::string* hex);

  private:
    static constexpr std::size_t Ganz = 0, Stueck = 1;  // the streams, by index

    void rechnen(std::size_t strom);
    void block(std::size_t strom, const char* daten, std::size_t n, bool stueckEnde);
    std::size_t gerechnetAlle() const;  // blocks hashed by every stream
    // Ends the hashing threads, after the last block or (verwerfen) at once.
    void anhalten(bool verwerfen);

    const std::size_t blockgroesse_;
    const std::size_t stroeme_;                   // 2 with the piece stream, else 1
    evp_md_ctx_st* ctx_[2] = {nullptr, nullptr};  // each used by one thread at a time
    bool ok_ = false;      // false once libcrypto refused the whole-file stream
    bool selbst_ = false;  // no hashing threads: einspeisen() hashes at once
    std::vector<std::unique_ptr<char[]>> puffer_;
    std::vector<std::size_t> laengen_;
    std::vector<bool> enden_;     // per buffer: its block ends a piece
    std::size_t ausgegeben_ = 0;  // buffers handed to the caller (caller's thread only)

    std::mutex m_;
    std::condition_variable cv_;
    std::size_t eingespeist_ = 0;            // blocks fed in
    std::size_t gerechnet_[2] = {0, 0};      // blocks hashed, per stream
    bool ende_ = false;                      // no more blocks will come
    bool verwerfen_ = false;                 // stop without a result
    std::vector<std::string> stueckSummen_;  // hex, of the pieces hashed
    bool stueckFehler_ = false;              // libcrypto refused a piece
    std::thread rechner_[2];
};

}  // namespace zorta
