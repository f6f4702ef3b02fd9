// The board library on Windows: mcHID.dll, loaded at the first call from the
// program's own folder or the Windows system folder, never by bare name, so that
// a DLL lying in the current folder (where the stage files are) is never picked up.
#include "hid/board_library.h"
#include "base/win32/utf16.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dorvan {
namespace {

constexpr wchar_t kLibraryFile[] = L"mcHID.dll";

// The library's own calling convention and integer widths; its Booleans are 16 bits.
using ConnectFn = std::int16_t(__stdcall*)(std::uint32_t hostWindow);
using DisconnectFn = std::int16_t(__stdcall*)();
using GetVendorIDFn = std::int32_t(__stdcall*)(std::uint32_t handle);
using GetProductIDFn = std::int32_t(__stdcall*)(std::uint32_t handle);
using GetHandleFn = std::uint32_t(__stdcall*)(std::int32_t vendorId, std::int32_t productId);
using SetReadNotifyFn = void(__stdcall*)(std::uint32_t handle, std::int32_t enable);
using ReadFn = std::int16_t(__stdcall*)(std::uint32_t handle, std::uint8_t* buffer);
using WriteExFn = void(__stdcall*)(std::int32_t vendorId, std::int32_t productId, std::uint8_t* buffer);

// The library's "true": all 32 bits set.
constexpr std::int32_t kLibraryTrue = -1;

struct Entries {
  ConnectFn connect = nullptr;
  DisconnectFn disconnect = nullptr;
  GetVendorIDFn getVendorID = nullptr;
  GetProductIDFn getProductID = nullptr;
  GetHandleFn getHandle = nullptr;
  SetReadNotifyFn setReadNotify = nullptr;
  ReadFn read = nullptr;
  WriteExFn writeEx = nullptr;
};

std::wstring folderOfProgram() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD got = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (got == 0) return {};
    if (got < path.size()) {
      path.resize(got);
      break;
    }
    path.resize(path.size() * 2);
  }
  const std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring{} : path.substr(0, slash);
}

std::wstring systemFolder() {
  std::wstring path(MAX_PATH, L'\0');
  UINT got = GetSystemDirectoryW(path.data(), static_cast<UINT>(path.size()));
  if (got >= path.size()) {
    path.resize(got);
    got = GetSystemDirectoryW(path.data(), static_cast<UINT>(path.size()));
  }
  path.resize(got < path.size() ? got : 0);
  return path;
}

std::wstring inFolder(const std::wstring& folder) { return folder + L"\\" + kLibraryFile; }

bool fileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The machine a PE file is built for, read from its headers.
std::optional<WORD> peMachine(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::optional<WORD> machine;
  IMAGE_DOS_HEADER dos{};
  DWORD got = 0;
  if (ReadFile(file, &dos, sizeof dos, &got, nullptr) && got == sizeof dos && dos.e_magic == IMAGE_DOS_SIGNATURE &&
      SetFilePointer(file, dos.e_lfanew, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER) {
    DWORD signature = 0;
    IMAGE_FILE_HEADER header{};
    if (ReadFile(file, &signature, sizeof signature, &got, nullptr) && got == sizeof signature &&
        signature == IMAGE_NT_SIGNATURE && ReadFile(file, &header, sizeof header, &got, nullptr) &&
        got == sizeof header)
      machine = header.Machine;
  }
  CloseHandle(file);
  return machine;
}

const char* bitsOf(WORD machine) {
  switch (machine) {
    case IMAGE_FILE_MACHINE_I386: return "32";
    case IMAGE_FILE_MACHINE_AMD64: return "64";
    default: return nullptr;
  }
}

constexpr const char* kProgramBits = sizeof(void*) == 8 ? "64" : "32";
constexpr std::string_view kWillClose = "\n\nUSB kartı bu kitaplık olmadan kullanılamaz; program kapanacak.";

std::string windowsErrorText(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = length && buffer ? std::wstring(buffer, length) : std::wstring{};
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) text.pop_back();
  return win32::narrow(text);
}

std::string notFoundMessage(const std::vector<std::wstring>& folders) {
  std::string text = "mcHID.dll bulunamadı. Arandığı klasörler:";
  for (const std::wstring& folder : folders) text += "\n" + win32::narrow(folder);
  text += kWillClose;
  return text;
}

std::string cannotLoadMessage(const std::wstring& path, DWORD error) {
  const std::string where = win32::narrow(path);
  if (error == ERROR_BAD_EXE_FORMAT) {
    const std::optional<WORD> machine = peMachine(path);
    const char* libraryBits = machine ? bitsOf(*machine) : nullptr;
    if (libraryBits && std::string_view(libraryBits) != kProgramBits)
      return std::string("mcHID.dll bu programla birlikte çalışamıyor: ") + where + " " + libraryBits +
             " bitlik bir kitaplık, DORVAN ise " + kProgramBits + " bitlik bir program. DORVAN'ın " + libraryBits +
             " bitlik sürümünü ya da " + kProgramBits + " bitlik bir mcHID.dll kullanın." + std::string(kWillClose);
    return "mcHID.dll geçerli bir Windows kitaplığı değil: " + where + std::string(kWillClose);
  }
  std::string text = "mcHID.dll yüklenemedi: " + where + "\nWindows hata kodu " + std::to_string(error);
  const std::string reason = windowsErrorText(error);
  if (!reason.empty()) text += ": " + reason;
  return text + std::string(kWillClose);
}

std::string missingEntriesMessage(const std::wstring& path, const std::vector<std::string>& missing) {
  std::string names;
  for (const std::string& name : missing) names += (names.empty() ? "" : ", ") + name;
  return "mcHID.dll yüklendi ama kullanılamıyor: içinde şu " + std::string(missing.size() == 1 ? "işlev" : "işlevler") +
         " yok: " + names + "\n" + win32::narrow(path) + std::string(kWillClose);
}

template <typename Fn>
void bindEntry(HMODULE module, const char* name, Fn& entry, std::vector<std::string>& missing) {
  FARPROC address = GetProcAddress(module, name);
  if (!address) {
    missing.emplace_back(name);
    return;
  }
  // Through void(*)(), the one function pointer type that converts to any other without a warning.
  entry = reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(address));
}

// All eight or none: a library that lacks one of them is not used at all.
std::vector<std::string> bindEntries(HMODULE module, Entries& entries) {
  std::vector<std::string> missing;
  bindEntry(module, "Connect", entries.connect, missing);
  bindEntry(module, "Disconnect", entries.disconnect, missing);
  bindEntry(module, "GetVendorID", entries.getVendorID, missing);
  bindEntry(module, "GetProductID", entries.getProductID, missing);
  bindEntry(module, "GetHandle", entries.getHandle, missing);
  bindEntry(module, "SetReadNotify", entries.setReadNotify, missing);
  bindEntry(module, "Read", entries.read, missing);
  bindEntry(module, "WriteEx", entries.writeEx, missing);
  if (!missing.empty()) entries = Entries{};
  return missing;
}

class Win32BoardLibrary final : public HidLibrary {
 public:
  ~Win32BoardLibrary() override {
    if (module_) FreeLibrary(module_);
  }

  std::string load() override {
    if (!tried_) {
      tried_ = true;
      problem_ = loadLibrary();
    }
    return problem_;
  }

  bool Connect(std::uintptr_t hostWindow) override {
    // Window handles carry only 32 significant bits, on 64-bit Windows too.
    return entries_.connect && entries_.connect(static_cast<std::uint32_t>(hostWindow)) != 0;
  }
  bool Disconnect() override { return entries_.disconnect && entries_.disconnect() != 0; }
  std::uint32_t GetVendorID(DeviceHandle handle) override {
    return entries_.getVendorID ? static_cast<std::uint32_t>(entries_.getVendorID(handle)) : 0;
  }
  std::uint32_t GetProductID(DeviceHandle handle) override {
    return entries_.getProductID ? static_cast<std::uint32_t>(entries_.getProductID(handle)) : 0;
  }
  DeviceHandle GetHandle(std::uint32_t vendorId, std::uint32_t productId) override {
    return entries_.getHandle
               ? entries_.getHandle(static_cast<std::int32_t>(vendorId), static_cast<std::int32_t>(productId))
               : 0;
  }
  void SetReadNotify(DeviceHandle handle, bool enable) override {
    if (entries_.setReadNotify) entries_.setReadNotify(handle, enable ? kLibraryTrue : 0);
  }
  bool Read(DeviceHandle handle, std::uint8_t* report) override {
    return entries_.read && entries_.read(handle, report) != 0;
  }
  void WriteEx(std::uint32_t vendorId, std::uint32_t productId, std::uint8_t* report) override {
    if (entries_.writeEx)
      entries_.writeEx(static_cast<std::int32_t>(vendorId), static_cast<std::int32_t>(productId), report);
  }

 private:
  std::string loadLibrary() {
    std::vector<std::wstring> searched;
    for (const std::wstring& folder : {folderOfProgram(), systemFolder()}) {
      if (folder.empty()) continue;
      searched.push_back(folder);
      const std::wstring path = inFolder(folder);
      if (!fileExists(path)) continue;
      // The library's own dependencies are looked for beside it, not in the current folder.
      HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
      if (!module) return cannotLoadMessage(path, GetLastError());
      const std::vector<std::string> missing = bindEntries(module, entries_);
      if (!missing.empty()) {
        FreeLibrary(module);
        return missingEntriesMessage(path, missing);
      }
      module_ = module;
      return {};
    }
    return notFoundMessage(searched);
  }

  bool tried_ = false;
  std::string problem_;
  HMODULE module_ = nullptr;
  Entries entries_;
};

}  // namespace

std::unique_ptr<HidLibrary> makeBoardLibrary() { return std::make_unique<Win32BoardLibrary>(); }

}  // namespace dorvan
