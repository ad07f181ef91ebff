#include "install/running_app.h"

#include "product/product.h"
#include "sys/paths.h"
#include "sys/text.h"

namespace vl {

std::vector<uint32_t> select_by_image(std::span<const ProcessRecord> snapshot,
                                      std::string_view image_path) {
  std::vector<uint32_t> ids;
  std::string_view name = file_name_of(image_path);
  if (name.empty()) return ids;
  std::string wanted = lower_full(name);
  for (const ProcessRecord& process : snapshot) {
    if (lower_full(process.exe_name) != wanted) continue;
    if (!process.image_path || same_path(*process.image_path, image_path))
      ids.push_back(process.pid);
  }
  return ids;
}

std::vector<uint32_t> select_by_name(std::span<const ProcessRecord> snapshot,
                                     std::string_view name) {
  std::vector<uint32_t> ids;
  std::string wanted = lower_full(name);
  for (const ProcessRecord& process : snapshot) {
    if (lower_full(process.exe_name) == wanted) ids.push_back(process.pid);
  }
  return ids;
}

std::chrono::seconds grace_limit(bool update_in_place) {
  return std::chrono::seconds(update_in_place ? 8 : 1);
}

bool grace_expired(std::chrono::steady_clock::duration elapsed, bool update_in_place) {
  return std::chrono::duration_cast<std::chrono::seconds>(elapsed) >= grace_limit(update_in_place);
}

std::vector<std::string> application_paths(std::string_view install_dir,
                                           const std::optional<std::string>& previous_main_binary) {
  std::vector<std::string> paths{join_path(install_dir, APPLICATION_FILE_NAME)};
  // A name read from the registry that is not a plain file name could point the search (and the
  // termination) at a program outside the install directory; such a name is not used.
  if (previous_main_binary && is_plain_file_name(*previous_main_binary) &&
      !same_name(*previous_main_binary, APPLICATION_FILE_NAME)) {
    paths.push_back(join_path(install_dir, *previous_main_binary));
  }
  return paths;
}

}  // namespace vl
