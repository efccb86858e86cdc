#pragma once

// The current user's registry as the settings code sees it: keys below a root, each holding
// named values of a type. Only the calls the settings need are here: create or open a key,
// query a value with its type, set a value with its type. A key handle closes when destroyed.
//
// Failures: a missing key or value is an ordinary answer (nullptr, nothing); everything else
// (an unknown root, an invalid key name, a store that cannot be read or written) throws HostError.

#include "hostapi/HostError.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace zelvant {

// A root handle as the callers pass it: 32 bits.
using RegistryRoot = std::uint32_t;

// The current user's branch, the only root the product uses.
inline constexpr RegistryRoot kHkeyCurrentUser = 0x80000001;

// Value types by their registry numbers; any other number is possible and keeps raw bytes.
enum class RegType : std::uint32_t { None = 0, Sz = 1, ExpandSz = 2, Binary = 3, Dword = 4 };

// One stored value. For Sz and ExpandSz, `data` is the text in UTF-8 (the registry keeps text
// as Unicode; conversion to the system code page is the caller's business). For Dword it is
// the four bytes, least significant first. For every other type it is the raw bytes.
struct RegValue {
    RegType type = RegType::Sz;
    std::string data;

    // A REG_SZ value holding `text`.
    static RegValue sz(std::string text) { return {RegType::Sz, std::move(text)}; }
    // A REG_EXPAND_SZ value holding `text` unexpanded.
    static RegValue expandSz(std::string text) { return {RegType::ExpandSz, std::move(text)}; }
    // A REG_DWORD value.
    static RegValue dword(std::uint32_t number)
    {
        std::string bytes(4, '\0');
        for (int i = 0; i < 4; ++i)
            bytes[std::size_t(i)] = char((number >> (8 * i)) & 0xFFu);
        return {RegType::Dword, std::move(bytes)};
    }
    // A REG_BINARY value holding `bytes`.
    static RegValue binary(std::string bytes) { return {RegType::Binary, std::move(bytes)}; }

    bool operator==(const RegValue&) const = default;
};

// An open key. Value names compare without regard to ASCII letter case; "" is the key's default value.
class RegistryKey {
public:
    virtual ~RegistryKey() = default;
    // The value stored under `name`, or nothing when the key has no such value.
    virtual std::optional<RegValue> query(const std::string& name) const = 0;
    // Stores `value` under `name`, replacing what was there.
    virtual void set(const std::string& name, const RegValue& value) = 0;
};

// The store of keys. Key paths are relative to the root, parts separated by "\", compared
// without regard to ASCII letter case; "" names the root itself.
class Registry {
public:
    virtual ~Registry() = default;
    // Opens the key, creating it first when it does not exist; never nullptr.
    virtual std::unique_ptr<RegistryKey> createKey(RegistryRoot root, const std::string& path) = 0;
    // Opens an existing key; nullptr when there is none.
    virtual std::unique_ptr<RegistryKey> openKey(RegistryRoot root, const std::string& path) = 0;
};

} // namespace zelvant
