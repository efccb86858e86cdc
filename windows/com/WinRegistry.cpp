#include "windows/com/WinRegistry.h"

#include "windows/com/Com.h"
#include "windows/com/Wide.h"

#include <windows.h>

namespace zelvant {

namespace {

HKEY rootKey(RegistryRoot root)
{
    // The roots are the registry's own handle values, 32 bits wide and sign-extended.
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(root))));
}

void checkStatus(LSTATUS status, std::string_view call, const std::string& path)
{
    if (status != ERROR_SUCCESS)
        throw HostError(callFailure(std::string(call) + " " + path, HRESULT_FROM_WIN32(DWORD(status))));
}

class WinRegistryKey : public RegistryKey {
public:
    WinRegistryKey(HKEY key, std::string path) : key_(key), path_(std::move(path)) {}
    WinRegistryKey(const WinRegistryKey&) = delete;
    WinRegistryKey& operator=(const WinRegistryKey&) = delete;
    ~WinRegistryKey() override { RegCloseKey(key_); }

    std::optional<RegValue> query(const std::string& name) const override
    {
        const std::wstring valueName = wide(name);
        DWORD type = 0;
        DWORD size = 0;
        LSTATUS status = RegQueryValueExW(key_, valueName.c_str(), nullptr, &type, nullptr, &size);
        if (status == ERROR_FILE_NOT_FOUND)
            return std::nullopt;
        checkStatus(status, "RegQueryValueExW", path_);
        std::string bytes(size, '\0');
        status = RegQueryValueExW(key_, valueName.c_str(), nullptr, &type,
                                  reinterpret_cast<BYTE*>(bytes.data()), &size);
        checkStatus(status, "RegQueryValueExW", path_);
        bytes.resize(size);
        if (type != REG_SZ && type != REG_EXPAND_SZ)
            return RegValue{RegType(type), bytes};
        // Text is stored as UTF-16 up to its terminating zero.
        std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
        if (const auto zero = text.find(L'\0'); zero != std::wstring::npos)
            text.resize(zero);
        return RegValue{RegType(type), narrow(text)};
    }

    void set(const std::string& name, const RegValue& value) override
    {
        std::string bytes = value.data;
        if (value.type == RegType::Sz || value.type == RegType::ExpandSz) {
            const std::wstring text = wide(value.data);
            bytes.assign(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * sizeof(wchar_t));
        }
        checkStatus(RegSetValueExW(key_, wide(name).c_str(), 0, DWORD(value.type),
                                   reinterpret_cast<const BYTE*>(bytes.data()), DWORD(bytes.size())),
                    "RegSetValueExW", path_);
    }

private:
    HKEY key_;
    std::string path_;
};

} // namespace

std::unique_ptr<RegistryKey> WinRegistry::createKey(RegistryRoot root, const std::string& path)
{
    HKEY key = nullptr;
    checkStatus(RegCreateKeyExW(rootKey(root), wide(path).c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE,
                                nullptr, &key, nullptr),
                "RegCreateKeyExW", path);
    return std::make_unique<WinRegistryKey>(key, path);
}

std::unique_ptr<RegistryKey> WinRegistry::openKey(RegistryRoot root, const std::string& path)
{
    HKEY key = nullptr;
    const LSTATUS status = RegOpenKeyExW(rootKey(root), wide(path).c_str(), 0, KEY_READ | KEY_WRITE, &key);
    if (status == ERROR_FILE_NOT_FOUND)
        return nullptr;
    checkStatus(status, "RegOpenKeyExW", path);
    return std::make_unique<WinRegistryKey>(key, path);
}

void deleteRegistryTree(RegistryRoot root, const std::string& path)
{
    const LSTATUS status = RegDeleteTreeW(rootKey(root), wide(path).c_str());
    if (status != ERROR_FILE_NOT_FOUND)
        checkStatus(status, "RegDeleteTreeW", path);
}

} // namespace zelvant
