#pragma once
// Test doubles for the engine: an entry writer that keeps files in memory and records what
// happened, and a sink that records every report.
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "install/install_job.h"
#include "payload/copy_entries.h"

namespace vl::testing_support {

class MemoryWriter final : public EntryWriter {
 public:
  Status begin(const PayloadEntry& entry) override {
    events.push_back("begin " + entry.name);
    current = entry.name;
    data.clear();
    return Status::success();
  }
  Status write(std::span<const uint8_t> chunk) override {
    data.append(reinterpret_cast<const char*>(chunk.data()), chunk.size());
    return Status::success();
  }
  Status close() override {
    events.push_back("close " + current);
    closed[current] = data;
    return Status::success();
  }
  void discard() override { events.push_back("discard " + current); }
  Status commit(std::string_view name) override {
    events.push_back("commit " + std::string(name));
    files[std::string(name)] = closed.at(std::string(name));
    return Status::success();
  }
  void drop(std::string_view name) override { events.push_back("drop " + std::string(name)); }

  std::vector<std::string> events;
  std::map<std::string, std::string> files;  // committed files

 private:
  std::string current;
  std::string data;
  std::map<std::string, std::string> closed;
};

// An entry writer for the block-parallel decode: the entries another() makes are written at
// offsets, from any thread; the in-order calls go to a MemoryWriter. `gate`, when set, is
// called before every positional write with the entry's name and offset; `before_close`
// before each positional entry's close, `during_begin` inside each positional entry's begin.
class PositionalMemoryWriter final : public EntryWriter {
 public:
  Status begin(const PayloadEntry& entry) override { return in_order.begin(entry); }
  Status write(std::span<const uint8_t> chunk) override { return in_order.write(chunk); }
  Status close() override { return in_order.close(); }
  void discard() override { in_order.discard(); }
  Status commit(std::string_view name) override {
    std::lock_guard lock(mutex);
    if (auto placed = placed_at.find(std::string(name)); placed != placed_at.end()) {
      events.push_back("commit " + std::string(name));
      files[placed->first] = placed->second;
      return Status::success();
    }
    return in_order.commit(name);
  }
  void drop(std::string_view name) override {
    std::lock_guard lock(mutex);
    events.push_back("drop " + std::string(name));
    in_order.drop(name);
  }
  std::unique_ptr<EntryWriter> another() override { return std::make_unique<Entry>(*this); }

  MemoryWriter in_order;
  std::function<void(const std::string&, uint64_t)> gate;
  std::function<void(const std::string&)> before_close;
  std::function<void(const std::string&)> during_begin;
  std::mutex mutex;
  std::vector<std::string> events;            // of the positional entries and commits
  std::map<std::string, std::string> files;   // committed positional entries

 private:
  class Entry final : public EntryWriter {
   public:
    explicit Entry(PositionalMemoryWriter& owner) : owner_(owner) {}
    Status begin(const PayloadEntry& entry) override {
      name_ = entry.name;
      if (owner_.during_begin) owner_.during_begin(name_);
      return Status::success();
    }
    Status write(std::span<const uint8_t>) override { return fail("in-order write"); }
    Status write_at(uint64_t offset, std::span<const uint8_t> chunk) override {
      if (owner_.gate) owner_.gate(name_, offset);
      std::lock_guard lock(owner_.mutex);
      if (data_.size() < offset + chunk.size()) data_.resize(offset + chunk.size());
      std::memcpy(data_.data() + offset, chunk.data(), chunk.size());
      return Status::success();
    }
    Status close() override {
      if (owner_.before_close) owner_.before_close(name_);
      std::lock_guard lock(owner_.mutex);
      owner_.events.push_back("close " + name_);
      owner_.placed_at[name_] = data_;
      return Status::success();
    }
    void discard() override {
      std::lock_guard lock(owner_.mutex);
      owner_.events.push_back("discard " + name_);
    }
    Status commit(std::string_view) override { return fail("commit on an entry"); }
    void drop(std::string_view) override {}

   private:
    PositionalMemoryWriter& owner_;
    std::string name_;
    std::string data_;
  };
  std::map<std::string, std::string> placed_at;  // closed positional entries
};

class RecordingSink final : public ProgressSink {
 public:
  void step_started(InstallStep step) override { steps.push_back(step); }
  void report_progress(float fraction, std::string_view detail) override {
    fractions.push_back(fraction);
    details.emplace_back(detail);
  }
  std::vector<InstallStep> steps;
  std::vector<float> fractions;
  std::vector<std::string> details;
};

}  // namespace vl::testing_support
