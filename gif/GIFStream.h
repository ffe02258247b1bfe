#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace gif {

// The byte streams the codec reads from and writes to. Loading copies what it needs into memory
// first, so an implementation only has to read, write and report its size and position.
class TStream {
  public:
    virtual ~TStream() = default;
    // Reads up to count bytes and returns how many were read.
    virtual std::size_t Read(void* buffer, std::size_t count) = 0;
    virtual void Write(const void* buffer, std::size_t count) = 0;
    virtual std::uint64_t Position() const = 0;
    virtual std::uint64_t Size() const = 0;
    virtual void Seek(std::uint64_t position) = 0;

    // Exact read: fewer than count bytes raise EReadError "Stream-Lesefehler".
    void ReadBuffer(void* buffer, std::size_t count);

    // For streams that hold their bytes in memory: the next count bytes in place, consumed like
    // a read, and valid while the stream is not changed. Empty when the stream cannot do that or
    // has fewer bytes left; then nothing is consumed.
    virtual std::span<const std::uint8_t> ReadInPlace(std::size_t count);
};

// A growable stream in memory.
class TMemoryStream : public TStream {
  public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<std::uint8_t> bytes) : FBytes(std::move(bytes)) {}

    std::size_t Read(void* buffer, std::size_t count) override;
    void Write(const void* buffer, std::size_t count) override;
    std::uint64_t Position() const override { return FPosition; }
    std::uint64_t Size() const override { return FBytes.size(); }
    void Seek(std::uint64_t position) override;
    std::span<const std::uint8_t> ReadInPlace(std::size_t count) override;

    void Clear();
    std::span<const std::uint8_t> Bytes() const { return FBytes; }

  private:
    std::vector<std::uint8_t> FBytes;
    std::size_t FPosition = 0;
};

}  // namespace gif
