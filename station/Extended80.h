#pragma once

#include <array>
#include <cstdint>

namespace vantrel {

/// The 10-byte x87 extended-precision format of the data file:
/// bytes 0-7 the 64-bit significand, little-endian, with an explicit integer
/// bit (bit 63); bytes 8-9 a little-endian word whose bit 15 is the sign and
/// bits 0-14 the exponent biased by 16383. Zero is ten zero bytes.
///
/// Both directions work on the bits, not on the memory image of
/// `long double`, so the file is the same on platforms whose `long double`
/// is IEEE double or binary128.
using Extended80 = std::array<std::uint8_t, 10>;

/// Encodes a finite value. On x86-64 the encoding is exact, so
/// `DecodeExtended80(EncodeExtended80(x))` is bit-identical to x. On a
/// platform with a wider significand the value is rounded to 64 bits
/// (to nearest); values beyond the x87 range become the largest finite one.
/// A non-finite value (NaN, ±infinity) is never written: it encodes as zero.
Extended80 EncodeExtended80(long double value);

/// Decodes ten bytes. Exponent 0x7FFF gives infinity or NaN; an integer bit
/// of 0 with a non-zero exponent (an x87 "unnormal") is decoded by its
/// numeric value; exponent 0 gives the denormal value
/// significand × 2^(−16382−63).
long double DecodeExtended80(const Extended80& bytes);

} // namespace vantrel
