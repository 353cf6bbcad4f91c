// An in-memory registry with the behaviour of the Windows one as the wheel's
// software sees it through the ANSI functions: case-insensitive names, values
// with their type and raw bytes, subkeys enumerated in creation order. It
// counts the keys open at any moment, so tests can prove that every key a
// walk opens is closed, and it can be told to fail chosen operations.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"
#include "platform/sim/registry_file.h"

namespace torvex {

enum class RegistryOperation { OpenKey, CreateKey, EnumKey, QueryInfoKey, QueryValue, SetValue, CloseKey };

// An operation that is made to fail. Empty fields match anything: a failure
// with only `operation` set fails every call of that operation.
struct RegistryFailure {
    RegistryOperation operation = RegistryOperation::OpenKey;
    // Full path of the key the operation acts on (for OpenKey and CreateKey
    // the key being opened), "HKEY_LOCAL_MACHINE\...", case-insensitive.
    std::string keyPath;
    std::optional<DWORD> index;           // EnumKey only
    std::optional<std::string> valueName; // QueryValue and SetValue only
    LONG error = ERROR_GEN_FAILURE;
};

struct RegistryValueData {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

class SimRegistry final : public RegistryPort {
public:
    SimRegistry();
    ~SimRegistry() override;
    SimRegistry(const SimRegistry&) = delete;
    SimRegistry& operator=(const SimRegistry&) = delete;

    LONG OpenKey(HKEY parent, const char* subKey, HKEY* result) override;
    LONG CreateKey(HKEY parent, const char* subKey, HKEY* result) override;
    LONG EnumKey(HKEY key, DWORD index, char* name, DWORD cchName) override;
    LONG QueryInfoKey(HKEY key, DWORD* subKeys, DWORD* maxSubKeyLen) override;
    LONG QueryValue(HKEY key, const char* valueName, DWORD* type, BYTE* data, DWORD* cbData) override;
    LONG SetValue(HKEY key, const char* valueName, DWORD type, const BYTE* data, DWORD cbData) override;
    LONG CloseKey(HKEY key) override;

    // Keys opened or created through the port and not yet closed.
    int OpenKeyCount() const { return static_cast<int>(handles_.size()); }

    void InjectFailure(RegistryFailure failure) { failures_.push_back(std::move(failure)); }
    void ClearFailures() { failures_.clear(); }

    // The world as a test or the lab sets it up and inspects it, by full
    // path, without handles.
    void Import(const RegistryFile& file);
    bool ImportFile(const std::string& path, RegistryFileError* error);
    // Every key at and below `path` with its values, in creation order.
    RegistryFile Export(std::string_view path) const;
    bool KeyExists(std::string_view path) const;
    void CreateKeyPath(std::string_view path);
    void SetValueAt(std::string_view path, std::string_view name, DWORD type, std::vector<BYTE> data);
    std::optional<RegistryValueData> GetValueAt(std::string_view path, std::string_view name) const;
    void DeleteKeyAt(std::string_view path);
    void DeleteValueAt(std::string_view path, std::string_view name);
    // Subkey names of a key in enumeration order; empty when it is missing.
    std::vector<std::string> SubkeyNames(std::string_view path) const;

private:
    struct Node;
    using NodePtr = std::shared_ptr<Node>;
    LONG Resolve(HKEY key, NodePtr* node) const;
    // The key at a full path; `create` makes the missing keys on the way
    // (the tree changes, the handles do not).
    NodePtr Walk(std::string_view path, bool create) const;
    NodePtr FindPath(std::string_view path) const;
    NodePtr MakePath(std::string_view path);
    LONG Open(HKEY parent, const char* subKey, HKEY* result, bool create);
    HKEY NewHandle(const NodePtr& node);
    LONG InjectedError(RegistryOperation op, const std::string& keyPath, std::optional<DWORD> index,
                       const char* valueName) const;

    std::vector<NodePtr> roots_;
    std::map<HKEY, std::shared_ptr<Node>> handles_;
    std::vector<RegistryFailure> failures_;
    ULONG_PTR nextHandle_ = 0x1000;
};

} // namespace torvex
