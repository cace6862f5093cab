// What a user or the system may throw at the real program: odd key paths, saves that cannot
// succeed, a huge log, a program that went away, a clipboard that someone else holds. Each must
// end in a clear message or the documented behaviour, with nothing lost and the program still
// working.
#include "e2e/ProgramTest.h"
#include "framework/Handles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace e2e;
using testing_support::AskWindow;

namespace {

using BadInput = ProgramTest;

bool CreateTestKeyWide(const std::wstring& path) {
  hivelark::UniqueKey key;
  return RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                         key.put(), nullptr) == ERROR_SUCCESS;
}

std::wstring Wide(const std::string& text) {
  std::wstring wide(text.size(), L'\0');
  const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                         wide.data(), static_cast<int>(wide.size()));
  wide.resize(static_cast<size_t>(length));
  return wide;
}

// `text` in the system code page, or false when a character has no place in it.
bool InCodePage(const std::wstring& text, std::string& bytes) {
  BOOL defaulted = FALSE;
  bytes.assign(text.size() * 2, '\0');
  const int length =
      WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), static_cast<int>(text.size()),
                          bytes.data(), static_cast<int>(bytes.size()), nullptr, &defaulted);
  bytes.resize(static_cast<size_t>(length));
  return length > 0 && !defaulted;
}

bool PutTextOnClipboard(const std::string& text) {
  if (!OpenClipboard(nullptr)) {
    return false;
  }
  EmptyClipboard();
  bool placed = false;
  if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1)) {
    std::memcpy(GlobalLock(memory), text.c_str(), text.size() + 1);
    GlobalUnlock(memory);
    placed = SetClipboardData(CF_TEXT, memory) != nullptr;
    if (!placed) {
      GlobalFree(memory);
    }
  }
  CloseClipboard();
  return placed;
}

// The names in a folder, "." and ".." left out.
std::vector<std::string> FolderContents(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found{};
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    return names;
  }
  do {
    const std::string name = found.cFileName;
    if (name != "." && name != "..") {
      names.push_back(name);
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

// Opens Save Log, types `name` and expects the application's error box for it: "Cannot create
// file "<path>". <the system's reason>." Answers it and checks that the status is unchanged.
void ExpectSaveRefused(Hivelark& program, const std::string& name, const std::string& path) {
  const std::string statusBefore = program.Status();
  program.ClickPicture(Picture::Save);
  HWND save = program.WaitForWindow("#32770", "Save Registry Log");
  ASSERT_NE(save, nullptr);
  ChooseInFileDialog(save, name);
  HWND box = program.WaitForErrorBox();
  ASSERT_NE(box, nullptr) << name;
  const std::string message = Hivelark::MessageOf(box);
  const std::string start = "Cannot create file \"" + path + "\". ";
  EXPECT_EQ(message.rfind(start, 0), 0u) << message;
  EXPECT_GT(message.size(), start.size() + 1) << "the system's reason is given: " << message;
  EXPECT_EQ(message.back(), '.') << message;
  EXPECT_EQ(message.find(".."), std::string::npos) << "one full stop: " << message;
  ASSERT_TRUE(Hivelark::Answer(box));
  EXPECT_EQ(program.Status(), statusBefore);
}

} // namespace

TEST_F(BadInput, KeyPathsOf255And300CharactersAnd32KilobytesAreWatchedOrRefusedClearly) {
  // Exactly 255 characters.
  const std::string path255 = key + "\\" + std::string(255 - key.size() - 1, 'a');
  ASSERT_EQ(path255.size(), 255u);
  ASSERT_TRUE(CreateTestKey(path255));
  ExpectWatchedAsTyped(path255, path255);

  // 300 characters, made through the wide functions. The program reads the registry through the
  // 8-bit functions, which some platforms limit to shorter paths: then the key is reported as
  // missing, which is the documented answer for a key that cannot be opened.
  const std::string path300 =
      key + "\\" + std::string(200, 'b') + "\\" + std::string(300 - key.size() - 202, 'c');
  ASSERT_EQ(path300.size(), 300u);
  ASSERT_TRUE(CreateTestKeyWide(Wide(path300)));
  program.TypeKeyPath(path300);
  EXPECT_EQ(program.KeyPath(), path300) << "the field takes the whole path";
  ExpectWatchedAsTypedOrRefused(path300, path300);

  // 32 KB: no key has such a path; the field holds it whole and Start says so.
  const std::string path32k = key + "\\" + std::string(32 * 1024, 'z');
  program.TypeKeyPath(path32k);
  EXPECT_EQ(program.KeyPath(), path32k) << "no length limit";
  ExpectRefused("Your Key Path doesn't Exists");
  EXPECT_EQ(program.EntryCount(), 0u);
  EXPECT_EQ(program.Exit(), 0u);
}

TEST_F(BadInput, TrailingDoubledAndLeadingBackslashesAreLoggedAsTyped) {
  // The registry reads a trailing, doubled or leading separator as one; the log names the key
  // exactly as the user typed it.
  ExpectWatchedAsTyped(key + "\\", key);
  ExpectWatchedAsTyped("\\" + key, key);
  std::string doubled = key;
  doubled.replace(doubled.find('\\'), 1, "\\\\");
  program.TypeKeyPath(doubled);
  ExpectWatchedAsTypedOrRefused(doubled, key);
  EXPECT_EQ(program.Exit(), 0u);
}

TEST_F(BadInput, CharactersOutsideTheCodePageAreRefusedAndOthersKeptByteForByte) {
  const std::wstring wideKey = Wide(key);
  // A name in the code page, beyond ASCII: watched, and logged in the code page's bytes.
  const std::wstring accented = L"Caf\u00e9 \u00c5";
  std::string accentedBytes;
  if (InCodePage(accented, accentedBytes)) {
    ASSERT_TRUE(CreateTestKeyWide(wideKey + L"\\" + accented));
    program.TypeKeyPathWide(wideKey + L"\\" + accented);
    EXPECT_EQ(program.KeyPath(), key + "\\" + accentedBytes);
    ASSERT_TRUE(program.StartWatching(key + "\\" + accentedBytes));
    ASSERT_EQ(RunReg(L"add \"HKCU\\" + wideKey + L"\\" + accented + L"\" /v v /d 1 /f"), 0);
    ASSERT_TRUE(program.WaitForEntries(1));
    ExpectEntries(1, Where() + "\\" + accentedBytes);
    ASSERT_TRUE(program.StopWatching());
  }

  // A name with characters the code page lacks: the 8-bit text that reaches the program cannot
  // name the key, and Start says the path does not exist.
  const std::wstring foreign = L"\u0416\u5b57";
  std::string foreignBytes;
  ASSERT_FALSE(InCodePage(foreign, foreignBytes)) << "pick characters outside this code page";
  ASSERT_TRUE(CreateTestKeyWide(wideKey + L"\\" + foreign));
  program.TypeKeyPathWide(wideKey + L"\\" + foreign);
  const std::string received = program.KeyPath();
  ASSERT_FALSE(TestKeyExists(received)) << received;
  ExpectRefused("Your Key Path doesn't Exists");
  EXPECT_EQ(program.Exit(), 0u);
}

TEST_F(BadInput, KeyNamedErrorIsWatchedLikeAnyOther) {
  const bool existed = TestKeyExists("error");
  ASSERT_TRUE(CreateTestKey("error"));
  ExpectWatchedAsTyped("error", "error");
  if (!existed) {
    DeleteTestTree("error");
  }
  EXPECT_EQ(program.Exit(), 0u);
}

TEST_F(BadInput, SavesThatCannotSucceedSayWhyAndKeepTheOldFile) {
  ScratchFolder folder("refused saves");
  const std::string typed = "typed into the log by the user\r\n";
  program.TypeIntoLog(typed);
  ASSERT_TRUE(WaitUntil([&] { return program.LogText() == typed; })) << program.LogText();

  // Onto a read-only file: refused, and the file keeps its bytes and its attribute.
  const std::string readOnly = folder / "kept.txt";
  ASSERT_TRUE(WriteWholeFile(readOnly, "the old log\r\n"));
  ASSERT_TRUE(SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
  ExpectSaveRefused(program, readOnly, readOnly);
  EXPECT_EQ(ReadWholeFile(readOnly), "the old log\r\n");
  EXPECT_NE(GetFileAttributesA(readOnly.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);

  // Into a folder that does not exist: refused, and no folder made.
  const std::string missing = folder / "missing\\log.txt";
  ExpectSaveRefused(program, missing, missing);
  EXPECT_FALSE(FileExists(folder / "missing"));

  // Onto a folder: the dialog opens a folder whose name is typed, so the folder is reached by
  // its name without the extension that the dialog adds.
  ASSERT_TRUE(CreateDirectoryA((folder / "folder.txt").c_str(), nullptr));
  ExpectSaveRefused(program, folder / "folder", folder / "folder.txt");
  EXPECT_NE(GetFileAttributesA((folder / "folder.txt").c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);

  // Nothing half-written left behind, and the log is whole and can still be saved.
  EXPECT_EQ(FolderContents(folder.Path()), (std::vector<std::string>{"folder.txt", "kept.txt"}));
  EXPECT_EQ(program.LogText(), typed);
  program.ClickPicture(Picture::Save);
  HWND save = program.WaitForWindow("#32770", "Save Registry Log");
  ASSERT_NE(save, nullptr);
  ChooseInFileDialog(save, folder / "fine.txt");
  ASSERT_TRUE(program.WaitForStatus("Log Saved"));
  EXPECT_EQ(ReadWholeFile(folder / "fine.txt"), typed);
  EXPECT_EQ(program.Exit(), 0u);
}

TEST_F(BadInput, FiftyMegabyteLogTakesNewEntriesAndIsSavedWhole) {
  ScratchFolder folder("big log");
  // 50 MB of 80-character lines, pasted into the log as a user would (Ctrl+V).
  std::string pasted(50u << 20, 'x');
  for (size_t end = 78; end + 1 < pasted.size(); end += 80) {
    pasted[end] = '\r';
    pasted[end + 1] = '\n';
  }
  pasted.resize(pasted.size() - pasted.size() % 80);
  ASSERT_TRUE(PutTextOnClipboard(pasted));
  ASSERT_TRUE(AskWindow(program.Log(), WM_PASTE, 0, 0, 300000));
  ASSERT_EQ(program.LogLength(), static_cast<int>(pasted.size()));

  // A change is appended after it.
  ASSERT_TRUE(program.StartWatching(key));
  ASSERT_TRUE(RegChange(key));
  ASSERT_TRUE(
      WaitUntil([&] { return program.LogLength() > static_cast<int>(pasted.size()); }, 60000, 50));
  ASSERT_TRUE(program.StopWatching());

  program.ClickPicture(Picture::Save);
  HWND save = program.WaitForWindow("#32770", "Save Registry Log", 60000);
  ASSERT_NE(save, nullptr);
  const std::string saved = folder / "big.txt";
  ChooseInFileDialog(save, saved);
  ASSERT_TRUE(program.WaitForStatus("Log Saved", 120000));
  const std::string bytes = ReadWholeFile(saved);
  ASSERT_EQ(bytes.size(), static_cast<size_t>(program.LogLength()));
  EXPECT_TRUE(bytes.compare(0, pasted.size(), pasted) == 0) << "the pasted text, unchanged";
  std::vector<LogEntry> entries;
  std::string problem;
  EXPECT_TRUE(ParseEntries(bytes.substr(pasted.size()), entries, problem)) << problem;
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].where, Where());
  EXPECT_EQ(FolderContents(folder.Path()), std::vector<std::string>{"big.txt"});
  EXPECT_EQ(program.Exit(), 0u);
}

TEST_F(BadInput, ProgramDeletedAfterItWasChosenIsSkippedQuietly) {
  ScratchFolder folder("deleted program");
  const std::string marker = folder / "marker.txt";
  const std::string batch = MakeMarkerBatch(folder, marker);
  ChooseProgramToExecute(batch);
  if (HasFatalFailure()) {
    return;
  }
  ASSERT_TRUE(DeleteFileA(batch.c_str()));

  ASSERT_TRUE(program.StartWatching(key));
  for (size_t count = 1; count <= 2; ++count) {
    ASSERT_TRUE(RegChange(key));
    ASSERT_TRUE(program.WaitForEntries(count)) << "the entry is logged all the same";
    Sleep(1000);
    EXPECT_TRUE(program.NoDialogOpen()) << "nothing is shown";
    EXPECT_TRUE(program.Running());
  }
  ExpectEntries(2, Where());
  EXPECT_FALSE(FileExists(marker));
  ASSERT_TRUE(program.StopWatching());
  EXPECT_EQ(program.Exit(), 0u);
}

TEST_F(BadInput, CopyingAMessageWhileAnotherProcessHoldsTheClipboardSaysSo) {
  program.TypeKeyPath("");
  program.ClickPicture(Picture::StartStop);
  HWND message = program.WaitForMessageDialog("Error");
  ASSERT_NE(message, nullptr);
  {
    ClipboardHolder holder;
    ASSERT_TRUE(holder.Holding());
    SetForegroundWindow(message);
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == message; }));
    PressCtrlC();
    HWND box = program.WaitForErrorBox();
    ASSERT_NE(box, nullptr) << "the failed copy is reported";
    EXPECT_EQ(Hivelark::MessageOf(box), "Cannot open clipboard.");
    ASSERT_TRUE(Hivelark::Answer(box));
    EXPECT_TRUE(IsWindowVisible(message)) << "the message stays open";
  }

  // Once the clipboard is free, Ctrl+C copies the message.
  SetForegroundWindow(message);
  ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == message; }));
  PressCtrlC();
  EXPECT_TRUE(WaitUntil([] {
    return ClipboardText().find("Please Enter a Key Path") != std::string::npos;
  })) << ClipboardText();
  ASSERT_TRUE(Hivelark::Answer(message));
  EXPECT_TRUE(program.WaitForStatus("Monitoring aborted"));
  EXPECT_EQ(program.Exit(), 0u);
}

TEST_F(BadInput, TextSentIntoTheLogFromOutsideIsSavedAndOversizedTextKillsNothing) {
  ScratchFolder folder("sent text");
  // Another program replaces the log's text: Save writes what the log then shows, not an older
  // copy of it.
  const std::string sent = "set from another program\r\n" + std::string(100000, 'y') + "\r\n";
  ASSERT_TRUE(
      AskWindow(program.Log(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(sent.c_str()), 60000));
  ASSERT_EQ(program.LogText(), sent);
  program.ClickPicture(Picture::Save);
  HWND save = program.WaitForWindow("#32770", "Save Registry Log");
  ASSERT_NE(save, nullptr);
  ChooseInFileDialog(save, folder / "sent.txt");
  ASSERT_TRUE(program.WaitForStatus("Log Saved"));
  EXPECT_EQ(ReadWholeFile(folder / "sent.txt"), sent);

  // A text too big for the platform to carry between processes may not arrive; the program
  // must go on all the same, with its log either the old text or the new one. (A message lost
  // on the way is never answered: the send gives up after its time-out.)
  const std::string oversized(3u << 20, 'z');
  AskWindow(program.Log(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(oversized.c_str()), 5000);
  Sleep(500);
  ASSERT_TRUE(program.Running()) << "the program is still running";
  ASSERT_TRUE(AskWindow(program.Main(), WM_NULL, 0, 0, 10000)) << "and answers";
  const std::string shown = program.LogText();
  EXPECT_TRUE(shown == sent || shown == oversized) << shown.size() << " bytes in the log";

  // It still watches and logs.
  program.ClickPicture(Picture::Clear);
  ASSERT_TRUE(program.WaitForStatus("Log Cleared"));
  ASSERT_TRUE(program.StartWatching(key));
  ASSERT_TRUE(RegChange(key));
  ASSERT_TRUE(program.WaitForEntries(1));
  ExpectEntries(1, Where());
  ASSERT_TRUE(program.StopWatching());
  EXPECT_EQ(program.Exit(), 0u);
}
