#pragma once

// Windows only: one owner for every kind of handle the programs hold, files and the windows'
// fonts and menus alike.

#include <windows.h>

#include <utility>

namespace thornvale {

// Owns one handle and gives it back to the system through `Release` when it goes, unless released.
// Neither null nor INVALID_HANDLE_VALUE is a handle: the system's calls return one or the other.
template <class Handle, BOOL(WINAPI* Release)(Handle)>
class OwnedHandle {
 public:
  OwnedHandle() = default;
  explicit OwnedHandle(Handle handle) : handle_(handle) {}
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
  ~OwnedHandle() { reset(); }

  void reset(Handle handle = nullptr) {
    if (valid()) Release(handle_);
    handle_ = handle;
  }
  [[nodiscard]] bool valid() const {
    return handle_ != nullptr && handle_ != reinterpret_cast<Handle>(INVALID_HANDLE_VALUE);
  }
  [[nodiscard]] Handle get() const { return handle_; }
  Handle release() { return std::exchange(handle_, nullptr); }

 private:
  Handle handle_ = nullptr;
};

// A file, process or other kernel object.
using KernelHandle = OwnedHandle<HANDLE, CloseHandle>;

}  // namespace thornvale
