// Any command line, valid UTF-16 or not, parses without crashing, and what the resume builder
// makes of the result parses again as a resumed run.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "args/command_line.h"
#include "sys/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::u16string line(size / 2, u'\0');
  for (size_t i = 0; i < line.size(); ++i) line[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  vl::CommandLine cmd = vl::parse_command_line(line);

  vl::ResumeState state{cmd.scope_choice.value_or(vl::InstallScope::AllUsers), "C:\\Program Files\\V",
                        cmd.desktop_choice.value_or(true), cmd.legacy_choice.value_or(true), cmd.passthrough};
  std::string resumed = "setup.exe " + vl::build_resume_arguments(state, cmd.window_pos);
  vl::CommandLine child = vl::parse_command_line(vl::utf8_to_utf16(resumed));
  if (!child.resume) abort();
  return 0;
}
