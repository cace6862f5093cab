#include "main/LogFile.h"

#include "framework/Exception.h"
#include "framework/Handles.h"

#include <windows.h>

#include <algorithm>

namespace hivelark {
namespace {

[[noreturn]] void CannotCreate(const std::string& path, DWORD error) {
  throw Exception(
      Format("Cannot create file \"%s\". %s", path.c_str(), SystemErrorMessage(error).c_str()));
}

std::string FolderOf(const std::string& path) {
  const size_t separator = path.find_last_of("\\/:");
  if (separator == std::string::npos) {
    return ".";
  }
  // "C:\log.txt" lies in "C:\"; "C:log.txt" in "C:".
  return path.substr(0, separator + 1);
}

// Removes the temporary file unless it was put in place.
class TemporaryFile {
public:
  explicit TemporaryFile(std::string path) : path_(std::move(path)) {}
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() {
    if (!kept_) {
      DeleteFileA(path_.c_str());
    }
  }
  const std::string& Path() const { return path_; }
  void Keep() { kept_ = true; }

private:
  std::string path_;
  bool kept_ = false;
};

} // namespace

void SaveLogFile(const std::string& path, const std::string& text) {
  // What creating the file itself would refuse, refused before anything is written.
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) {
    CannotCreate(path, ERROR_ACCESS_DENIED);
  }
  char temporaryPath[MAX_PATH] = {};
  if (GetTempFileNameA(FolderOf(path).c_str(), "hvl", 0, temporaryPath) == 0) {
    CannotCreate(path, GetLastError());
  }
  TemporaryFile temporary(temporaryPath);
  {
    // Exclusive access while it is written.
    UniqueFile file(CreateFileA(temporary.Path().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
      CannotCreate(path, GetLastError());
    }
    size_t written = 0;
    while (written < text.size()) {
      const DWORD chunk = static_cast<DWORD>(std::min<size_t>(text.size() - written, 1u << 30));
      DWORD done = 0;
      if (!WriteFile(file.get(), text.data() + written, chunk, &done, nullptr) || done == 0) {
        throw Exception("Stream write error");
      }
      written += done;
    }
    if (!FlushFileBuffers(file.get())) {
      throw Exception("Stream write error");
    }
  }
  if (!MoveFileExA(temporary.Path().c_str(), path.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    CannotCreate(path, GetLastError());
  }
  temporary.Keep();
}

} // namespace hivelark
