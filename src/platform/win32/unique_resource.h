#pragma once
// Owning wrappers of Win32 handles. The invalid value belongs to the type, so a handle
// from CreateFile (INVALID_HANDLE_VALUE on failure) cannot be mixed up with one from
// CreateEvent or CreateProcess (null on failure).
#include <windows.h>

#include <utility>

template <typename Traits>
class UniqueResource {
 public:
  using Type = typename Traits::Type;

  UniqueResource() = default;
  explicit UniqueResource(Type value) : value_(value) {}
  ~UniqueResource() { reset(); }

  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;
  UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  Type get() const { return value_; }
  bool valid() const { return value_ != Traits::invalid(); }
  explicit operator bool() const { return valid(); }

  // Closes the held value (if any) and holds the new one.
  void reset(Type value = Traits::invalid()) {
    Type old = std::exchange(value_, value);
    if (old != Traits::invalid()) Traits::close(old);
  }
  // Gives up ownership without closing.
  Type release() { return std::exchange(value_, Traits::invalid()); }
  // For out-parameters: closes the held value and offers the slot.
  Type* put() {
    reset();
    return &value_;
  }

 private:
  Type value_ = Traits::invalid();
};

struct HandleNullTraits {
  using Type = HANDLE;
  static Type invalid() { return nullptr; }
  static void close(Type h) { ::CloseHandle(h); }
};

struct HandleInvalidTraits {
  using Type = HANDLE;
  static Type invalid() { return INVALID_HANDLE_VALUE; }
  static void close(Type h) { ::CloseHandle(h); }
};

struct HkeyTraits {
  using Type = HKEY;
  static Type invalid() { return nullptr; }
  static void close(Type k) { ::RegCloseKey(k); }
};

struct HlocalTraits {
  using Type = HLOCAL;
  static Type invalid() { return nullptr; }
  static void close(Type m) { ::LocalFree(m); }
};

using UniqueHandle = UniqueResource<HandleNullTraits>;         // events, processes, threads
using UniqueFileHandle = UniqueResource<HandleInvalidTraits>;  // CreateFile
using UniqueHkey = UniqueResource<HkeyTraits>;
using UniqueHlocal = UniqueResource<HlocalTraits>;  // blocks the system allocates for us
