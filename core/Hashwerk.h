#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>

namespace zorta {

// SHA-256 of a byte stream, optionally computed in a thread of its own so
// that hashing overlaps with the caller's copying.
class Hashwerk {
  public:
    // With `eigenerFaden`, fuettern() hands the bytes to a second thread and
    // returns at once.
    explicit Hashwerk(bool eigenerFaden = false);
    ~Hashwerk();
    Hashwerk(const Hashwerk&) = delete;
    Hashwerk& operator=(const Hashwerk&) = delete;

    // REQUIRES: with a thread of its own, the bytes stay unchanged until the
    // next call of fuettern() or hex() returns (so two buffers in turn suffice).
    void fuettern(const char* daten, std::size_t n);
    // The digest of everything fed, as 64 lowercase hex digits; ends the stream.
    std::string hex();

  private:
    void warten(std::unique_lock<std::mutex>& sperre);
    void arbeiten();

    void* kontext_;  // EVP_MD_CTX, kept out of this header
    std::thread faden_;
    std::mutex mutex_;
    std::condition_variable cv_;
    const char* block_ = nullptr;
    std::size_t laenge_ = 0;
    bool ende_ = false;
};

}  // namespace zorta
