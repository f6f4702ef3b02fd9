#include "session.h"

#include "app/win32/win32_names.h"
#include "report.h"
#include "text.h"

namespace wine_test {

namespace {

std::wstring freshRoot() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::wstring base(temp);
  if (!base.empty() && base.back() == L'\\') base.pop_back();
  for (unsigned attempt = 0;; ++attempt) {
    const std::wstring dir = base + L"\\dorvan-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                             std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(attempt);
    if (CreateDirectoryW(dir.c_str(), nullptr)) return dir;
    if (attempt > 50) throw Abort{"cannot create a temporary folder under " + narrow(base)};
  }
}

void copyOrAbort(const std::wstring& from, const std::wstring& to) {
  if (!CopyFileW(from.c_str(), to.c_str(), FALSE))
    throw Abort{"cannot copy " + narrow(from) + " to " + narrow(to) + " (error " + std::to_string(GetLastError()) +
                ")"};
}

struct FindContext {
  DWORD pid;
  const wchar_t* cls;
  std::vector<HWND>* out;
};

BOOL CALLBACK collectWindow(HWND h, LPARAM lp) {
  auto* ctx = reinterpret_cast<FindContext*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  if (pid != ctx->pid) return TRUE;
  wchar_t cls[256];
  GetClassNameW(h, cls, 256);
  if (lstrcmpiW(cls, ctx->cls) == 0) ctx->out->push_back(h);
  return TRUE;
}

}  // namespace

void sleepMs(DWORD ms) { Sleep(ms); }

std::wstring dirOf(const std::wstring& path) {
  const auto slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

void writeBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) throw Abort{"cannot write " + narrow(path)};
  DWORD written = 0;
  WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(f);
}

bool readBytes(const std::wstring& path, std::string& out) {
  out.clear();
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  char buf[65536];
  DWORD got = 0;
  while (ReadFile(f, buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
  CloseHandle(f);
  return true;
}

bool fileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void removeTree(const std::wstring& dir) {
  WIN32_FIND_DATAW fd;
  HANDLE find = FindFirstFileW((dir + L"\\*").c_str(), &fd);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring full = dir + L"\\" + name;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        removeTree(full);
      else {
        SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(full.c_str());
      }
    } while (FindNextFileW(find, &fd));
    FindClose(find);
  }
  RemoveDirectoryW(dir.c_str());
}

Session::Session(const Paths& paths, const LaunchOptions& options) : paths_(paths), options_(options) {
  root_ = freshRoot();
  if (options_.inPlace) {
    appDir_ = workDir_ = dirOf(paths_.exe);
    copyOrAbort(paths_.standin, appDir_ + L"\\mcHID.dll");
    return;
  }
  appDir_ = root_ + L"\\app";
  workDir_ = root_ + L"\\work";
  CreateDirectoryW(appDir().c_str(), nullptr);
  CreateDirectoryW(workDir().c_str(), nullptr);
  const std::wstring exeDir = dirOf(paths_.exe);
  copyOrAbort(paths_.exe, appDir() + L"\\DORVAN.exe");
  if (options_.dllBesideExe) copyOrAbort(paths_.standin, appDir() + L"\\mcHID.dll");
  if (options_.dllInWorkDir) copyOrAbort(paths_.standin, workFile(L"mcHID.dll"));
  for (const wchar_t* picture : {L"fis_1.bmp", L"fis_2.bmp"}) {
    const std::wstring from = exeDir + L"\\" + picture;
    if (!fileExists(from)) continue;
    CopyFileW(from.c_str(), (appDir() + L"\\" + picture).c_str(), FALSE);
    if (options_.pictures) copyOrAbort(from, workFile(picture));
  }
}

Session::~Session() {
  if (process_.hProcess != nullptr) {
    if (running()) {
      TerminateProcess(process_.hProcess, 99);
      WaitForSingleObject(process_.hProcess, 5000);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
  if (GetEnvironmentVariableW(L"DORVAN_KEEP_TEST_FOLDERS", nullptr, 0) == 0) removeTree(root_);
}

void Session::launch() {
  SetEnvironmentVariableW(L"DORVAN_STANDIN_LOG", logPath().c_str());
  const std::wstring exe = appDir() + L"\\DORVAN.exe";
  std::wstring commandLine = L"\"" + exe + L"\"";
  if (!options_.arguments.empty()) commandLine += L" " + options_.arguments;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, workDir().c_str(), &si,
                      &process_))
    throw Abort{"cannot start " + narrow(exe) + " (error " + std::to_string(GetLastError()) + ")"};
}

bool Session::running() const {
  return process_.hProcess != nullptr && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

DWORD Session::waitForExit(DWORD ms) {
  if (WaitForSingleObject(process_.hProcess, ms) != WAIT_OBJECT_0) return STILL_ACTIVE;
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(process_.hProcess, &code);
  return code;
}

std::vector<HWND> Session::windowsOfClass(const wchar_t* cls) const {
  std::vector<HWND> out;
  FindContext ctx{process_.dwProcessId, cls, &out};
  EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&ctx));
  return out;
}

HWND Session::mainWindow() const {
  const auto found = windowsOfClass(dorvan::win32::kMainFormClass);
  return found.empty() ? nullptr : found.front();
}

HWND Session::waitForMessageBox(DWORD ms) const {
  const DWORD start = GetTickCount();
  do {
    for (HWND h : windowsOfClass(L"#32770"))
      if (IsWindowVisible(h)) return h;
    if (!running()) return nullptr;
    Sleep(50);
  } while (GetTickCount() - start < ms);
  return nullptr;
}

HWND Session::waitForVisibleMain(DWORD ms) const {
  const DWORD start = GetTickCount();
  do {
    HWND h = mainWindow();
    if (h != nullptr && IsWindowVisible(h)) return h;
    if (!running()) return nullptr;
    Sleep(50);
  } while (GetTickCount() - start < ms);
  return nullptr;
}

DWORD Session::closeMainWindow(DWORD ms) {
  HWND h = mainWindow();
  if (h != nullptr) PostMessageW(h, WM_CLOSE, 0, 0);
  return waitForExit(ms);
}

}  // namespace wine_test
