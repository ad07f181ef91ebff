// The payload reader's decode throughput natively, against `xz -dc` of the same stream in the
// same run, and the peak memory of one decode against the dictionary in use plus 1 MiB.
//
//   bench_reader [--threads-only] BLOB [REPETITIONS]
#include <lzma.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "install/install_job.h"
#include "payload/copy_entries.h"
#include "payload/payload_check.h"
#include "payload/payload_reader.h"

namespace {

using Clock = std::chrono::steady_clock;

// Counts the bytes handed over, in order or (block-parallel decoding) at offsets.
class CountingWriter final : public vl::EntryWriter {
 public:
  explicit CountingWriter(std::atomic<uint64_t>& bytes) : bytes_(bytes) {}
  vl::Status begin(const vl::PayloadEntry&) override { return vl::Status::success(); }
  vl::Status write(std::span<const uint8_t> chunk) override {
    bytes_ += chunk.size();
    return vl::Status::success();
  }
  vl::Status write_at(uint64_t, std::span<const uint8_t> chunk) override { return write(chunk); }
  std::unique_ptr<vl::EntryWriter> another() override {
    return std::make_unique<CountingWriter>(bytes_);
  }
  vl::Status close() override { return vl::Status::success(); }
  void discard() override {}
  vl::Status commit(std::string_view) override { return vl::Status::success(); }
  void drop(std::string_view) override {}

 private:
  std::atomic<uint64_t>& bytes_;
};

// One CopyFiles decode as the installer does it (block-parallel when the payload allows).
double decode_once(const vl::Payload& payload, uint64_t* bytes = nullptr,
                   uint32_t threads = vl::PayloadReader::decoder_threads()) {
  std::atomic<uint64_t> counted{0};
  CountingWriter writer(counted);
  vl::SilentProgressSink sink;
  std::vector<vl::InstallStep> steps{vl::InstallStep::CopyFiles};
  vl::StepProgress progress(sink, steps, vl::InstallStep::CopyFiles);
  std::vector<std::string> installed;
  auto start = Clock::now();
  vl::Status status = vl::copy_payload_entries(payload, writer, progress, installed, threads);
  double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (!status) {
    std::fprintf(stderr, "decode failed: %s\n", status.error().c_str());
    std::exit(1);
  }
  if (bytes) *bytes = counted;
  return seconds;
}

double run_xz(const std::string& xz_file) {
  std::string command = "xz -dc '" + xz_file + "' > /dev/null";
  auto start = Clock::now();
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "xz -dc failed\n");
    std::exit(1);
  }
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

long status_kib(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::string(field).size());
  }
  return -1;
}

// The LZMA2 dictionary size stated in the stream's (first) block header.
uint32_t stream_dictionary(std::span<const uint8_t> stream) {
  lzma_stream_flags flags;
  if (stream.size() < 13 || lzma_stream_header_decode(&flags, stream.data()) != LZMA_OK) return 0;
  lzma_filter filters[LZMA_FILTERS_MAX + 1];
  lzma_block block{};
  block.version = 0;
  block.check = flags.check;
  block.filters = filters;
  block.header_size = lzma_block_header_size_decode(stream[12]);
  if (lzma_block_header_decode(&block, nullptr, stream.data() + 12) != LZMA_OK) return 0;
  uint32_t dict = 0;
  for (size_t i = 0; filters[i].id != LZMA_VLI_UNKNOWN; ++i) {
    if (filters[i].id == LZMA_FILTER_LZMA2) dict = static_cast<lzma_options_lzma*>(filters[i].options)->dict_size;
    free(filters[i].options);
  }
  return dict;
}

// Peak resident memory added by one decode, measured in a child process: the peak is reset
// just before the decode (clear_refs 5) and read right after it.
long decode_peak_kib(const vl::Payload& payload) {
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) return -1;
  pid_t child = fork();
  if (child == 0) {
    close(pipe_fds[0]);
    std::ofstream("/proc/self/clear_refs") << "5";
    long before = status_kib("VmRSS:");
    decode_once(payload);
    long peak = status_kib("VmHWM:");
    long delta = peak - before;
    (void)!write(pipe_fds[1], &delta, sizeof delta);
    _exit(0);
  }
  close(pipe_fds[1]);
  long delta = -1;
  (void)!read(pipe_fds[0], &delta, sizeof delta);
  close(pipe_fds[0]);
  waitpid(child, nullptr, 0);
  return delta;
}

// The reader alone (no entry loop) with `threads` decoding threads: seconds to the end.
double read_all_once(const vl::Payload& payload, uint32_t threads) {
  auto start = Clock::now();
  auto reader = vl::PayloadReader::open(payload, threads);
  std::vector<uint8_t> buffer(vl::DATA_CHUNK);
  while (true) {
    vl::Result<size_t> n = reader->read_some(buffer);
    if (!n) {
      std::fprintf(stderr, "decode failed: %s\n", n.error().c_str());
      std::exit(1);
    }
    if (*n == 0) break;
  }
  return std::chrono::duration<double>(Clock::now() - start).count();
}

uint64_t block_count(std::span<const uint8_t> stream) {
  lzma_stream_flags footer;
  if (stream.size() < 24 ||
      lzma_stream_footer_decode(&footer, stream.data() + stream.size() - LZMA_STREAM_HEADER_SIZE) != LZMA_OK) {
    return 0;
  }
  lzma_index* index = nullptr;
  uint64_t memlimit = UINT64_MAX;
  size_t pos = stream.size() - LZMA_STREAM_HEADER_SIZE - footer.backward_size;
  if (lzma_index_buffer_decode(&index, &memlimit, nullptr, stream.data(), &pos, stream.size()) != LZMA_OK) return 0;
  uint64_t count = lzma_index_block_count(index);
  lzma_index_end(index, nullptr);
  return count;
}

double cpu_seconds() {
  timespec now;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Decode time with 1 and 2 threads measured here, and for 4 and 8 the model: the one-thread
// processor time (steadier than wall time on a shared machine) split evenly over the
// blocks, ceil(blocks / threads) rounds of them.
void print_thread_scaling(const vl::Payload& payload, int repetitions) {
  uint64_t blocks = block_count(payload.stream);
  std::vector<double> one, two, cpu, reader_one, reader_two;
  for (int i = 0; i < repetitions; ++i) {
    double cpu_before = cpu_seconds();
    one.push_back(decode_once(payload, nullptr, 1));
    cpu.push_back(cpu_seconds() - cpu_before);
    two.push_back(decode_once(payload, nullptr, 2));
    reader_one.push_back(read_all_once(payload, 1));
    reader_two.push_back(read_all_once(payload, 2));
  }
  double t2 = median(two);
  std::printf("CopyFiles decode, %llu blocks: 1 thread %.3f s (min %.3f, processor %.3f s), "
              "2 threads %.3f s (min %.3f) (x%.2f)\n",
              static_cast<unsigned long long>(blocks), median(one),
              *std::min_element(one.begin(), one.end()), median(cpu), t2,
              *std::min_element(two.begin(), two.end()), median(one) / t2);
  std::printf("stream decoder alone (lzma_stream_decoder_mt): 1 thread %.3f s, 2 threads %.3f s\n",
              median(reader_one), median(reader_two));
  // Where one thread's time goes with small blocks: the stream decoder's processor time and
  // page faults (a fresh buffer of a whole block per block) against the block decode's.
  auto faults = [] {
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
  };
  double cpu_before = cpu_seconds();
  long faults_before = faults();
  read_all_once(payload, 1);
  double reader_cpu = cpu_seconds() - cpu_before;
  long reader_faults = faults() - faults_before;
  cpu_before = cpu_seconds();
  faults_before = faults();
  decode_once(payload, nullptr, 1);
  std::printf("one thread, processor time and minor page faults: stream decoder %.3f s, %ld; "
              "block decode %.3f s, %ld\n",
              reader_cpu, reader_faults, cpu_seconds() - cpu_before, faults() - faults_before);
  // The blocks besides the map's carry the content.
  uint64_t content_blocks = blocks > 1 ? blocks - 1 : blocks;
  double t1 = median(cpu);
  for (uint64_t threads : {4, 8}) {
    uint64_t rounds = content_blocks == 0 ? 1 : (content_blocks + threads - 1) / threads;
    double model = content_blocks == 0
                       ? t1
                       : t1 * static_cast<double>(rounds) / static_cast<double>(content_blocks);
    std::printf("model for %llu threads: %.3f s (x%.2f) if memory lets %llu blocks run at once\n",
                static_cast<unsigned long long>(threads), model, t1 / model,
                static_cast<unsigned long long>(std::min(threads, content_blocks)));
  }
}

// The check that runs before anything is removed: median time over many runs (it reads only
// the stream's ends and block headers, so one run is too short to time alone).
void print_stream_check(const vl::Payload& payload) {
  constexpr int RUNS = 200;
  std::vector<double> times;
  for (int i = 0; i < RUNS; ++i) {
    auto start = Clock::now();
    vl::Status checked = vl::check_payload_stream(payload);
    times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    if (!checked) {
      std::fprintf(stderr, "stream check failed: %s\n", checked.error().c_str());
      std::exit(1);
    }
  }
  std::printf("stream check before Prepare (footer, index, block headers): median %.1f us of %d\n",
              median(times) * 1e6, RUNS);
}

}  // namespace

int main(int argc, char** argv) {
  // --threads-only: one line, the CopyFiles decode on 1 and 2 threads (bench/packer-frontier).
  bool threads_only = argc > 1 && std::string(argv[1]) == "--threads-only";
  if (threads_only) {
    --argc;
    ++argv;
  }
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_reader [--threads-only] BLOB [REPETITIONS]\n");
    return 2;
  }
  int repetitions = argc > 2 ? std::atoi(argv[2]) : 7;
  std::ifstream in(argv[1], std::ios::binary);
  std::vector<uint8_t> blob((std::istreambuf_iterator<char>(in)), {});
  vl::Result<vl::Payload> payload = vl::check_payload_header(blob);
  if (!payload) {
    std::fprintf(stderr, "%s\n", payload.error().c_str());
    return 1;
  }
  if (threads_only) {
    std::vector<double> one, two, cpu;
    for (int i = 0; i < repetitions; ++i) {
      double cpu_before = cpu_seconds();
      one.push_back(decode_once(*payload, nullptr, 1));
      cpu.push_back(cpu_seconds() - cpu_before);
      two.push_back(decode_once(*payload, nullptr, 2));
    }
    std::printf("1 thread %.3f s (processor %.3f s), 2 threads %.3f s, x%.2f\n", median(one),
                median(cpu), median(two), median(one) / median(two));
    return 0;
  }
  std::string xz_file = "/tmp/bench-reader-" + std::to_string(getpid()) + ".xz";
  std::ofstream(xz_file, std::ios::binary)
      .write(reinterpret_cast<const char*>(payload->stream.data()), payload->stream.size());

  uint64_t bytes = 0;
  decode_once(*payload, &bytes);  // warm-up (page cache, allocator)
  std::vector<double> ours, xz;
  for (int i = 0; i < repetitions; ++i) {  // interleaved, so both see the same machine state
    ours.push_back(decode_once(*payload));
    xz.push_back(run_xz(xz_file));
  }
  std::remove(xz_file.c_str());

  double ours_median = median(ours), xz_median = median(xz);
  auto reader = vl::PayloadReader::open(*payload);
  uint8_t probe[1];
  (void)reader->read_some(probe);  // the decoder allocates its dictionary on the first block
  uint64_t decoder_bytes = reader->decoder_memory();
  uint32_t dict = stream_dictionary(payload->stream);
  long peak_kib = decode_peak_kib(*payload);
  long bound_kib = dict / 1024 + 1024;

  std::printf("payload: %u entries, %llu data bytes, %zu stream bytes\n", payload->entry_count,
              static_cast<unsigned long long>(payload->total_size), payload->stream.size());
  std::printf("decode (PayloadReader + entry loop): median %.3f s of %d, min %.3f, max %.3f, %.1f MB/s\n",
              ours_median, repetitions, *std::min_element(ours.begin(), ours.end()),
              *std::max_element(ours.begin(), ours.end()), bytes / ours_median / 1e6);
  std::printf("xz -dc of the same stream:           median %.3f s of %d, min %.3f, max %.3f\n",
              xz_median, repetitions, *std::min_element(xz.begin(), xz.end()),
              *std::max_element(xz.begin(), xz.end()));
  std::printf("ratio reader / xz -dc: %.2f\n", ours_median / xz_median);
  std::printf("dictionary in use: %u KiB; liblzma decoder memory: %llu KiB\n", dict / 1024,
              static_cast<unsigned long long>(decoder_bytes / 1024));
  std::printf("peak memory added by one decode: %ld KiB (bound: dictionary + 1 MiB = %ld KiB) %s\n",
              peak_kib, bound_kib, peak_kib >= 0 && peak_kib < bound_kib ? "within" : "EXCEEDED");
  print_thread_scaling(*payload, repetitions);
  print_stream_check(*payload);
  return 0;
}
