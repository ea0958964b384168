// A benchmark program's own folder under the temporary folder: made with
// the fixture that holds it, removed with everything in it when that goes.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace rpt::bench {

class ScratchFolder {
 public:
  explicit ScratchFolder(std::string_view name)
      : path_((std::filesystem::temp_directory_path() / (std::string(name) + "_" + std::to_string(::getpid())))
                  .string() +
              "/") {
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& path() const { return path_; }  // ends with "/"

 private:
  std::string path_;
};

}  // namespace rpt::bench
