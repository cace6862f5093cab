#include "main/LogFile.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace hivelark;

namespace {

std::string Contents(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The names in `folder`, apart from "." and "..".
int FilesIn(const std::string& folder) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  int count = 0;
  if (search != INVALID_HANDLE_VALUE) {
    do {
      count += found.cFileName[0] != '.';
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  return count;
}

} // namespace

TEST(LogFile,
     ReplacingKeepsAttributesLongFoldersTakeATemporaryFileAndFullFoldersAreWrittenInPlace) {
  char base[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, base);
  std::string folder = std::string(base) + "HivelarkLog" + std::to_string(GetCurrentProcessId());
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));

  const std::string hidden = folder + "\\RegLog.txt";
  std::ofstream(hidden, std::ios::binary) << "the old log, longer than the new one";
  ASSERT_TRUE(SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));
  SaveLogFile(hidden, "new\r\n");
  EXPECT_EQ(Contents(hidden), "new\r\n");
  EXPECT_NE(GetFileAttributesA(hidden.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
  SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(hidden.c_str());

  // As long as a folder may be (MAX_PATH - 12): too long for the platform's temporary names.
  std::string deep = folder + "\\" + std::string(MAX_PATH - 13 - folder.size(), 'd');
  ASSERT_GT(deep.size(), static_cast<size_t>(MAX_PATH - 14));
  ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
  const std::string path = deep + "\\a.txt";
  EXPECT_NO_THROW(SaveLogFile(path, "entry\r\n"));
  EXPECT_EQ(Contents(path), "entry\r\n");
  EXPECT_NO_THROW(SaveLogFile(path, "again\r\n")) << "replacing it there too";
  EXPECT_EQ(Contents(path), "again\r\n");
  EXPECT_EQ(FilesIn(deep), 1) << "no temporary file is left";

  // Where no temporary name is free beside it, the file is written in place, not refused. A file
  // of one character's name takes temporary names of one hexadecimal digit, all of them taken.
  const std::string single = deep + "\\A";
  std::ofstream(single, std::ios::binary) << "the old log";
  std::vector<std::string> taken;
  for (const char* name :
       {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "B", "C", "D", "E", "F"}) {
    taken.push_back(deep + "\\" + name);
    ASSERT_TRUE(CreateDirectoryA(taken.back().c_str(), nullptr));
  }
  EXPECT_NO_THROW(SaveLogFile(single, "ok\r\n"));
  EXPECT_EQ(Contents(single), "ok\r\n");
  EXPECT_EQ(FilesIn(deep), 17) << "no temporary file is left";
  for (const std::string& name : taken) {
    RemoveDirectoryA(name.c_str());
  }
  DeleteFileA(single.c_str());
  DeleteFileA(path.c_str());
  RemoveDirectoryA(deep.c_str());
  RemoveDirectoryA(folder.c_str());
}
