#pragma once

#include "framework/Component.h"

#include <windows.h>
#include <commdlg.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace hivelark {

// The options of the open and save dialogs; each stands for the OFN_ flag of the same meaning.
// ofReadOnly and ofExtensionDifferent are also what a confirmed dialog reports back.
enum TOpenOption {
  ofReadOnly,
  ofHideReadOnly,
  ofExtensionDifferent,
  ofFileMustExist,
  ofEnableSizing,
};

// A set of open options.
class TOpenOptions {
public:
  TOpenOptions() = default;
  TOpenOptions(std::initializer_list<TOpenOption> options);

  bool Contains(TOpenOption option) const { return (bits_ & Bit(option)) != 0; }
  void Include(TOpenOption option) { bits_ |= Bit(option); }
  void Exclude(TOpenOption option) { bits_ &= ~Bit(option); }
  bool operator==(const TOpenOptions& other) const = default;

  // The OFN_ flags of the options in the set.
  DWORD Flags() const;

private:
  static std::uint32_t Bit(TOpenOption option) { return std::uint32_t{1} << option; }

  std::uint32_t bits_ = 0;
};

// The platform call that runs the dialog: GetOpenFileNameA or GetSaveFileNameA. Replaceable, so
// that the record a dialog is given can be checked without a person in front of the screen.
using TFileDialogFunction = std::function<BOOL(OPENFILENAMEA& record)>;

// The system's open-file dialog. Execute runs it modally, owned by the application's hidden window
// and placed on the monitor of the active form; while it is open every other window of the program
// is disabled. The file name, the file type and the read-only and extension results of a confirmed
// dialog are kept for the next run. Main thread only.
class TOpenDialog : public TComponent {
public:
  explicit TOpenDialog(TComponent* owner) : TOpenDialog(owner, "GetOpenFileNameA") {}

  // The full path of the file chosen at the last confirmed run, or the one to propose.
  const std::string& FileName() const { return fileName_; }
  void SetFileName(const std::string& fileName) { fileName_ = fileName; }
  // The files chosen at the last confirmed run (one: no multiple selection is offered).
  std::vector<std::string>& Files() { return files_; }

  // The folder the dialog opens in. A trailing backslash is dropped unless it follows a colon
  // (C:\Tools\ becomes C:\Tools, C:\ stays).
  const std::string& InitialDir() const { return initialDir_; }
  void SetInitialDir(const std::string& initialDir);

  // File types as "description|pattern|description|pattern...".
  const std::string& Filter() const { return filter_; }
  void SetFilter(const std::string& filter) { filter_ = filter; }
  // The file type selected when the dialog opens, counted from 1.
  int FilterIndex() const { return filterIndex_; }
  void SetFilterIndex(int filterIndex) { filterIndex_ = filterIndex; }

  // The extension added to a name typed without one.
  const std::string& DefaultExt() const { return defaultExt_; }
  void SetDefaultExt(const std::string& defaultExt) { defaultExt_ = defaultExt; }
  // The caption; empty shows the system's default title.
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& title) { title_ = title; }

  const TOpenOptions& Options() const { return options_; }
  void SetOptions(const TOpenOptions& options) { options_ = options; }
  int HelpContext() const { return helpContext_; }
  void SetHelpContext(int helpContext) { helpContext_ = helpContext; }

  // Runs the dialog; true when the user confirmed a file, false when they cancelled it. A dialog
  // that fails (the chosen name too long for the file name buffer, or one that cannot be shown)
  // raises Exception, which the application's error box shows.
  bool Execute();

  void SetDialogFunction(TFileDialogFunction function) { dialogFunction_ = std::move(function); }

protected:
  // `systemFunction`: the function of the dialogs' library that runs this kind of dialog.
  TOpenDialog(TComponent* owner, const char* systemFunction)
      : TComponent(owner), systemFunction_(systemFunction) {}

private:
  const char* systemFunction_;
  std::string fileName_;
  std::vector<std::string> files_;
  std::string initialDir_;
  std::string filter_;
  int filterIndex_ = 1;
  std::string defaultExt_;
  std::string title_;
  TOpenOptions options_{ofHideReadOnly, ofEnableSizing};
  int helpContext_ = 0;
  TFileDialogFunction dialogFunction_;
};

// The system's save-file dialog, set up as the open dialog.
class TSaveDialog : public TOpenDialog {
public:
  explicit TSaveDialog(TComponent* owner) : TOpenDialog(owner, "GetSaveFileNameA") {}
};

// The dialogs as the field and the main window declare them.
class TsOpenDialog : public TOpenDialog {
public:
  using TOpenDialog::TOpenDialog;
};

class TsSaveDialog : public TSaveDialog {
public:
  using TSaveDialog::TSaveDialog;
};

// Moves `dialog`, without resizing or activating it, onto the monitor of `form` (of the primary
// monitor when null): centred across, a third of the free height from the top.
void PlaceDialog(HWND dialog, HWND form);

} // namespace hivelark
