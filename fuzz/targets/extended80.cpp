// Fuzz target: the 80-bit extended values of the station data file.
//
// Input: ten bytes as they stand in a record (longer inputs are cut, shorter
// ones padded with zeros). Properties:
//  - the decoded value is NaN exactly when the exponent is all ones and the
//    fraction below the integer bit is not zero; infinite exactly when the
//    exponent is all ones and that fraction is zero; its sign is the sign bit;
//  - a finite value encodes back to the same value (bit for bit in the
//    x87 type), and a canonical encoding (integer bit set for a normal
//    exponent, clear for exponent 0) to the same ten bytes;
//  - a non-finite value is never written: it encodes as zero.

#include "station/Extended80.h"
#include "fuzz/FuzzCheck.h"

#include <cmath>
#include <cstring>

using vantrel::DecodeExtended80;
using vantrel::EncodeExtended80;
using vantrel::Extended80;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Extended80 bytes{};
    std::memcpy(bytes.data(), data, size < bytes.size() ? size : bytes.size());

    std::uint64_t significand = 0;
    for (int i = 7; i >= 0; --i) {
        significand = (significand << 8) | bytes[static_cast<std::size_t>(i)];
    }
    const unsigned exponent = (bytes[8] | (bytes[9] << 8)) & 0x7FFFU;
    const bool negative = (bytes[9] & 0x80U) != 0;
    const bool integerBit = (significand >> 63) != 0;
    const bool fractionZero = (significand << 1) == 0;

    const long double value = DecodeExtended80(bytes);
    FUZZ_CHECK(std::isnan(value) == (exponent == 0x7FFF && !fractionZero));
    FUZZ_CHECK(std::isinf(value) == (exponent == 0x7FFF && fractionZero));
    FUZZ_CHECK(std::signbit(value) == negative);

    const Extended80 again = EncodeExtended80(value);
    if (!std::isfinite(value)) {
        FUZZ_CHECK(again == Extended80{});
        return 0;
    }
    const long double back = DecodeExtended80(again);
    FUZZ_CHECK(back == value);
    FUZZ_CHECK(std::signbit(back) == std::signbit(value));
    const bool canonical = exponent == 0 ? !integerBit : integerBit;
    if (canonical) {
        FUZZ_CHECK(again == bytes);
    }
    // What the encoder writes is canonical, so it is a fixed point.
    FUZZ_CHECK(EncodeExtended80(back) == again);
    return 0;
}
