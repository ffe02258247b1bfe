#include "CodecFiles.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <new>
#include <utility>

#include "Arguments.h"
#include "Commands.h"
#include "gif/GIFErrors.h"
#include "gif/GIFStream.h"

namespace gifcodec {

namespace {

constexpr std::size_t kReadChunk = std::size_t{1} << 16;
constexpr std::size_t kHugePage = std::size_t{2} << 20;
// Below this an output is not worth a huge page: zeroing 2 MiB costs more than the faults saved.
constexpr std::size_t kHugePageThreshold = std::size_t{1} << 19;

[[noreturn]] void RaiseErrno(const std::string& path) {
    throw EFileError(path, std::strerror(errno));
}

class TMapping {
  public:
    TMapping(void* address, std::size_t length) : FAddress(address), FLength(length) {}
    ~TMapping() { munmap(FAddress, FLength); }
    TMapping(const TMapping&) = delete;
    TMapping& operator=(const TMapping&) = delete;

  private:
    void* FAddress;
    std::size_t FLength;
};

std::vector<std::uint8_t> ReadAll(int fd, const std::string& path) {
    std::vector<std::uint8_t> bytes;
    std::size_t used = 0;
    for (;;) {
        if (bytes.size() - used < kReadChunk) {
            bytes.resize(std::max(bytes.size() * 2, used + kReadChunk));
        }
        const ssize_t got = read(fd, bytes.data() + used, bytes.size() - used);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            RaiseErrno(path);
        }
        if (got == 0) {
            break;
        }
        used += static_cast<std::size_t>(got);
    }
    bytes.resize(used);
    return bytes;
}

// A stream over an input file that lends its bytes, so loading copies nothing.
class TInputStream : public gif::TStream {
  public:
    explicit TInputStream(const TInputFile& file) : FFile(file) {}

    std::size_t Read(void* buffer, std::size_t count) override {
        const std::size_t n = std::min(count, FFile.Bytes().size() - FPosition);
        std::memcpy(buffer, FFile.Bytes().data() + FPosition, n);
        FPosition += n;
        return n;
    }
    void Write(const void*, std::size_t) override { throw gif::EGifError("read-only stream"); }
    std::uint64_t Position() const override { return FPosition; }
    std::uint64_t Size() const override { return FFile.Bytes().size(); }
    void Seek(std::uint64_t position) override {
        FPosition = static_cast<std::size_t>(std::min<std::uint64_t>(position, Size()));
    }
    TSharedBytes ReadShared(std::size_t count) override {
        if (Size() - FPosition < count) {
            return {};
        }
        const auto part = FFile.Bytes().subspan(FPosition, count);
        FPosition += count;
        return {FFile.Owner(), part};
    }

  private:
    const TInputFile& FFile;
    std::size_t FPosition = 0;
};

// Writes everything to fd, in as few calls as the system takes.
void WriteAll(int fd, std::span<const std::span<const std::uint8_t>> parts,
              const std::string& path) {
    std::vector<iovec> pending;
    for (const auto& part : parts) {
        if (!part.empty()) {
            pending.push_back({const_cast<std::uint8_t*>(part.data()), part.size()});
        }
    }
    std::size_t first = 0;
    while (first < pending.size()) {
        const int count = static_cast<int>(std::min<std::size_t>(pending.size() - first, IOV_MAX));
        ssize_t written = writev(fd, pending.data() + first, count);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            RaiseErrno(path);
        }
        while (first < pending.size() &&
               static_cast<std::size_t>(written) >= pending[first].iov_len) {
            written -= static_cast<ssize_t>(pending[first].iov_len);
            ++first;
        }
        if (written > 0) {
            pending[first].iov_base = static_cast<std::uint8_t*>(pending[first].iov_base) + written;
            pending[first].iov_len -= static_cast<std::size_t>(written);
        }
    }
}

// A stream onto an output file, opened at the first write: the codec writes only once the whole
// GIF has been built.
class TOutputStream : public gif::TStream {
  public:
    explicit TOutputStream(std::string path) : FPath(std::move(path)) {}
    ~TOutputStream() override {
        if (FFd > STDOUT_FILENO) {
            close(FFd);
        }
    }

    std::size_t Read(void*, std::size_t) override { return 0; }
    void Write(const void* buffer, std::size_t count) override {
        const std::array<std::span<const std::uint8_t>, 1> parts = {
            std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(buffer), count)};
        WriteParts(parts);
    }
    void WriteParts(std::span<const std::span<const std::uint8_t>> parts) override {
        Open();
        WriteAll(FFd, parts, FPath);
    }
    std::uint64_t Position() const override { return 0; }
    std::uint64_t Size() const override { return 0; }
    void Seek(std::uint64_t) override {}

    void Close() {
        Open();
        if (FFd > STDOUT_FILENO) {
            const int fd = std::exchange(FFd, -1);
            if (close(fd) != 0) {
                RaiseErrno(FPath);
            }
        }
    }

  private:
    void Open() {
        if (FFd >= 0) {
            return;
        }
        FFd = FPath == "-" ? STDOUT_FILENO
                           : open(FPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (FFd < 0) {
            RaiseErrno(FPath);
        }
    }

    std::string FPath;
    int FFd = -1;
};

}  // namespace

TInputFile::TInputFile(const std::string& path) : FPath(path) {
    int fd = STDIN_FILENO;
    if (path != "-") {
        fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            RaiseErrno(path);
        }
    }
    struct stat info {};
    if (fd != STDIN_FILENO && fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
        const auto length = static_cast<std::size_t>(info.st_size);
        // Private and writable: a bitmap's rows lent to the codec may be written without ever
        // reaching the file.
        void* address = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE, fd, 0);
        if (address != MAP_FAILED) {
            close(fd);
            auto mapping = std::make_shared<TMapping>(address, length);
            FBytes =
                std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(address), length);
            const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
            FReadable = (length + page - 1) / page * page;
            FOwner = std::move(mapping);
            return;
        }
    }
    auto bytes = std::make_shared<std::vector<std::uint8_t>>();
    try {
        *bytes = ReadAll(fd, path);
    } catch (...) {
        if (fd != STDIN_FILENO) {
            close(fd);
        }
        throw;
    }
    if (fd != STDIN_FILENO) {
        close(fd);
    }
    FBytes = *bytes;
    FReadable = bytes->size();
    FOwner = std::move(bytes);
}

TOutputBuffer::TOutputBuffer(std::size_t size) {
    const bool huge = size >= kHugePageThreshold;
    FMapped =
        huge ? (size + 2 * kHugePage - 1) / kHugePage * kHugePage : std::max<std::size_t>(size, 1);
    FMapping = mmap(nullptr, FMapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (FMapping == MAP_FAILED) {
        FMapping = nullptr;
        throw std::bad_alloc();
    }
    auto address = reinterpret_cast<std::uintptr_t>(FMapping);
    if (huge) {
        address = (address + kHugePage - 1) / kHugePage * kHugePage;
        madvise(reinterpret_cast<void*>(address), FMapped - kHugePage, MADV_HUGEPAGE);
    }
    FData = reinterpret_cast<std::uint8_t*>(address);
}

TOutputBuffer::~TOutputBuffer() {
    if (FMapping != nullptr) {
        munmap(FMapping, FMapped);
    }
}

void RaiseFrameTooLarge(const std::string& file, const gif::EFrameTooLarge& error) {
    throw EFileError(file, std::string(error.what()) + " (" + std::string(kMaxPixelsOption) +
                               " N sets the limit)");
}

void LoadGifFile(const std::string& path, gif::TGIFImage& image, const TLoadOptions& options) {
    const TInputFile file(path);
    TInputStream stream(file);
    image.FMaxPixels = options.MaxPixels;
    OnFile(path,
           [&] { image.LoadGifData(static_cast<std::int64_t>(stream.Size()), stream, false); });
}

void SaveGifFile(const std::string& path, gif::TGIFImage& image) {
    TOutputStream stream(path);
    OnFile(path, [&] { image.WriteToStream(stream); });
    stream.Close();
}

void WriteOutputFile(const std::string& path,
                     std::span<const std::span<const std::uint8_t>> parts) {
    TOutputStream stream(path);
    stream.WriteParts(parts);
    stream.Close();
}

}  // namespace gifcodec
