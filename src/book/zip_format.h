#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace qm::zip {

// Record signatures and fields of the ZIP format that the reader needs (all numbers little-endian).
inline constexpr std::uint32_t kLocalHeaderSignature = 0x04034b50;
inline constexpr std::uint32_t kCentralHeaderSignature = 0x02014b50;
inline constexpr std::uint32_t kEndRecordSignature = 0x06054b50;
inline constexpr std::uint32_t kZip64EndRecordSignature = 0x06064b50;
inline constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;

inline constexpr std::size_t kLocalHeaderSize = 30;
inline constexpr std::size_t kCentralHeaderSize = 46;
inline constexpr std::size_t kEndRecordSize = 22;
inline constexpr std::size_t kZip64EndRecordSize = 56;
inline constexpr std::size_t kZip64LocatorSize = 20;
inline constexpr std::uint16_t kZip64ExtraId = 0x0001;

inline constexpr std::uint16_t kFlagEncrypted = 0x0001;
inline constexpr std::uint16_t kFlagUtf8 = 0x0800;

inline constexpr std::uint16_t kMethodStored = 0;
inline constexpr std::uint16_t kMethodDeflated = 8;

// Little-endian numbers at `pos` of `bytes`; the caller has checked that they lie inside.
inline std::uint16_t Le16(std::span<const unsigned char> bytes, std::size_t pos) {
    return static_cast<std::uint16_t>(bytes[pos] | bytes[pos + 1] << 8);
}
inline std::uint32_t Le32(std::span<const unsigned char> bytes, std::size_t pos) {
    return static_cast<std::uint32_t>(Le16(bytes, pos)) | static_cast<std::uint32_t>(Le16(bytes, pos + 2)) << 16;
}
inline std::uint64_t Le64(std::span<const unsigned char> bytes, std::size_t pos) {
    return static_cast<std::uint64_t>(Le32(bytes, pos)) | static_cast<std::uint64_t>(Le32(bytes, pos + 4)) << 32;
}

} // namespace qm::zip
