// One run of DORVAN.exe under test: a fresh folder holding a copy of the program
// (app\) and its working folder (work\), the stand-in's log, the process, and the
// windows it shows.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace wine_test {

struct Paths {
  std::wstring exe;      // the DORVAN.exe under test
  std::wstring standin;  // the stand-in mcHID.dll
};

struct LaunchOptions {
  bool dllBesideExe = true;
  bool dllInWorkDir = false;
  bool pictures = true;    // fis_1.bmp and fis_2.bmp in the working folder
  std::wstring arguments;  // the command line after the program's name
  // The program as a user starts it: from its own folder, which is also the working
  // folder, with the stand-in put beside it and nothing copied (the unpacked ZIP).
  bool inPlace = false;
};

class Session {
 public:
  Session(const Paths& paths, const LaunchOptions& options);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  std::wstring appDir() const { return appDir_; }
  std::wstring workDir() const { return workDir_; }
  std::wstring workFile(const std::wstring& name) const { return workDir() + L"\\" + name; }
  std::wstring logPath() const { return root_ + L"\\standin.log"; }
  // Unique to this run: it appears in the program's command line.
  std::wstring rootName() const { return root_.substr(root_.find_last_of(L'\\') + 1); }

  // Starts the program; files in the working folder may be changed before this.
  void launch();
  bool running() const;
  // The exit code, once the process has ended within the time; STILL_ACTIVE otherwise.
  DWORD waitForExit(DWORD ms);
  DWORD pid() const { return process_.dwProcessId; }

  // Top-level windows of the process with that class (visible or not).
  std::vector<HWND> windowsOfClass(const wchar_t* cls) const;
  HWND mainWindow() const;
  // A message box (#32770) of the process, waiting up to ms for one.
  HWND waitForMessageBox(DWORD ms) const;
  // Waits for the main window to become visible, up to ms.
  HWND waitForVisibleMain(DWORD ms) const;

  // Ends the program through its close box and returns its exit code.
  DWORD closeMainWindow(DWORD ms);

 private:
  Paths paths_;
  LaunchOptions options_;
  std::wstring root_;  // this run's own folder: the copies, unless in place, and the log
  std::wstring appDir_;
  std::wstring workDir_;
  PROCESS_INFORMATION process_{};
};

// Folders and files.
std::wstring dirOf(const std::wstring& path);
void writeBytes(const std::wstring& path, const std::string& bytes);
bool readBytes(const std::wstring& path, std::string& out);
bool fileExists(const std::wstring& path);
void removeTree(const std::wstring& dir);

void sleepMs(DWORD ms);

}  // namespace wine_test
