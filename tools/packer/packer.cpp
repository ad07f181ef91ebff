#include "packer.h"

#include <lzma.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <limits>
#include <optional>
#include <system_error>
#include <thread>

#include "payload/block_decode.h"
#include "payload/payload_format.h"
#include "payload/payload_reader.h"
#include "product/product.h"
#include "sys/paths.h"
#include "sys/text.h"

namespace vl::packer {

namespace fs = std::filesystem;

namespace {

// The kind of an entry: its file name's extension, lower-cased ("" for none).
std::string kind_of(std::string_view name) {
  size_t slash = name.rfind('\\');
  std::string_view file = slash == std::string_view::npos ? name : name.substr(slash + 1);
  size_t dot = file.rfind('.');
  return dot == std::string_view::npos || dot == 0 ? std::string()
                                                   : ascii_lower(file.substr(dot + 1));
}

bool name_order(const PackFile& a, const PackFile& b) {
  bool a_last = iequals_ascii(a.name, APPLICATION_FILE_NAME);
  bool b_last = iequals_ascii(b.name, APPLICATION_FILE_NAME);
  if (a_last != b_last) return b_last;
  std::string la = ascii_lower(a.name);
  std::string lb = ascii_lower(b.name);
  if (la != lb) return la < lb;
  return a.name < b.name;
}

bool kind_order(const PackFile& a, const PackFile& b) {
  bool a_last = iequals_ascii(a.name, APPLICATION_FILE_NAME);
  bool b_last = iequals_ascii(b.name, APPLICATION_FILE_NAME);
  if (a_last != b_last) return b_last;
  std::string ka = kind_of(a.name);
  std::string kb = kind_of(b.name);
  if (ka != kb) return ka < kb;
  return name_order(a, b);
}

// The entry name of a relative path; nullopt when a component holds a backslash (a legal
// character in a Linux file name that would turn into a folder separator on Windows).
std::optional<std::string> entry_name_of(const fs::path& relative) {
  std::string name;
  for (const fs::path& part : relative) {
    std::string component = part.string();
    if (component.find('\\') != std::string::npos) return std::nullopt;
    if (!name.empty()) name += '\\';
    name += component;
  }
  return name;
}

// Feeds bytes through the encoder and writes what comes out.
class StreamWriter {
 public:
  StreamWriter(lzma_stream& stream, std::ofstream& out) : stream_(stream), out_(out) {}

  Status feed(const uint8_t* data, size_t size) { return run(data, size, LZMA_RUN); }
  Status end() { return run(nullptr, 0, LZMA_FINISH); }
  // Ends the block being written; what follows starts a new one.
  Status end_block() { return run(nullptr, 0, LZMA_FULL_FLUSH); }
  uint64_t written() const { return written_; }

 private:
  Status run(const uint8_t* data, size_t size, lzma_action action) {
    stream_.next_in = data;
    stream_.avail_in = size;
    while (true) {
      stream_.next_out = buffer_.data();
      stream_.avail_out = buffer_.size();
      lzma_ret ret = lzma_code(&stream_, action);
      size_t produced = buffer_.size() - stream_.avail_out;
      if (produced > 0) {
        out_.write(reinterpret_cast<const char*>(buffer_.data()),
                   static_cast<std::streamsize>(produced));
        if (!out_) return fail("cannot write the blob");
        written_ += produced;
      }
      if (ret == LZMA_STREAM_END) return Status::success();
      if (ret != LZMA_OK) return fail("compression failed: " + lzma_error_text(ret));
      if (action == LZMA_RUN && stream_.avail_in == 0) return Status::success();
    }
  }

  lzma_stream& stream_;
  std::ofstream& out_;
  std::array<uint8_t, 1 << 20> buffer_{};
  uint64_t written_ = 0;
};

}  // namespace

void order_entries(std::vector<PackFile>& files, EntryOrder order) {
  std::sort(files.begin(), files.end(), order == EntryOrder::Kind ? kind_order : name_order);
}

Result<std::vector<PackFile>> collect_payload_files(const fs::path& folder, EntryOrder order) {
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return fail("not a folder: " + folder.string());
  std::vector<PackFile> files;
  fs::recursive_directory_iterator it(folder, fs::directory_options::none, ec);
  if (ec) return fail(folder.string() + ": " + ec.message());
  for (; it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (ec) return fail(folder.string() + ": " + ec.message());
    const fs::directory_entry& entry = *it;
    if (entry.is_directory(ec) && !entry.is_symlink(ec)) continue;
    fs::path relative = fs::relative(entry.path(), folder, ec);
    std::optional<std::string> entry_name = entry_name_of(relative);
    if (!entry_name) {
      return fail("refused file name (the installer would not accept it): " + relative.string());
    }
    std::string name = std::move(*entry_name);
    if (entry.is_symlink(ec) || !entry.is_regular_file(ec)) {
      return fail("not a regular file: " + name);
    }
    if (name.size() > MAX_ENTRY_NAME || !is_valid_entry_name(name)) {
      return fail("refused file name (the installer would not accept it): " + name);
    }
    uint64_t size = entry.file_size(ec);
    if (ec) return fail(name + ": " + ec.message());
    files.push_back(PackFile{std::move(name), entry.path(), size});
  }
  // Names that differ only in ASCII case would land on one file on Windows.
  order_entries(files, EntryOrder::Name);
  for (size_t i = 1; i < files.size(); ++i) {
    if (iequals_ascii(files[i - 1].name, files[i].name)) {
      return fail("file names differ only in case: " + files[i - 1].name + ", " + files[i].name);
    }
  }
  if (files.size() > std::numeric_limits<uint32_t>::max()) return fail("too many files");
  if (order != EntryOrder::Name) order_entries(files, order);
  return files;
}

uint64_t entry_bytes(const PackFile& file) { return ENTRY_FIXED_BYTES + file.name.size() + file.size; }

std::vector<bool> entry_cuts(const std::vector<PackFile>& files, uint64_t block_size) {
  std::vector<bool> cut_after(files.size(), false);
  uint64_t in_block = 0;
  for (size_t i = 0; i + 1 < files.size(); ++i) {
    in_block += entry_bytes(files[i]);
    if (in_block >= block_size) {
      cut_after[i] = true;
      in_block = 0;
    }
  }
  return cut_after;
}

std::vector<bool> balanced_entry_cuts(const std::vector<PackFile>& files, uint32_t blocks) {
  std::vector<bool> cut_after(files.size(), false);
  uint64_t content = 0;
  for (const PackFile& file : files) content += entry_bytes(file);
  // ends[i]: the content offset where entry i ends.
  std::vector<uint64_t> ends;
  for (const PackFile& file : files)
    ends.push_back((ends.empty() ? 0 : ends.back()) + entry_bytes(file));
  size_t from = 0;  // cuts only move forward: each block holds at least one entry
  for (uint32_t k = 1; k < blocks; ++k) {
    uint64_t ideal = content / blocks * k + content % blocks * k / blocks;
    size_t best = files.size();
    for (size_t i = from; i + 1 < files.size(); ++i) {
      uint64_t distance = ends[i] > ideal ? ends[i] - ideal : ideal - ends[i];
      if (best == files.size() ||
          distance < (ends[best] > ideal ? ends[best] - ideal : ideal - ends[best]))
        best = i;
      if (ends[i] >= ideal) break;
    }
    if (best == files.size()) break;
    cut_after[best] = true;
    from = best + 1;
  }
  return cut_after;
}

uint32_t dictionary_for(uint64_t content_size, uint32_t preset_dict_size) {
  // LZMA2 headers can state 2^n and 2^n + 2^(n-1); the decoder allocates the stated size.
  uint64_t size = 1u << 20;
  while (size < content_size && size < preset_dict_size) {
    uint64_t between = size + size / 2;
    size = between >= content_size ? between : size * 2;
  }
  return static_cast<uint32_t>(std::min<uint64_t>(size, preset_dict_size));
}

uint32_t dictionary_within_budget(uint64_t largest_block, uint32_t threads,
                                  uint32_t preset_dict_size) {
  auto per_thread = [&](uint32_t dict) {
    lzma_options_lzma options;
    lzma_lzma_preset(&options, 9);
    options.dict_size = dict;
    lzma_filter chain[] = {
        {LZMA_FILTER_X86, nullptr}, {LZMA_FILTER_LZMA2, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
    uint64_t usage = lzma_raw_decoder_memusage(chain);
    if (largest_block < dict) usage -= dict - largest_block;  // as block_decode_memory counts
    return usage + DATA_CHUNK;
  };
  // The sizes an LZMA2 header can state: 2^n and 2^n + 2^(n-1).
  uint32_t best = 1u << 20;
  for (uint64_t size = 1u << 20; size <= preset_dict_size;
       size = size % 3 == 0 ? size / 3 * 4 : size / 2 * 3) {
    if (uint64_t{threads} * per_thread(static_cast<uint32_t>(size)) > DECODE_MEMORY_BUDGET) break;
    best = static_cast<uint32_t>(size);
  }
  return best;
}

uint64_t block_size_for(uint64_t content_size, uint32_t preset_dict_size) {
  // A block cut loses every match that would reach back across it; matches never reach
  // further back than the dictionary, so blocks of three dictionaries lose little. Smaller
  // blocks cost far more than that on payloads of related binaries (see the packer's size
  // table in bench/), so a payload within three dictionaries stays one block.
  constexpr uint64_t MiB = 1u << 20;
  constexpr uint64_t MOST_THREADS = 8;
  uint64_t per_thread = (content_size + MOST_THREADS - 1) / MOST_THREADS;
  uint64_t block = std::max<uint64_t>(per_thread, 3ull * preset_dict_size);
  return (block + MiB - 1) / MiB * MiB;
}

Result<PackStats> pack_payload(const std::vector<PackFile>& files, const fs::path& out,
                               const PackSettings& settings) {
  PackStats stats;
  uint64_t content_size = 0;
  for (const PackFile& file : files) {
    stats.total_size += file.size;
    content_size += entry_bytes(file);
  }
  stats.entry_count = static_cast<uint32_t>(files.size());

  lzma_options_lzma lzma_options;
  uint32_t preset = settings.preset | (settings.extreme ? LZMA_PRESET_EXTREME : 0);
  if (lzma_lzma_preset(&lzma_options, preset)) return fail("unsupported preset");
  lzma_options.lc = settings.literal_context_bits;
  lzma_options.pb = settings.position_bits;
  stats.block_size =
      settings.block_size ? settings.block_size : block_size_for(content_size, lzma_options.dict_size);
  stats.block_count = (content_size + stats.block_size - 1) / stats.block_size;
  // A dictionary larger than one block is never filled. Blocks cut at entries can be longer
  // than the block size (an entry larger than it stays whole), and a dictionary shorter than
  // such a block would lose the matches inside it: size it for the largest block.
  // Cut at entries, a block ends after the first entry that brings it to the block size, or
  // (settings.blocks) at the entry ends nearest to the even split points.
  bool at_entries = settings.cut_at_entries || settings.blocks > 0;
  std::vector<bool> cut_after(files.size(), false);
  uint64_t largest_block = std::min(content_size, stats.block_size);
  if (at_entries) {
    cut_after = settings.blocks > 0 ? balanced_entry_cuts(files, settings.blocks)
                                    : entry_cuts(files, stats.block_size);
    largest_block = 0;
    uint64_t in_block = 0;
    for (size_t i = 0; i < files.size(); ++i) {
      in_block += entry_bytes(files[i]);
      if (cut_after[i] || i + 1 == files.size()) {
        largest_block = std::max(largest_block, in_block);
        in_block = 0;
      }
    }
  }
  uint32_t dict_limit = lzma_options.dict_size;
  if (settings.dict_limit) dict_limit = std::min(dict_limit, settings.dict_limit);
  if (settings.decode_threads) {
    dict_limit = std::min(
        dict_limit,
        dictionary_within_budget(largest_block, settings.decode_threads, lzma_options.dict_size));
  }
  lzma_options.dict_size = dictionary_for(largest_block, dict_limit);
  stats.largest_block = largest_block;
  if (settings.blocks > 0) stats.block_size = largest_block;  // no size was asked for
  stats.dict_size = lzma_options.dict_size;
  std::vector<lzma_filter> filters;
  if (settings.filter == Filter::X86) filters.push_back({LZMA_FILTER_X86, nullptr});
  filters.push_back({LZMA_FILTER_LZMA2, &lzma_options});
  filters.push_back({LZMA_VLI_UNKNOWN, nullptr});

  // The multi-threaded encoder writes each block's sizes into its header (which lets the
  // decoder hand blocks to threads); its output does not depend on the number of threads.
  lzma_mt mt{};
  mt.threads = std::clamp(std::thread::hardware_concurrency(), 1u, 16u);
  // Cut at entry boundaries, the encoder never cuts by itself: a block ends at the first entry
  // end at or past the block size.
  mt.block_size = at_entries ? std::max<uint64_t>(content_size, 1) : stats.block_size;
  mt.filters = filters.data();
  mt.check = LZMA_CHECK_CRC32;
  lzma_stream stream = LZMA_STREAM_INIT;
  if (lzma_ret ret = lzma_stream_encoder_mt(&stream, &mt); ret != LZMA_OK) {
    return fail("cannot start the encoder: " + lzma_error_text(ret));
  }
  struct EndStream {
    lzma_stream* s;
    ~EndStream() { lzma_end(s); }
  } end_stream{&stream};

  fs::path temporary = out;
  temporary += ".part";
  std::ofstream blob(temporary, std::ios::binary | std::ios::trunc);
  if (!blob) return fail("cannot create " + temporary.string());
  auto abandon = [&](Failure failure) -> Result<PackStats> {
    blob.close();
    std::error_code ignored;
    fs::remove(temporary, ignored);
    return failure;
  };

  const std::vector<uint8_t> header = payload_header_bytes(stats.total_size, stats.entry_count);
  blob.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));

  StreamWriter writer(stream, blob);
  uint64_t in_block = 0;    // content bytes in the block being written (cut at entries)
  uint64_t cut_blocks = 0;  // blocks ended at an entry boundary
  std::vector<uint8_t> chunk(1 << 20);
  uint64_t done = 0;
  for (size_t i = 0; i < files.size(); ++i) {
    const PackFile& file = files[i];
    const std::vector<uint8_t> entry_header = entry_header_bytes(file.name, file.size);
    if (Status fed = writer.feed(entry_header.data(), entry_header.size()); !fed) return abandon(fed.failure());

    std::ifstream in(file.path, std::ios::binary);
    if (!in) return abandon(fail("cannot read " + file.path.string()));
    uint64_t remaining = file.size;
    while (remaining > 0) {
      size_t want = static_cast<size_t>(std::min<uint64_t>(remaining, chunk.size()));
      in.read(reinterpret_cast<char*>(chunk.data()), static_cast<std::streamsize>(want));
      if (static_cast<size_t>(in.gcount()) != want) {
        return abandon(fail(file.path.string() + " changed while it was packed"));
      }
      if (Status fed = writer.feed(chunk.data(), want); !fed) return abandon(fed.failure());
      remaining -= want;
      done += want;
      if (settings.on_progress) settings.on_progress(done, stats.total_size);
    }
    if (in.peek() != std::char_traits<char>::eof()) {
      return abandon(fail(file.path.string() + " changed while it was packed"));
    }
    in_block += entry_header.size() + file.size;
    if (cut_after[i]) {
      if (Status cut = writer.end_block(); !cut) return abandon(cut.failure());
      ++cut_blocks;
      in_block = 0;
    }
  }
  if (at_entries) stats.block_count = cut_blocks + (in_block > 0 ? 1 : 0);
  // Several blocks: the block map follows the last entry in a block of its own, so that the
  // installer knows where each block's bytes go before it decodes any.
  if (stats.block_count >= 2) {
    std::vector<PayloadEntry> entries;
    for (const PackFile& file : files) entries.push_back(PayloadEntry{file.name, file.size});
    std::vector<uint8_t> map = block_map_bytes(entries);
    if (in_block > 0 || !at_entries) {
      if (Status cut = writer.end_block(); !cut) return abandon(cut.failure());
    }
    if (Status fed = writer.feed(map.data(), map.size()); !fed) return abandon(fed.failure());
  }
  if (Status ended = writer.end(); !ended) return abandon(ended.failure());
  blob.close();
  if (!blob) return abandon(fail("cannot write " + temporary.string()));
  stats.blob_size = header.size() + writer.written();

  std::error_code ec;
  fs::rename(temporary, out, ec);
  if (ec) return abandon(fail("cannot rename to " + out.string() + ": " + ec.message()));
  return stats;
}

}  // namespace vl::packer
