#pragma once
// Test doubles for the engine: an entry writer that keeps files in memory and records what
// happened, and a sink that records every report.
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "install/copy_entries.h"
#include "install/install_job.h"

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
