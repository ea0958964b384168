// A temporary folder for one test, removed with its content afterwards.
#pragma once

#include <string>
#include <string_view>

namespace rpt::testing {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder's path, ending with "/".
  const std::string& path() const { return path_; }
  // path() + name.
  std::string operator/(std::string_view name) const { return path_ + std::string(name); }
  // Writes a file (creating its folders) and returns its path.
  std::string Write(std::string_view name, std::string_view bytes) const;

 private:
  std::string path_;
};

// Reads a whole file; fails the test when it cannot.
std::string ReadFile(const std::string& path);

}  // namespace rpt::testing
