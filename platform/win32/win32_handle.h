// Move-only owners for the system's handles: each closes its handle exactly once.
#pragma once

#include <windows.h>

#include <utility>

namespace platform::win32 {

// Owns one handle of the kind that `Traits` describes (its type, the value meaning
// "none", and how to close it).
template <typename Traits>
class UniqueHandle {
public:
    using Type = typename Traits::Type;

    UniqueHandle() = default;
    explicit UniqueHandle(Type handle) : handle_(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~UniqueHandle() { reset(); }

    Type get() const { return handle_; }
    explicit operator bool() const { return Traits::valid(handle_); }

    // Closes the handle held now (if any) and takes `handle` instead.
    void reset(Type handle = Traits::none()) {
        if (Traits::valid(handle_)) Traits::close(handle_);
        handle_ = handle;
    }
    Type release() { return std::exchange(handle_, Traits::none()); }

private:
    Type handle_ = Traits::none();
};

// Kernel handles: files, processes, threads, events. Functions disagree on how they
// report failure (NULL or INVALID_HANDLE_VALUE), so both count as "none".
struct KernelHandleTraits {
    using Type = HANDLE;
    static Type none() { return nullptr; }
    static bool valid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void close(Type h) { ::CloseHandle(h); }
};
using KernelHandle = UniqueHandle<KernelHandleTraits>;

// Directory searches (FindFirstFileW).
struct FindHandleTraits {
    using Type = HANDLE;
    static Type none() { return INVALID_HANDLE_VALUE; }
    static bool valid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void close(Type h) { ::FindClose(h); }
};
using FindHandle = UniqueHandle<FindHandleTraits>;

// Memory the system allocated for the caller with LocalAlloc (FormatMessageW,
// CryptEncodeObjectEx and others).
struct LocalMemoryTraits {
    using Type = HLOCAL;
    static Type none() { return nullptr; }
    static bool valid(Type memory) { return memory != nullptr; }
    static void close(Type memory) { ::LocalFree(memory); }
};
using LocalMemory = UniqueHandle<LocalMemoryTraits>;

}  // namespace platform::win32
