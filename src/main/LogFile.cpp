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

std::string FileNameOf(const std::string& path) {
  const size_t separator = path.find_last_of("\\/:");
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

// Creates an empty file of a new name in `folder` and returns its path. GetTempFileNameA refuses a
// folder longer than MAX_PATH - 14 characters even where the file to save still fits: there the
// name is made of as many hexadecimal digits as the file's own name has characters (at most 8),
// so that it fits wherever the file does.
std::string CreateTemporaryFile(const std::string& folder, const std::string& fileName) {
  char temporaryPath[MAX_PATH] = {};
  if (folder.size() <= MAX_PATH - 14) {
    if (GetTempFileNameA(folder.c_str(), "hvl", 0, temporaryPath) == 0) {
      return {};
    }
    return temporaryPath;
  }
  const int digits = static_cast<int>(std::clamp<size_t>(fileName.size(), 1, 8));
  const std::string prefix = folder.back() == '\\' ? folder : folder + "\\";
  const DWORD range = digits >= 8 ? 0xFFFFFFFFu : (1u << (4 * digits)) - 1;
  DWORD candidate = GetTickCount() ^ (GetCurrentProcessId() << 8);
  for (DWORD tries = 0; tries <= std::min<DWORD>(range, 0xFFFF); ++tries, ++candidate) {
    const std::string name = Format("%0*lX", digits, static_cast<unsigned long>(candidate & range));
    // A name of hexadecimal digits could be the file's own, which must stay free for the move.
    if (lstrcmpiA(name.c_str(), fileName.c_str()) == 0) {
      continue;
    }
    const std::string path = prefix + name;
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) {
      return path;
    }
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) {
      return {};
    }
  }
  SetLastError(ERROR_FILE_EXISTS);
  return {};
}

// Writes all of `text` to `file` and flushes it; "Stream write error" when that fails.
void WriteWhole(HANDLE file, const std::string& text) {
  size_t written = 0;
  while (written < text.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(text.size() - written, 1u << 30));
    DWORD done = 0;
    if (!WriteFile(file, text.data() + written, chunk, &done, nullptr) || done == 0) {
      throw Exception("Stream write error");
    }
    written += done;
  }
  if (!FlushFileBuffers(file)) {
    throw Exception("Stream write error");
  }
}

// Writes the file itself, where no temporary file can stand beside it (a folder in which the user
// may change files but not add any): the old text is then gone before the new one is complete.
void WriteInPlace(const std::string& path, const std::string& text) {
  UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    CannotCreate(path, GetLastError());
  }
  // Emptied, not made anew: a new file could lose the old one's hidden or system attribute.
  if (!SetEndOfFile(file.get())) {
    throw Exception("Stream write error");
  }
  WriteWhole(file.get(), text);
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
  const std::string temporaryPath = CreateTemporaryFile(FolderOf(path), FileNameOf(path));
  if (temporaryPath.empty()) {
    // Only where the folder takes no new file (not allowed, or no name left): any other failure
    // (a full disk, say) would go on to empty the old file and then fail with it.
    const DWORD error = GetLastError();
    if (error != ERROR_ACCESS_DENIED && error != ERROR_FILE_EXISTS) {
      CannotCreate(path, error);
    }
    WriteInPlace(path, text);
    return;
  }
  TemporaryFile temporary(temporaryPath);
  {
    // Exclusive access while it is written.
    UniqueFile file(CreateFileA(temporary.Path().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
      CannotCreate(path, GetLastError());
    }
    WriteWhole(file.get(), text);
  }
  // Replacing keeps the old file's attributes and permissions, which a move would drop. Some
  // implementations of ReplaceFileA only move the file, so the attributes that a user sets are
  // also given to the new file beforehand.
  bool placed = false;
  DWORD error = ERROR_SUCCESS;
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    constexpr DWORD kKeptAttributes =
        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    SetFileAttributesA(temporary.Path().c_str(),
                       (attributes & kKeptAttributes) | FILE_ATTRIBUTE_ARCHIVE);
    // What cannot be carried over (no permissions on the volume, say) does not stop the save.
    placed = ReplaceFileA(path.c_str(), temporary.Path().c_str(), nullptr,
                          REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
    error = GetLastError();
  }
  // Where no file stands (none was there, it went meanwhile, or a replacement that failed half
  // way removed it), the temporary file is moved into place.
  if (!placed && GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    placed = MoveFileExA(temporary.Path().c_str(), path.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    error = GetLastError();
  }
  if (!placed) {
    CannotCreate(path, error);
  }
  temporary.Keep();
}

} // namespace hivelark
