// The simulated registry (see registry.h for the rules it keeps).
#include "tools/winsim/core/registry.h"

#include <algorithm>
#include <cstring>

namespace sim {
namespace {

constexpr LONG kKeyDeleted = 1018;  // ERROR_KEY_DELETED
constexpr LONG kNoAccess = 998;     // ERROR_NOACCESS

uintptr_t Predefined(HKEY key) { return reinterpret_cast<uintptr_t>(key); }

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// A key with this many values gets an index of their names.
constexpr size_t kIndexedValues = 32;

std::string Join(const std::string& base, const std::vector<std::string>& parts, size_t count) {
    std::string path = base;
    for (size_t i = 0; i < count; ++i) {
        path += '\\';
        path += parts[i];
    }
    return path;
}

}  // namespace

bool ChildOrder::operator()(const std::shared_ptr<RegKey>& a, const std::shared_ptr<RegKey>& b) const {
    return cp->CompareNames(a->name, a->wide, b->name, b->wide) < 0;
}
bool ChildOrder::operator()(const std::shared_ptr<RegKey>& a, std::string_view b) const {
    return cp->CompareNames(a->name, a->wide, b, false) < 0;
}
bool ChildOrder::operator()(std::string_view a, const std::shared_ptr<RegKey>& b) const {
    return cp->CompareNames(a, false, b->name, b->wide) < 0;
}
bool ChildOrder::operator()(const std::shared_ptr<RegKey>& a, WideName b) const {
    return cp->CompareNames(a->name, a->wide, b.text, true) < 0;
}
bool ChildOrder::operator()(WideName a, const std::shared_ptr<RegKey>& b) const {
    return cp->CompareNames(a.text, true, b->name, b->wide) < 0;
}

RegKey::~RegKey() {
    // Keys may nest as deep as a file makes them: subkeys are let go of from a list, one at a
    // time, not by each destructor calling the next.
    std::vector<std::shared_ptr<RegKey>> pending(children.begin(), children.end());
    children.clear();
    while (!pending.empty()) {
        std::shared_ptr<RegKey> key = std::move(pending.back());
        pending.pop_back();
        if (key.use_count() > 1) continue;  // a handle still holds it, and so its subkeys
        pending.insert(pending.end(), key->children.begin(), key->children.end());
        key->children.clear();
    }
}

const char* RootName(HKEY root) {
    if (root == HKEY_CLASSES_ROOT) return "HKEY_CLASSES_ROOT";
    if (root == HKEY_CURRENT_USER) return "HKEY_CURRENT_USER";
    if (root == HKEY_LOCAL_MACHINE) return "HKEY_LOCAL_MACHINE";
    if (root == HKEY_USERS) return "HKEY_USERS";
    return nullptr;
}

Registry::Registry(const CodePage* cp, KeyOrder order, std::string userSid)
    : cp_(cp), order_(order), hklm_(std::make_shared<RegKey>(cp)), hku_(std::make_shared<RegKey>(cp)) {
    hklm_->name = "HKEY_LOCAL_MACHINE";
    hku_->name = "HKEY_USERS";
    // Windows always has these two; HKEY_CLASSES_ROOT and HKEY_CURRENT_USER rest on them.
    EnsureKey("HKEY_LOCAL_MACHINE\\Software\\Classes");
    SetUserSid(std::move(userSid));
}

void Registry::SetUserSid(std::string sid) {
    userSid_ = std::move(sid);
    EnsureKey("HKEY_USERS\\" + userSid_);
}

void Registry::SetOrder(KeyOrder order) {
    order_ = order;
    Walk([](const std::string&, const RegKey& key) { const_cast<RegKey&>(key).orderValid = false; });
}

void Registry::Record(os::Change change) {
    if (log_) log_->push_back(std::move(change));
}

// ---------------------------------------------------------------------------------
// Keys by path

std::shared_ptr<RegKey> Registry::Child(const std::shared_ptr<RegKey>& key, std::string_view name) const {
    Materialize(key.get());
    auto it = key->children.find(name);
    return it == key->children.end() ? nullptr : *it;
}

RegKey* Registry::EnsureSubkey(RegKey* key, std::string_view name) {
    Materialize(key);
    auto at = key->children.lower_bound(name);  // where it is, or where it goes
    if (at != key->children.end() && cp_->EqualFolded((*at)->name, name)) return at->get();
    auto child = std::make_shared<RegKey>(cp_);
    child->name = name;
    child->created = nextCreated_++;
    child->parent = key;
    key->children.emplace_hint(at, child);
    Invalidate(key);
    return child.get();
}

std::shared_ptr<RegKey> Registry::AddChild(const std::shared_ptr<RegKey>& key, const std::string& name) {
    Materialize(key.get());
    auto child = std::make_shared<RegKey>(cp_);
    child->name = name;
    child->created = nextCreated_++;
    child->parent = key.get();
    key->children.insert(child);
    Invalidate(key.get());
    return child;
}

std::shared_ptr<RegKey> Registry::Walk(std::shared_ptr<RegKey> from, const std::vector<std::string>& parts) const {
    for (const auto& part : parts) {
        if (!from) break;
        from = Child(from, part);
    }
    return from;
}

std::shared_ptr<RegKey> Registry::UserKey() const { return Child(hku_, userSid_); }

std::shared_ptr<RegKey> Registry::ClassesKey(bool user) const {
    auto base = user ? UserKey() : hklm_;
    if (!base) return nullptr;
    auto software = Child(base, "Software");
    return software ? Child(software, "Classes") : nullptr;
}

// Splits a key path at backslashes, stepping over double-byte characters whose second
// byte is 0x5C. A leading backslash is a bad path; empty parts are skipped.
bool Registry::SplitPath(const char* subKey, std::vector<std::string>* parts) const {
    parts->clear();
    if (!subKey) return true;
    if (subKey[0] == '\\') return false;
    std::string part;
    for (const char* p = subKey; *p; ++p) {
        if (cp_->IsLeadByte(static_cast<unsigned char>(*p)) && p[1]) {
            part += *p++;
            part += *p;
        } else if (*p == '\\') {
            if (!part.empty()) parts->push_back(std::move(part));
            part.clear();
        } else {
            part += *p;
        }
    }
    if (!part.empty()) parts->push_back(std::move(part));
    return true;
}

std::shared_ptr<RegKey> Registry::RootFromName(std::string_view path, std::string_view* rest, bool* classes) {
    size_t cut = path.find('\\');
    std::string_view root = path.substr(0, cut);
    *rest = cut == std::string_view::npos ? std::string_view() : path.substr(cut + 1);
    *classes = false;
    auto is = [&](const char* name) { return cp_->EqualFolded(root, name); };
    if (is("HKEY_LOCAL_MACHINE")) return hklm_;
    if (is("HKEY_USERS")) return hku_;
    if (is("HKEY_CURRENT_USER")) return UserKey();
    if (is("HKEY_CLASSES_ROOT")) {
        *classes = true;
        return ClassesKey(false);
    }
    return nullptr;
}

RegKey* Registry::FindKey(std::string_view path) {
    std::string_view rest;
    bool classes;
    auto root = RootFromName(path, &rest, &classes);
    if (!root) return nullptr;
    std::vector<std::string> parts;
    if (!SplitPath(std::string(rest).c_str(), &parts)) return nullptr;
    if (classes) {
        auto userClasses = ClassesKey(true);
        if (auto user = userClasses ? Walk(userClasses, parts) : nullptr) return user.get();
    }
    return Walk(root, parts).get();
}

RegKey* Registry::EnsureKey(std::string_view path) {
    if (RegKey* found = FindKey(path)) return found;
    std::string_view rest;
    bool classes;
    auto key = RootFromName(path, &rest, &classes);
    if (!key) return nullptr;
    std::vector<std::string> parts;
    if (!SplitPath(std::string(rest).c_str(), &parts)) return nullptr;
    for (const auto& part : parts) {
        auto next = Child(key, part);
        key = next ? next : AddChild(key, part);
    }
    return key.get();
}

void Registry::KeepValues(RegKey* key) {
    if (!ExistedAtBaseline(key) || (key->baseline && key->baseline->valuesKept)) return;
    if (!key->baseline) key->baseline = std::make_unique<KeyBaseline>();
    key->baseline->valuesKept = true;
    key->baseline->values = key->values;
}

void Registry::KeepGone(RegKey* parent, const RegKey* child) {
    if (!ExistedAtBaseline(child)) return;
    if (!parent->baseline) parent->baseline = std::make_unique<KeyBaseline>();
    parent->baseline->goneSubkeys.emplace_back(child->name, child->wide);
}

void Registry::MarkDeleted(RegKey* key) {
    std::vector<RegKey*> pending = {key};
    while (!pending.empty()) {
        RegKey* next = pending.back();
        pending.pop_back();
        next->deleted = true;
        for (auto& child : next->children) pending.push_back(child.get());
    }
}

bool Registry::DeleteTree(std::string_view path) {
    RegKey* key = FindKey(path);
    if (!key || !key->parent) return false;
    DropKey(key);
    return true;
}

RegValue* Registry::FindValue(RegKey* key, std::string_view name, const CodePage& cp) {
    return FindValueNamed(key, name, false, cp);
}

RegValue* Registry::FindValueNamed(RegKey* key, std::string_view name, bool wide, const CodePage& cp) {
    Materialize(key);
    auto& values = key->values;
    auto same = [&](const RegValue& value) { return cp.CompareNames(value.name, value.wideName, name, wide) == 0; };
    if (values.size() < kIndexedValues) {
        for (auto& value : values)
            if (same(value)) return &value;
        return nullptr;
    }
    auto& index = key->valueIndex;
    if (!index || index->size() != values.size()) {  // none yet, or a value has gone since
        index = std::make_unique<std::unordered_multimap<uint64_t, uint32_t>>();
        for (size_t i = 0; i < values.size(); ++i)
            index->emplace(cp.HashName(values[i].name, values[i].wideName), static_cast<uint32_t>(i));
    }
    for (auto [it, end] = index->equal_range(cp.HashName(name, wide)); it != end; ++it)
        if (same(values[it->second])) return &values[it->second];
    return nullptr;
}

void Registry::PutValue(RegKey* key, std::string_view name, DWORD type, std::string data) {
    PutValueNamed(key, name, false, type, std::move(data), false);
}

void Registry::PutValueNamed(RegKey* key, std::string_view name, bool wideName, DWORD type, std::string data,
                             bool wideData) {
    Materialize(key);
    KeepValues(key);
    if (RegValue* existing = FindValueNamed(key, name, wideName, *cp_)) {
        existing->type = type;
        existing->data = std::move(data);
        existing->wideData = wideData;
        return;
    }
    // Most keys hold a few values: there the room grows one value at a time, so that a key
    // holds no room for values it never gets; from eight on it doubles, to stay linear.
    auto& values = key->values;
    if (values.size() == values.capacity() && values.size() < 8) values.reserve(values.size() + 1);
    values.push_back(RegValue{std::string(name), type, wideName, wideData, std::move(data)});
    if (key->valueIndex)
        key->valueIndex->emplace(cp_->HashName(name, wideName), static_cast<uint32_t>(key->values.size() - 1));
}

// ---------------------------------------------------------------------------------
// Unicode names and data, and lazy keys

std::u16string Registry::Utf16Name(const CodePage& cp, std::string_view name, bool wide) {
    if (!wide) return cp.ToUtf16(name);
    std::u16string units;
    Utf8ToUtf16(name, &units);
    return units;
}

std::u16string Registry::Utf16Data(const CodePage& cp, const RegValue& value) {
    return value.wideData ? Utf16LeUnits(value.data) : cp.ToUtf16(value.data);
}

std::string Registry::AnsiName(const RegKey& key) const {
    return key.wide ? cp_->FromUtf16Lossy(Utf16Name(*cp_, key.name, true)) : key.name;
}

std::string Registry::AnsiData(const RegValue& value) const {
    return value.wideData ? cp_->FromUtf16Lossy(Utf16LeUnits(value.data)) : value.data;
}

void Registry::Fill(RegKey* key) {
    std::unique_ptr<LazyKey> lazy = std::move(key->lazy);
    lazy->source->Fill(*lazy->registry, key, lazy->node);
}

RegKey* Registry::AddSubkey(RegKey* key, std::string_view utf8, std::unique_ptr<LazyKey> lazy) {
    if (utf8.find('\\') != std::string_view::npos) {
        std::string path(utf8);
        for (const RegKey* up = key; up; up = up->parent)
            path.insert(0, (up->wide ? up->name : cp_->ToUtf8(up->name)) + "\\");
        leftOut_.push_back(std::move(path));
        return nullptr;
    }
    Materialize(key);
    std::string narrow;
    bool wide = !cp_->FromUtf8(utf8, &narrow);
    auto at = wide ? key->children.lower_bound(WideName{utf8}) : key->children.lower_bound(std::string_view(narrow));
    if (at != key->children.end() && cp_->CompareNames((*at)->name, (*at)->wide, wide ? utf8 : narrow, wide) == 0)
        return at->get();  // a hive that names a subkey twice: the first one stands
    auto child = std::make_shared<RegKey>(cp_);
    child->name = wide ? std::string(utf8) : std::move(narrow);
    child->wide = wide;
    child->created = nextCreated_++;
    child->parent = key;
    if (lazy) {
        lazy->registry = this;
        child->lazy = std::move(lazy);
    }
    key->children.emplace_hint(at, child);
    Invalidate(key);
    return child.get();
}

RegKey* Registry::EnsureSubkeyUnicode(RegKey* key, std::string_view utf8) { return AddSubkey(key, utf8); }

void Registry::DropKey(RegKey* key) {
    RegKey* parent = key->parent;
    if (!parent) return;
    KeepGone(parent, key);
    MarkDeleted(key);
    auto it = key->wide ? parent->children.find(WideName{key->name}) : parent->children.find(std::string_view(key->name));
    key->parent = nullptr;
    parent->children.erase(it);  // may destroy the key
    Invalidate(parent);
}

RegKey* Registry::FindSubkeyUnicode(RegKey* key, std::string_view utf8) {
    Materialize(key);
    std::string narrow;
    auto it = cp_->FromUtf8(utf8, &narrow) ? key->children.find(std::string_view(narrow))
                                           : key->children.find(WideName{utf8});
    return it == key->children.end() ? nullptr : it->get();
}

bool Registry::RemoveValueUnicode(RegKey* key, std::string_view utf8Name) {
    std::string narrow;
    bool wide = !cp_->FromUtf8(utf8Name, &narrow);
    RegValue* value = FindValueNamed(key, wide ? utf8Name : narrow, wide, *cp_);
    if (!value) return false;
    KeepValues(key);
    key->values.erase(key->values.begin() + (value - key->values.data()));
    key->valueIndex.reset();
    return true;
}

void Registry::PutValueUnicode(RegKey* key, std::string_view utf8Name, DWORD type, std::string data, bool utf16) {
    std::string name;
    bool wideName = !cp_->FromUtf8(utf8Name, &name);
    if (wideName) name.assign(utf8Name);
    bool wideData = false;
    if (utf16 && IsStringType(type)) {
        std::string narrow;
        if (data.size() % 2 == 0 && cp_->FromUtf16(Utf16LeUnits(data), &narrow))
            data = std::move(narrow);
        else
            wideData = true;
    }
    PutValueNamed(key, name, wideName, type, std::move(data), wideData);
}

bool Registry::RemoveValue(RegKey* key, std::string_view name) {
    RegValue* value = FindValue(key, name, *cp_);
    if (!value) return false;
    KeepValues(key);
    key->values.erase(key->values.begin() + (value - key->values.data()));
    key->valueIndex.reset();  // positions behind it moved
    return true;
}

const std::vector<RegKey*>& Registry::Children(RegKey* key) {
    Materialize(key);
    if (!key->orderValid) {
        key->order.clear();
        key->order.reserve(key->children.size());
        for (auto& child : key->children) key->order.push_back(child.get());
        if (order_ == KeyOrder::kCreated)
            std::sort(key->order.begin(), key->order.end(),
                      [](const RegKey* a, const RegKey* b) { return a->created < b->created; });
        key->orderValid = true;
    }
    return key->order;
}

void Registry::Walk(const std::function<void(const std::string& path, const RegKey& key)>& visit) {
    // Depth first, from a list of the keys still to visit rather than by recursion: the last
    // pushed is the next visited, so subkeys go in last first.
    std::vector<std::pair<std::string, RegKey*>> pending = {{"HKEY_USERS", hku_.get()},
                                                            {"HKEY_LOCAL_MACHINE", hklm_.get()}};
    while (!pending.empty()) {
        auto [path, key] = std::move(pending.back());
        pending.pop_back();
        visit(path, *key);
        const std::vector<RegKey*>& children = Children(key);
        for (auto child = children.rbegin(); child != children.rend(); ++child)
            pending.emplace_back(path + "\\" + (*child)->name, *child);
    }
}

// ---------------------------------------------------------------------------------
// Handles

LONG Registry::Resolve(HKEY key, Handle* out) {
    *out = Handle();
    out->access = KEY_ALL_ACCESS;
    if (const char* root = RootName(key)) {
        out->path = root;
        if (key == HKEY_LOCAL_MACHINE)
            out->key = hklm_;
        else if (key == HKEY_USERS)
            out->key = hku_;
        else if (key == HKEY_CURRENT_USER)
            out->key = UserKey();
        else {
            out->classesView = true;
            auto user = ClassesKey(true);
            out->key = user ? user : ClassesKey(false);
        }
        return out->key ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    }
    auto it = handles_.find(Predefined(key));
    if (it == handles_.end()) return ERROR_INVALID_HANDLE;
    *out = it->second;
    return !out->phantom && out->key->deleted ? kKeyDeleted : ERROR_SUCCESS;
}

LONG Registry::Enter(HKEY key, LONG faultError, REGSAM needed, Handle* out) {
    ++calls_;
    if (fault_ && fault_()) return faultError;
    if (LONG error = Resolve(key, out)) return error;
    return (out->access & needed) == needed ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

HKEY Registry::AddHandle(Handle target, REGSAM access) {
    uintptr_t value = nextHandle_;
    nextHandle_ += 4;  // never reused, so a closed handle stays invalid
    target.access = access;
    handles_.emplace(value, std::move(target));
    return reinterpret_cast<HKEY>(value);
}

LONG Registry::EnterSubKey(HKEY parent, const char* subKey, HKEY* result, Handle* r, std::vector<std::string>* parts) {
    LONG entered = Enter(parent, ERROR_ACCESS_DENIED, 0, r);
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    if (entered) return entered;
    return SplitPath(subKey, parts) ? ERROR_SUCCESS : ERROR_BAD_PATHNAME;
}

LONG Registry::Open(HKEY parent, const char* subKey, REGSAM access, HKEY* result) {
    Handle r;
    std::vector<std::string> parts;
    if (LONG error = EnterSubKey(parent, subKey, result, &r, &parts)) return error;
    if (r.phantom && !parts.empty()) return ERROR_FILE_NOT_FOUND;
    Handle target = r;
    target.path = Join(r.path, parts, parts.size());
    if (r.phantom) {
        *result = AddHandle(std::move(target), access);
        return ERROR_SUCCESS;
    }
    if (r.classesView) {
        std::vector<std::string> full;
        SplitPath(r.classesPath.c_str(), &full);
        full.insert(full.end(), parts.begin(), parts.end());
        auto userClasses = ClassesKey(true);
        target.key = userClasses ? Walk(userClasses, full) : nullptr;
        if (!target.key) target.key = Walk(ClassesKey(false), full);
        target.classesPath = Join("", full, full.size());
        if (!target.classesPath.empty()) target.classesPath.erase(0, 1);
    } else {
        target.key = Walk(r.key, parts);
    }
    if (!target.key) return ERROR_FILE_NOT_FOUND;
    *result = AddHandle(std::move(target), access);
    return ERROR_SUCCESS;
}

LONG Registry::Create(HKEY parent, const char* subKey, REGSAM access, HKEY* result, DWORD* disposition) {
    Handle r;
    std::vector<std::string> parts;
    if (LONG error = EnterSubKey(parent, subKey, result, &r, &parts)) return error;
    // Through HKEY_CLASSES_ROOT an existing key is opened where it is; a new one is
    // made below the machine's classes, as an administrator's setup does.
    if (r.classesView) {
        HKEY opened;
        LONG existing = Open(parent, subKey, access, &opened);
        --calls_;  // one call from the caller's side
        if (existing == ERROR_SUCCESS) {
            if (disposition) *disposition = REG_OPENED_EXISTING_KEY;
            *result = opened;
            return ERROR_SUCCESS;
        }
        std::vector<std::string> full;
        SplitPath(r.classesPath.c_str(), &full);
        r.key = ClassesKey(false);
        for (const auto& part : full) r.key = r.key ? Child(r.key, part) : nullptr;
        if (!r.key) r.key = ClassesKey(false);
    }
    auto key = r.key;
    bool created = false;
    for (size_t i = 0; i < parts.size(); ++i) {
        auto next = r.phantom ? nullptr : Child(key, parts[i]);
        if (!next) {
            bool predefinedParent = RootName(parent) != nullptr;
            if (!created && !predefinedParent && !(r.access & KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
            if (planning_) {  // the rest of the path is logged as made; the handle is the path's
                for (size_t j = i; j < parts.size(); ++j) {
                    os::Change change;
                    change.kind = os::Change::kKeyCreated;
                    change.path = Join(r.path, parts, j + 1);
                    Record(std::move(change));
                }
                if (disposition) *disposition = REG_CREATED_NEW_KEY;
                Handle target;
                target.phantom = true;
                target.path = Join(r.path, parts, parts.size());
                *result = AddHandle(std::move(target), access);
                return ERROR_SUCCESS;
            }
            next = AddChild(key, parts[i]);
            created = true;
            os::Change change;
            change.kind = os::Change::kKeyCreated;
            change.path = Join(r.path, parts, i + 1);
            Record(std::move(change));
        }
        key = next;
    }
    if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    if (r.phantom) {  // no parts: the same key that planning would create
        *result = AddHandle(r, access);
        return ERROR_SUCCESS;
    }
    Handle target = r;
    target.key = key;
    target.path = Join(r.path, parts, parts.size());
    if (r.classesView) {
        target.classesPath = r.classesPath;
        for (const auto& part : parts) target.classesPath += (target.classesPath.empty() ? "" : "\\") + part;
    }
    *result = AddHandle(std::move(target), access);
    return ERROR_SUCCESS;
}

LONG Registry::Close(HKEY key) {
    ++calls_;
    if (RootName(key)) return ERROR_SUCCESS;
    return handles_.erase(Predefined(key)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG Registry::QueryValue(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size) {
    Handle r;
    if (LONG error = Enter(key, ERROR_NOT_ENOUGH_MEMORY, KEY_QUERY_VALUE, &r)) return error;
    if (data && !size) return ERROR_INVALID_PARAMETER;
    if (reads_) reads_->emplace_back(r.path, name ? name : "");
    if (r.phantom) return ERROR_FILE_NOT_FOUND;
    const RegValue* value = FindValue(r.key.get(), name ? name : "", *cp_);
    if (!value) return ERROR_FILE_NOT_FOUND;
    if (type) *type = value->type;
    if (!size) return ERROR_SUCCESS;
    // Data the code page cannot hold comes converted, and its size is that of the ANSI text.
    std::string converted;
    const std::string& bytes = value->wideData ? (converted = AnsiData(*value)) : value->data;
    DWORD stored = static_cast<DWORD>(bytes.size());
    if (data) {
        if (*size < stored) {
            *size = stored;
            return ERROR_MORE_DATA;
        }
        if (stored) std::memcpy(data, bytes.data(), stored);
        // A string stored without its NUL gets one when there is room; the size
        // reported still counts only the stored bytes.
        if (IsStringType(value->type) && stored > 0 && bytes.back() != 0 && *size > stored) data[stored] = 0;
    }
    *size = stored;
    return ERROR_SUCCESS;
}

LONG Registry::SetValue(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size) {
    Handle r;
    if (LONG error = Enter(key, ERROR_ACCESS_DENIED, KEY_SET_VALUE, &r)) return error;
    if (!data && size) return kNoAccess;
    // Windows adds the NUL that a caller forgot to count when one follows the data.
    if (IsStringType(type) && size > 0 && data[size - 1] != 0 && data[size] == 0) ++size;
    std::string bytes(reinterpret_cast<const char*>(data ? data : reinterpret_cast<const BYTE*>("")), size);
    std::string valueName = name ? name : "";
    if (!planning_) PutValue(r.key.get(), valueName, type, bytes);
    os::Change change;
    change.kind = os::Change::kValueSet;
    change.path = r.path;
    change.name = valueName;
    change.type = type;
    change.data = std::move(bytes);
    Record(std::move(change));
    return ERROR_SUCCESS;
}

LONG Registry::DeleteValue(HKEY key, const char* name) {
    Handle r;
    if (LONG error = Enter(key, ERROR_ACCESS_DENIED, KEY_SET_VALUE, &r)) return error;
    std::string valueName = name ? name : "";
    if (r.phantom || (planning_ ? !FindValue(r.key.get(), valueName, *cp_) : !RemoveValue(r.key.get(), valueName)))
        return ERROR_FILE_NOT_FOUND;
    os::Change change;
    change.kind = os::Change::kValueDeleted;
    change.path = r.path;
    change.name = std::move(valueName);
    Record(std::move(change));
    return ERROR_SUCCESS;
}

LONG Registry::DeleteKey(HKEY key, const char* subKey) {
    Handle r;
    if (LONG error = Enter(key, ERROR_ACCESS_DENIED, 0, &r)) return error;
    std::vector<std::string> parts;
    if (!SplitPath(subKey, &parts)) return ERROR_BAD_PATHNAME;
    std::shared_ptr<RegKey> target;
    std::string path = Join(r.path, parts, parts.size());
    if (r.phantom) return ERROR_FILE_NOT_FOUND;
    if (parts.empty()) {
        if (RootName(key)) return ERROR_ACCESS_DENIED;
        target = r.key;
    } else if (r.classesView) {
        HKEY opened;
        LONG error = Open(key, subKey, KEY_READ, &opened);
        --calls_;  // one call from the caller's side
        if (error) return error;
        target = handles_[Predefined(opened)].key;
        Close(opened);
        --calls_;
    } else {
        target = Walk(r.key, parts);
    }
    if (!target) return ERROR_FILE_NOT_FOUND;
    Materialize(target.get());
    // NT refuses to delete a key that still has subkeys; so do the hives themselves.
    // Planning deletes nothing, so the subkeys it took first are still there.
    if ((!planning_ && !target->children.empty()) || !target->parent || target.get() == UserKey().get())
        return ERROR_ACCESS_DENIED;
    if (planning_) {
        os::Change change;
        change.kind = os::Change::kKeyDeleted;
        change.path = std::move(path);
        Record(std::move(change));
        return ERROR_SUCCESS;
    }
    RegKey* parent = target->parent;
    KeepGone(parent, target.get());
    target->deleted = true;
    target->parent = nullptr;
    parent->children.erase(target->wide ? parent->children.find(WideName{target->name})
                                        : parent->children.find(std::string_view(target->name)));
    Invalidate(parent);
    os::Change change;
    change.kind = os::Change::kKeyDeleted;
    change.path = std::move(path);
    Record(std::move(change));
    return ERROR_SUCCESS;
}

const std::vector<std::shared_ptr<RegKey>> Registry::MergedChildren(const Handle& r) {
    std::vector<std::shared_ptr<RegKey>> list;
    std::vector<std::string> full;
    SplitPath(r.classesPath.c_str(), &full);
    auto userClasses = ClassesKey(true);
    auto user = userClasses ? Walk(userClasses, full) : nullptr;
    auto machine = Walk(ClassesKey(false), full);
    std::set<std::shared_ptr<RegKey>, ChildOrder> merged(ChildOrder{cp_});
    if (user) Materialize(user.get());
    if (machine) Materialize(machine.get());
    if (user) merged.insert(user->children.begin(), user->children.end());  // the user's key wins
    if (machine) merged.insert(machine->children.begin(), machine->children.end());
    list.assign(merged.begin(), merged.end());
    return list;
}

LONG Registry::EnumKey(HKEY key, DWORD index, char* name, DWORD* nameSize) {
    Handle r;
    if (LONG error = Enter(key, ERROR_NOT_ENOUGH_MEMORY, KEY_ENUMERATE_SUB_KEYS, &r)) return error;
    if (!name || !nameSize) return ERROR_INVALID_PARAMETER;
    if (r.phantom) return ERROR_NO_MORE_ITEMS;
    const RegKey* child = nullptr;
    std::vector<std::shared_ptr<RegKey>> merged;
    if (r.classesView) {
        merged = MergedChildren(r);
        if (index >= merged.size()) return ERROR_NO_MORE_ITEMS;
        child = merged[index].get();
    } else {
        const auto& children = Children(r.key.get());
        if (index >= children.size()) return ERROR_NO_MORE_ITEMS;
        child = children[index];
    }
    std::string converted;
    const std::string* childName = &child->name;
    if (child->wide) childName = &(converted = AnsiName(*child));
    if (childName->size() + 1 > *nameSize) return ERROR_MORE_DATA;
    std::memcpy(name, childName->c_str(), childName->size() + 1);
    *nameSize = static_cast<DWORD>(childName->size());
    return ERROR_SUCCESS;
}

LONG Registry::QueryInfo(HKEY key, DWORD* subKeys, DWORD* maxSubKeyLen, DWORD* values, DWORD* maxValueNameLen,
                         DWORD* maxValueLen) {
    Handle r;
    if (LONG error = Enter(key, ERROR_NOT_ENOUGH_MEMORY, KEY_QUERY_VALUE, &r)) return error;
    if (r.phantom) {
        for (DWORD* count : {subKeys, maxSubKeyLen, values, maxValueNameLen, maxValueLen})
            if (count) *count = 0;
        return ERROR_SUCCESS;
    }
    std::vector<RegKey*> children;
    if (r.classesView) {
        for (auto& child : MergedChildren(r)) children.push_back(child.get());
    } else {
        children = Children(r.key.get());
    }
    // Name lengths are counted in characters, as Windows counts them in UTF-16: a
    // double-byte name is longer in bytes than the length reported, a name outside the code
    // page counts its UTF-16 units.
    auto length = [&](const std::string& name, bool wide) {
        return static_cast<DWORD>(wide ? Utf16Name(*cp_, name, true).size() : cp_->CharCount(name));
    };
    DWORD longest = 0;
    for (RegKey* child : children) longest = std::max(longest, length(child->name, child->wide));
    Materialize(r.key.get());
    DWORD longestValueName = 0, longestValue = 0;
    for (const auto& value : r.key->values) {
        longestValueName = std::max(longestValueName, length(value.name, value.wideName));
        longestValue = std::max(longestValue, static_cast<DWORD>(value.data.size()));
    }
    if (subKeys) *subKeys = static_cast<DWORD>(children.size());
    if (maxSubKeyLen) *maxSubKeyLen = longest;
    if (values) *values = static_cast<DWORD>(r.key->values.size());
    if (maxValueNameLen) *maxValueNameLen = longestValueName;
    if (maxValueLen) *maxValueLen = longestValue;
    return ERROR_SUCCESS;
}

}  // namespace sim
