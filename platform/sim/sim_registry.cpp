#include "platform/sim/sim_registry.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <unordered_map>

namespace torvex {

namespace {

constexpr LONG kBadPathName = 161; // ERROR_BAD_PATHNAME

bool EqualNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// A key name as the registry compares it: without regard to case.
std::string FoldCase(std::string_view name)
{
    std::string folded(name);
    for (char& c : folded)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return folded;
}

// Splits "a\b\c" into its components; false for an empty component.
bool SplitPath(std::string_view path, std::vector<std::string_view>* parts)
{
    parts->clear();
    if (path.empty())
        return true;
    size_t start = 0;
    while (true) {
        const size_t end = path.find('\\', start);
        const std::string_view part =
            path.substr(start, end == std::string_view::npos ? path.npos : end - start);
        if (part.empty())
            return false;
        parts->push_back(part);
        if (end == std::string_view::npos)
            return true;
        start = end + 1;
    }
}

const HKEY kRoots[] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS,
                       HKEY_CURRENT_CONFIG};

} // namespace

struct SimRegistry::Node {
    std::string name;
    Node* parent = nullptr; // null for a root and for a deleted key
    HKEY root = nullptr;    // set on roots only
    bool deleted = false;
    std::vector<NodePtr> children; // creation order
    // The same children by folded name: a key with thousands of subkeys
    // (the HID class key of a busy machine) is found as fast as Windows
    // finds it, not by comparing every name.
    std::unordered_map<std::string, NodePtr> childrenByName;
    std::vector<std::pair<std::string, RegistryValueData>> values;

    NodePtr Child(std::string_view childName) const
    {
        const auto found = childrenByName.find(FoldCase(childName));
        return found != childrenByName.end() ? found->second : nullptr;
    }

    NodePtr AddChild(std::string_view childName)
    {
        auto child = std::make_shared<Node>();
        child->name = std::string(childName);
        child->parent = this;
        children.push_back(child);
        childrenByName.emplace(FoldCase(childName), child);
        return child;
    }

    void RemoveChild(const NodePtr& child)
    {
        children.erase(std::remove(children.begin(), children.end(), child), children.end());
        childrenByName.erase(FoldCase(child->name));
    }

    RegistryValueData* Value(std::string_view valueName)
    {
        for (auto& [n, v] : values)
            if (EqualNoCase(n, valueName))
                return &v;
        return nullptr;
    }

    std::string Path() const
    {
        if (parent == nullptr)
            return name;
        return parent->Path() + "\\" + name;
    }

    void MarkDeleted()
    {
        deleted = true;
        parent = nullptr;
        for (auto& child : children)
            child->MarkDeleted();
        children.clear();
        childrenByName.clear();
        values.clear();
    }
};

SimRegistry::SimRegistry()
{
    for (HKEY root : kRoots) {
        auto node = std::make_shared<Node>();
        node->name = RegistryRootName(root);
        node->root = root;
        roots_.push_back(std::move(node));
    }
}

SimRegistry::~SimRegistry() = default;

LONG SimRegistry::Resolve(HKEY key, NodePtr* node) const
{
    if (IsRootKey(key)) {
        for (const auto& root : roots_)
            if (root->root == key) {
                *node = root;
                return ERROR_SUCCESS;
            }
        return ERROR_INVALID_HANDLE;
    }
    const auto it = handles_.find(key);
    if (it == handles_.end())
        return ERROR_INVALID_HANDLE;
    if (it->second->deleted)
        return ERROR_KEY_DELETED;
    *node = it->second;
    return ERROR_SUCCESS;
}

LONG SimRegistry::InjectedError(RegistryOperation op, const std::string& keyPath, std::optional<DWORD> index,
                                const char* valueName) const
{
    for (const auto& failure : failures_) {
        if (failure.operation != op)
            continue;
        if (!failure.keyPath.empty() && !EqualNoCase(failure.keyPath, keyPath))
            continue;
        if (failure.index && (!index || *failure.index != *index))
            continue;
        if (failure.valueName && !EqualNoCase(*failure.valueName, valueName ? valueName : ""))
            continue;
        return failure.error;
    }
    return ERROR_SUCCESS;
}

HKEY SimRegistry::NewHandle(const NodePtr& node)
{
    nextHandle_ += 4;
    const HKEY handle = reinterpret_cast<HKEY>(nextHandle_);
    handles_[handle] = node;
    return handle;
}

LONG SimRegistry::Open(HKEY parent, const char* subKey, HKEY* result, bool create)
{
    if (result == nullptr)
        return ERROR_INVALID_PARAMETER;
    NodePtr node;
    if (const LONG error = Resolve(parent, &node); error != ERROR_SUCCESS)
        return error;
    const RegistryOperation op = create ? RegistryOperation::CreateKey : RegistryOperation::OpenKey;
    const std::string_view sub = subKey ? subKey : "";
    const std::string target = sub.empty() ? node->Path() : node->Path() + "\\" + std::string(sub);
    if (const LONG error = InjectedError(op, target, std::nullopt, nullptr); error != ERROR_SUCCESS)
        return error;
    // Like RegOpenKeyA and RegCreateKeyA: no sub key gives back the key itself.
    if (sub.empty()) {
        *result = parent;
        return ERROR_SUCCESS;
    }
    std::vector<std::string_view> parts;
    if (!SplitPath(sub, &parts))
        return kBadPathName;
    for (const auto part : parts) {
        NodePtr child = node->Child(part);
        if (!child) {
            if (!create)
                return ERROR_FILE_NOT_FOUND;
            child = node->AddChild(part);
        }
        node = child;
    }
    *result = NewHandle(node);
    return ERROR_SUCCESS;
}

LONG SimRegistry::OpenKey(HKEY parent, const char* subKey, HKEY* result)
{
    return Open(parent, subKey, result, false);
}

LONG SimRegistry::CreateKey(HKEY parent, const char* subKey, HKEY* result)
{
    return Open(parent, subKey, result, true);
}

LONG SimRegistry::EnumKey(HKEY key, DWORD index, char* name, DWORD cchName)
{
    NodePtr node;
    if (const LONG error = Resolve(key, &node); error != ERROR_SUCCESS)
        return error;
    if (const LONG error = InjectedError(RegistryOperation::EnumKey, node->Path(), index, nullptr);
        error != ERROR_SUCCESS)
        return error;
    if (index >= node->children.size())
        return ERROR_NO_MORE_ITEMS;
    if (name == nullptr)
        return ERROR_INVALID_PARAMETER;
    const std::string& childName = node->children[index]->name;
    if (childName.size() + 1 > cchName)
        return ERROR_MORE_DATA;
    std::memcpy(name, childName.c_str(), childName.size() + 1);
    return ERROR_SUCCESS;
}

LONG SimRegistry::QueryInfoKey(HKEY key, DWORD* subKeys, DWORD* maxSubKeyLen)
{
    NodePtr node;
    if (const LONG error = Resolve(key, &node); error != ERROR_SUCCESS)
        return error;
    if (const LONG error =
            InjectedError(RegistryOperation::QueryInfoKey, node->Path(), std::nullopt, nullptr);
        error != ERROR_SUCCESS)
        return error;
    size_t longest = 0;
    for (const auto& child : node->children)
        longest = std::max(longest, child->name.size());
    if (subKeys != nullptr)
        *subKeys = static_cast<DWORD>(node->children.size());
    if (maxSubKeyLen != nullptr)
        *maxSubKeyLen = static_cast<DWORD>(longest);
    return ERROR_SUCCESS;
}

LONG SimRegistry::QueryValue(HKEY key, const char* valueName, DWORD* type, BYTE* data, DWORD* cbData)
{
    NodePtr node;
    if (const LONG error = Resolve(key, &node); error != ERROR_SUCCESS)
        return error;
    if (const LONG error =
            InjectedError(RegistryOperation::QueryValue, node->Path(), std::nullopt, valueName);
        error != ERROR_SUCCESS)
        return error;
    if (data != nullptr && cbData == nullptr)
        return ERROR_INVALID_PARAMETER;
    const RegistryValueData* value = node->Value(valueName ? valueName : "");
    if (value == nullptr)
        return ERROR_FILE_NOT_FOUND;
    if (type != nullptr)
        *type = value->type;
    if (cbData == nullptr)
        return ERROR_SUCCESS;
    const auto size = static_cast<DWORD>(value->data.size());
    if (data != nullptr && *cbData < size) {
        *cbData = size;
        return ERROR_MORE_DATA;
    }
    if (data != nullptr && size > 0)
        std::memcpy(data, value->data.data(), size);
    *cbData = size;
    return ERROR_SUCCESS;
}

LONG SimRegistry::SetValue(HKEY key, const char* valueName, DWORD type, const BYTE* data, DWORD cbData)
{
    NodePtr node;
    if (const LONG error = Resolve(key, &node); error != ERROR_SUCCESS)
        return error;
    if (const LONG error = InjectedError(RegistryOperation::SetValue, node->Path(), std::nullopt, valueName);
        error != ERROR_SUCCESS)
        return error;
    if (data == nullptr && cbData != 0)
        return ERROR_INVALID_PARAMETER;
    std::vector<BYTE> bytes(data, data + cbData);
    SetValueAt(node->Path(), valueName ? valueName : "", type, std::move(bytes));
    return ERROR_SUCCESS;
}

LONG SimRegistry::CloseKey(HKEY key)
{
    if (IsRootKey(key))
        return ERROR_SUCCESS;
    const auto it = handles_.find(key);
    if (it == handles_.end())
        return ERROR_INVALID_HANDLE;
    const std::string path = it->second->deleted ? std::string() : it->second->Path();
    if (const LONG error = InjectedError(RegistryOperation::CloseKey, path, std::nullopt, nullptr);
        error != ERROR_SUCCESS)
        return error;
    handles_.erase(it);
    return ERROR_SUCCESS;
}

SimRegistry::NodePtr SimRegistry::Walk(std::string_view path, bool create) const
{
    std::vector<std::string_view> parts;
    if (!SplitPath(path, &parts) || parts.empty())
        return nullptr;
    NodePtr node;
    for (const auto& root : roots_)
        if (EqualNoCase(root->name, parts[0]))
            node = root;
    for (size_t i = 1; node && i < parts.size(); ++i) {
        NodePtr child = node->Child(parts[i]);
        if (!child && create)
            child = node->AddChild(parts[i]);
        node = child;
    }
    return node;
}

SimRegistry::NodePtr SimRegistry::FindPath(std::string_view path) const
{
    return Walk(path, false);
}

SimRegistry::NodePtr SimRegistry::MakePath(std::string_view path)
{
    return Walk(path, true);
}

bool SimRegistry::KeyExists(std::string_view path) const
{
    return FindPath(path) != nullptr;
}

void SimRegistry::CreateKeyPath(std::string_view path)
{
    MakePath(path);
}

void SimRegistry::SetValueAt(std::string_view path, std::string_view name, DWORD type, std::vector<BYTE> data)
{
    const NodePtr node = MakePath(path);
    if (!node)
        return;
    if (RegistryValueData* existing = node->Value(name)) {
        existing->type = type;
        existing->data = std::move(data);
        return;
    }
    node->values.emplace_back(std::string(name), RegistryValueData{type, std::move(data)});
}

std::optional<RegistryValueData> SimRegistry::GetValueAt(std::string_view path, std::string_view name) const
{
    const NodePtr node = FindPath(path);
    if (!node)
        return std::nullopt;
    if (const RegistryValueData* value = node->Value(name))
        return *value;
    return std::nullopt;
}

void SimRegistry::DeleteKeyAt(std::string_view path)
{
    const NodePtr node = FindPath(path);
    if (!node || node->parent == nullptr) // roots stay
        return;
    node->parent->RemoveChild(node);
    node->MarkDeleted();
}

void SimRegistry::DeleteValueAt(std::string_view path, std::string_view name)
{
    const NodePtr node = FindPath(path);
    if (!node)
        return;
    std::erase_if(node->values, [&](const auto& entry) { return EqualNoCase(entry.first, name); });
}

std::vector<std::string> SimRegistry::SubkeyNames(std::string_view path) const
{
    std::vector<std::string> names;
    if (const NodePtr node = FindPath(path))
        for (const auto& child : node->children)
            names.push_back(child->name);
    return names;
}

void SimRegistry::Import(const RegistryFile& file)
{
    for (const auto& key : file.keys) {
        if (key.deleted) {
            DeleteKeyAt(key.path);
            continue;
        }
        MakePath(key.path);
        for (const auto& value : key.values) {
            if (value.deleted)
                DeleteValueAt(key.path, value.name);
            else
                SetValueAt(key.path, value.name, value.type, value.data);
        }
    }
}

bool SimRegistry::ImportFile(const std::string& path, RegistryFileError* error)
{
    RegistryFile file;
    if (!LoadRegistryFile(path, &file, error))
        return false;
    Import(file);
    return true;
}

RegistryFile SimRegistry::Export(std::string_view path) const
{
    RegistryFile file;
    const auto add = [&file](const Node& node, const auto& self) -> void {
        RegistryFileKey key;
        key.path = node.Path();
        for (const auto& [name, value] : node.values)
            key.values.push_back(RegistryFileValue{name, false, value.type, value.data});
        file.keys.push_back(std::move(key));
        for (const auto& child : node.children)
            self(*child, self);
    };
    if (const NodePtr node = FindPath(path))
        add(*node, add);
    return file;
}

} // namespace torvex
