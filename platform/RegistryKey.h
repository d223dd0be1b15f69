// Owns an open registry key and closes it when it goes.
#pragma once

#include "platform/Platform.h"

#include <utility>

class RegistryKey {
public:
    RegistryKey() = default;
    // Takes over a key that a successful RegCreateKeyExW or RegOpenKeyExW gave.
    explicit RegistryKey(HKEY key) : Key(key) {}
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    RegistryKey(RegistryKey&& other) noexcept : Key(std::exchange(other.Key, nullptr)) {}
    RegistryKey& operator=(RegistryKey&& other) noexcept {
        Reset(std::exchange(other.Key, nullptr));
        return *this;
    }
    ~RegistryKey() { Reset(); }

    HKEY Get() const { return Key; }

    void Reset(HKEY key = nullptr) {
        HKEY old = std::exchange(Key, key);
        if (old != nullptr) {
            RegCloseKey(old);
        }
    }

private:
    HKEY Key = nullptr;
};
