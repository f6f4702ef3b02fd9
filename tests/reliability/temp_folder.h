// A fresh folder that the process works in for the life of the object: the program
// opens its stage files by bare name, so the tests must stand in the folder.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>

namespace dorvan::reliability {

class TempFolder {
 public:
  explicit TempFolder(const char* prefix = "dorvan-rel") {
    std::string tmpl = (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
  std::filesystem::path previous_;
};

inline std::string readBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

inline void writeBytes(const std::filesystem::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

// Every file of the folder with its bytes.
inline std::map<std::string, std::string> listing(const std::filesystem::path& folder) {
  std::map<std::string, std::string> out;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    out[entry.path().filename().string()] = readBytes(entry.path());
  return out;
}

}  // namespace dorvan::reliability
