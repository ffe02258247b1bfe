#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
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

    // The parts one after the other; a stream that can write them in one go does.
    virtual void WriteParts(std::span<const std::span<const std::uint8_t>> parts);

    // Exact read: fewer than count bytes raise EReadError "Stream-Lesefehler".
    void ReadBuffer(void* buffer, std::size_t count);

    // For streams that hold their bytes in memory (or mapped): the next count bytes in place,
    // consumed like a read, with an owner that keeps them unchanged for as long as it is held.
    // Loading keeps such bytes instead of copying them. No owner when the stream cannot do that
    // or has fewer bytes left; then nothing is consumed.
    struct TSharedBytes {
        std::shared_ptr<const void> Owner;
        std::span<const std::uint8_t> Bytes;
    };
    virtual TSharedBytes ReadShared(std::size_t count);
};

// A growable stream in memory. Bytes lent by ReadShared stay as they were: a write after that
// goes to a copy.
class TMemoryStream : public TStream {
  public:
    TMemoryStream() : FBytes(std::make_shared<std::vector<std::uint8_t>>()) {}
    explicit TMemoryStream(std::vector<std::uint8_t> bytes)
        : FBytes(std::make_shared<std::vector<std::uint8_t>>(std::move(bytes))) {}

    std::size_t Read(void* buffer, std::size_t count) override;
    void Write(const void* buffer, std::size_t count) override;
    std::uint64_t Position() const override { return FPosition; }
    std::uint64_t Size() const override { return FBytes->size(); }
    void Seek(std::uint64_t position) override;
    TSharedBytes ReadShared(std::size_t count) override;

    void Clear();
    std::span<const std::uint8_t> Bytes() const { return *FBytes; }

  private:
    std::shared_ptr<std::vector<std::uint8_t>> FBytes;
    std::size_t FPosition = 0;
};

}  // namespace gif
