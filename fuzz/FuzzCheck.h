#pragma once

// What the fuzz targets assert about the code they feed: a broken property
// prints where and why, then aborts, which libFuzzer reports as a crash (and
// keeps the input) and the replay driver of the test suite as a failure.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition);  \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

namespace vantrel::fuzz {

/// Reads the fuzzer's bytes from the front, as numbers and texts; past the
/// end every read gives zeros, so any input is a complete one.
class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::size_t Remaining() const { return size_ - pos_; }

    template <typename T> T Take() {
        T value{};
        auto* out = reinterpret_cast<unsigned char*>(&value);
        for (std::size_t i = 0; i < sizeof(T) && pos_ < size_; ++i) {
            out[i] = data_[pos_++];
        }
        return value;
    }

    /// The rest of the input as text.
    std::string_view Rest() {
        const std::string_view rest(reinterpret_cast<const char*>(data_ + pos_), size_ - pos_);
        pos_ = size_;
        return rest;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

} // namespace vantrel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
