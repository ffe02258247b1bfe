// gifcodec as a whole process against small programs on giflib doing the same work: decode the
// 1-MP photo to a bitmap file, encode that bitmap file to a GIF. Each iteration runs both, one
// after the other, and takes their CPU time (user + system) and page faults from the children's
// resource usage, so both see the same machine load. Before timing, the outputs are checked:
// both bitmap files are byte for byte the same, and both GIFs decode back to the photo.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace {

const std::string kPictures = BENCH_PICTURES;
const std::string kWork = kPictures + "/process";

struct TUsage {
    double CpuMs = 0;
    long Faults = 0;
};

TUsage Run(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) {
        throw std::runtime_error("cannot start " + argv[0]);
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error(argv[0] + " failed");
    }
    const auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return {ms(usage.ru_utime) + ms(usage.ru_stime), usage.ru_minflt + usage.ru_majflt};
}

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Makes the bitmap file of the photo and checks the outputs once.
bool Prepare() {
    static const bool ready = [] {
        Run({"/bin/mkdir", "-p", kWork});
        Run({GIFCODEC_PATH, "decode", kPictures + "/photo.gif", "-o", kWork + "/photo.bmp"});
        Run({GIFLIB_DECODE_PATH, kPictures + "/photo.gif", kWork + "/giflib.bmp"});
        Run({GIFCODEC_PATH, "encode", kWork + "/photo.bmp", "-o", kWork + "/ours.gif"});
        Run({GIFLIB_ENCODE_PATH, kWork + "/photo.bmp", kWork + "/giflib.gif"});
        Run({GIFLIB_DECODE_PATH, kWork + "/ours.gif", kWork + "/ours-back.bmp"});
        Run({GIFLIB_DECODE_PATH, kWork + "/giflib.gif", kWork + "/giflib-back.bmp"});
        const std::string photo = Contents(kWork + "/photo.bmp");
        return !photo.empty() && photo == Contents(kWork + "/giflib.bmp") &&
               photo == Contents(kWork + "/ours-back.bmp") &&
               photo == Contents(kWork + "/giflib-back.bmp");
    }();
    return ready;
}

void Compare(benchmark::State& state, const std::vector<std::string>& ours,
             const std::vector<std::string>& giflib) {
    if (!Prepare()) {
        state.SkipWithError("outputs differ");
        return;
    }
    TUsage ourTotal;
    TUsage giflibTotal;
    for (auto _ : state) {
        const TUsage a = Run(ours);
        const TUsage b = Run(giflib);
        state.SetIterationTime(a.CpuMs / 1e3);
        ourTotal.CpuMs += a.CpuMs;
        ourTotal.Faults += a.Faults;
        giflibTotal.CpuMs += b.CpuMs;
        giflibTotal.Faults += b.Faults;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["ours_ms"] = ourTotal.CpuMs / n;
    state.counters["giflib_ms"] = giflibTotal.CpuMs / n;
    state.counters["speedup"] = giflibTotal.CpuMs / ourTotal.CpuMs;
    state.counters["ours_faults"] = static_cast<double>(ourTotal.Faults) / n;
    state.counters["giflib_faults"] = static_cast<double>(giflibTotal.Faults) / n;
}

void BM_ProcessDecodePhoto(benchmark::State& state) {
    Compare(state, {GIFCODEC_PATH, "decode", kPictures + "/photo.gif", "-o", kWork + "/out.bmp"},
            {GIFLIB_DECODE_PATH, kPictures + "/photo.gif", kWork + "/out-giflib.bmp"});
}

void BM_ProcessEncodePhoto(benchmark::State& state) {
    Compare(state, {GIFCODEC_PATH, "encode", kWork + "/photo.bmp", "-o", kWork + "/out.gif"},
            {GIFLIB_ENCODE_PATH, kWork + "/photo.bmp", kWork + "/out-giflib.gif"});
}

BENCHMARK(BM_ProcessDecodePhoto)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(40);
BENCHMARK(BM_ProcessEncodePhoto)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(40);

}  // namespace

BENCHMARK_MAIN();
