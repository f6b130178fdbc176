#pragma once
// Owns one Win32 handle (kernel handle, registry key, service handle, GDI object...)
// and releases it with the matching function when it goes out of scope.
#include <windows.h>

#include <utility>

template <typename T, auto Release, T Invalid = T{}>
class Unique {
 public:
  Unique() = default;
  explicit Unique(T value) : value_(value) {}
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;
  Unique(Unique&& other) noexcept : value_(std::exchange(other.value_, Invalid)) {}
  Unique& operator=(Unique&& other) noexcept {
    if (this != &other) reset(std::exchange(other.value_, Invalid));
    return *this;
  }
  ~Unique() { reset(); }

  T get() const { return value_; }
  explicit operator bool() const { return value_ != Invalid; }
  // For out-parameters: releases what is held and hands out the slot.
  T* put() {
    reset();
    return &value_;
  }
  void reset(T value = Invalid) {
    if (value_ != Invalid) Release(value_);
    value_ = value;
  }
  T release() { return std::exchange(value_, Invalid); }

 private:
  T value_ = Invalid;
};

using UniqueHandle = Unique<HANDLE, CloseHandle>;
using UniqueKey = Unique<HKEY, RegCloseKey>;
using UniqueLocal = Unique<HLOCAL, LocalFree>;
