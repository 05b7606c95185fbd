#include "testing/temp_folder.h"

#include <stdlib.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace kelvara {
namespace testing {

namespace fs = std::filesystem;

TempFolder::TempFolder(const std::string& prefix) {
  // $TMPDIR, else /tmp; throws std::filesystem::filesystem_error when
  // $TMPDIR names no folder.
  std::string pattern = (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
  if (mkdtemp(pattern.data()) == nullptr)
    throw std::system_error(errno, std::generic_category(), "cannot make " + pattern);
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ec;
  // Give back the owner's rights to what a test made read-only, so that
  // everything can go.
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
  for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (!it->is_symlink()) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    ec.clear();
  }
  fs::remove_all(path_, ec);
}

}  // namespace testing
}  // namespace kelvara
