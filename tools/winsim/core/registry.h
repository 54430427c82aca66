// The simulated registry: keys, values, open handles and the Win32 rules of access.
//
// Two real hives exist, HKEY_LOCAL_MACHINE and HKEY_USERS. HKEY_CURRENT_USER is the
// user's key below HKEY_USERS, and HKEY_CLASSES_ROOT is the merged view of
// HKEY_CURRENT_USER\Software\Classes over HKEY_LOCAL_MACHINE\Software\Classes, as on
// Windows 2000 and later, so that a full regedit export of a machine loads and
// answers as that machine did.
//
// The Win32-shaped members (Open, Create, QueryValue, ...) keep the results that
// Windows gives: error codes, ERROR_MORE_DATA with the size needed and the buffer left
// alone, strings stored without NUL, access masks, NT or creation-order enumeration.
// The plain members (FindKey, EnsureKey, SetValue, ...) are for building and
// inspecting a machine; they bypass handles and the change log.
//
// Names and string data are held as NT holds them, in UTF-16: what the machine's code page
// holds exactly is kept as its code-page bytes (the same UTF-16, and no more memory than a
// Windows 9x machine needs), the rest as UTF-8 names (`wide`) and UTF-16LE data
// (`wideData`). The A-functions see the rest through the code page, '?' for each UTF-16
// unit it cannot hold: such a key enumerates under that name but cannot be opened by it,
// as on Windows. Only an NT machine gets such names: its .reg files and hives bring them.
//
// A key may be `lazy`: its values and subkeys are read from their source (a hive file) the
// first time anything asks for them, so that a machine of large hives costs what is read.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "tools/winsim/changes/changes.h"
#include "port/os.h"
#include "tools/winsim/core/codepage.h"

namespace sim {

enum class KeyOrder { kSorted, kCreated };

// Windows nests keys 512 levels below a root at most; whatever would nest deeper is refused.
constexpr size_t kMaxKeyDepth = 512;

struct RegValue {
    std::string name;  // "" is the default value
    DWORD type = REG_NONE;
    bool wideName = false;  // name in UTF-8: the code page cannot hold it
    bool wideData = false;  // a string type's data in UTF-16LE: the code page cannot hold it
    std::string data;       // (the flags fill what type leaves of its eight bytes)
};

struct RegKey;
class Registry;

// What a key that was there when the registry marked its baseline held then, kept once the
// key changes: its values (once one of them changes) and the subkeys of that time that have
// gone since. A key made after the baseline has none: all of it is new.
struct KeyBaseline {
    bool valuesKept = false;
    std::vector<RegValue> values;
    std::vector<std::pair<std::string, bool>> goneSubkeys;  // name, and whether it is in UTF-8
};

// Where a lazy key's contents come from.
class KeySource {
public:
    virtual ~KeySource() = default;
    // Gives `key` its values and subkeys (through Registry::AddSubkey and PutValueUnicode);
    // subkeys may be lazy in turn.
    virtual void Fill(Registry& registry, RegKey* key, uint64_t node) = 0;
};
struct LazyKey {
    KeySource* source;
    Registry* registry;
    uint64_t node;
};

// A subkey name the code page cannot hold, in UTF-8, for looking it up among the others.
struct WideName {
    std::string_view text;
};

// Subkeys by name as NT orders them (CodePage::FoldKey), found by a name without
// building its folded form.
struct ChildOrder {
    using is_transparent = void;
    const CodePage* cp = nullptr;
    bool operator()(const std::shared_ptr<RegKey>& a, const std::shared_ptr<RegKey>& b) const;
    bool operator()(const std::shared_ptr<RegKey>& a, std::string_view b) const;
    bool operator()(std::string_view a, const std::shared_ptr<RegKey>& b) const;
    bool operator()(const std::shared_ptr<RegKey>& a, WideName b) const;
    bool operator()(WideName a, const std::shared_ptr<RegKey>& b) const;
};

struct RegKey {
    explicit RegKey(const CodePage* cp) : children(ChildOrder{cp}) {}
    ~RegKey();
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    std::string name;
    uint64_t created = 0;  // creation sequence, for the Windows 9x enumeration order
    RegKey* parent = nullptr;
    bool deleted = false;  // handles that still refer to a deleted key see ERROR_KEY_DELETED
    bool wide = false;     // name in UTF-8: the code page cannot hold it
    std::unique_ptr<LazyKey> lazy;  // set until the key's contents are read from their source
    std::unique_ptr<KeyBaseline> baseline;  // set once a key of the baseline changes
    std::set<std::shared_ptr<RegKey>, ChildOrder> children;  // NT order
    std::vector<RegValue> values;                            // in the order created
    // Positions in `values` by the hash of their folded names, once a key has enough values
    // that looking through them would make filling it quadratic (SharedDLLs has thousands).
    std::unique_ptr<std::unordered_multimap<uint64_t, uint32_t>> valueIndex;

    // Children in enumeration order, rebuilt after a change so that enumerating a
    // key with many subkeys by index stays linear.
    std::vector<RegKey*> order;
    bool orderValid = false;
};

class Registry {
public:
    Registry(const CodePage* cp, KeyOrder order, std::string userSid);

    // The key that HKEY_CURRENT_USER names, below HKEY_USERS.
    const std::string& userSid() const { return userSid_; }
    void SetUserSid(std::string sid);
    KeyOrder order() const { return order_; }
    const CodePage& codePage() const { return *cp_; }
    void SetOrder(KeyOrder order);
    void SetChangeLog(os::ChangeList* log) { log_ = log; }
    // Asked before each call but RegCloseKey: true makes the call fail as Windows can
    // fail it (access denied, or no memory for a read).
    void SetFaultHook(std::function<bool()> hook) { fault_ = std::move(hook); }
    // Every value the calls read (key path as named, value name), while recording.
    void RecordReads(std::vector<std::pair<std::string, std::string>>* reads) { reads_ = reads; }
    // Planning: what the calls would change is logged, and nothing changes. Reads see
    // the registry as it is; a key that would be created is a handle of its path alone,
    // below which nothing exists and every write is logged.
    void SetPlanning(bool planning) { planning_ = planning; }

    // --- Win32 behaviour (results are Win32 error codes) ---
    LONG Open(HKEY parent, const char* subKey, REGSAM access, HKEY* result);
    LONG Create(HKEY parent, const char* subKey, REGSAM access, HKEY* result, DWORD* disposition);
    LONG Close(HKEY key);
    LONG QueryValue(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size);
    LONG SetValue(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size);
    LONG DeleteValue(HKEY key, const char* name);
    LONG DeleteKey(HKEY key, const char* subKey);
    LONG EnumKey(HKEY key, DWORD index, char* name, DWORD* nameSize);
    LONG QueryInfo(HKEY key, DWORD* subKeys, DWORD* maxSubKeyLen, DWORD* values, DWORD* maxValueNameLen,
                   DWORD* maxValueLen);
    size_t OpenHandleCount() const { return handles_.size(); }
    // Every call of the Win32-shaped members above, for tests that hold the library to
    // the registry calls its algorithms prescribe.
    size_t CallCount() const { return calls_; }

    // --- Building and inspecting. Paths start with a root name, e.g.
    // "HKEY_LOCAL_MACHINE\Software\X"; HKEY_CURRENT_USER and HKEY_CLASSES_ROOT map as above.
    RegKey* FindKey(std::string_view path);
    RegKey* EnsureKey(std::string_view path);  // null for an unknown root
    // The subkey of that name, made if missing: EnsureKey one level at a time, for a reader
    // that has the parent at hand already.
    RegKey* EnsureSubkey(RegKey* key, std::string_view name);
    bool DeleteTree(std::string_view path);    // true when the key existed
    static RegValue* FindValue(RegKey* key, std::string_view name, const CodePage& cp);
    void PutValue(RegKey* key, std::string_view name, DWORD type, std::string data);
    bool RemoveValue(RegKey* key, std::string_view name);
    // The same for Unicode sources (.reg files of version 5, hives): the name in UTF-8, and a
    // string type's data in UTF-16LE when `utf16`; each kept in the code page when it holds
    // it exactly, and as it came otherwise.
    RegKey* EnsureSubkeyUnicode(RegKey* key, std::string_view utf8);
    void PutValueUnicode(RegKey* key, std::string_view utf8Name, DWORD type, std::string data, bool utf16);
    // A new subkey (the key must have none of that name), lazy when `lazy` is given. A name
    // with a backslash, which no Windows key can have and no path can name (a damaged or made-up
    // hive's), makes no key: null, and its path is kept in leftOut().
    RegKey* AddSubkey(RegKey* key, std::string_view utf8, std::unique_ptr<LazyKey> lazy = nullptr);
    const std::vector<std::string>& leftOut() const { return leftOut_; }
    RegKey* FindSubkeyUnicode(RegKey* key, std::string_view utf8);
    bool RemoveValueUnicode(RegKey* key, std::string_view utf8Name);
    // Takes a key and everything below it, lazy or not, out of the registry.
    void DropKey(RegKey* key);
    // Reads a lazy key's contents now; the registry's members do this themselves.
    static void Materialize(RegKey* key) {
        if (key->lazy) Fill(key);
    }
    // The UTF-16 of a name or string data as stored.
    static std::u16string Utf16Name(const CodePage& cp, std::string_view name, bool wide);
    static std::u16string Utf16Data(const CodePage& cp, const RegValue& value);

    // From now on every change keeps what it replaces of the keys there now, so that what
    // changed since can be told without a second registry to compare with (a machine folder's
    // own files against what the tool changed): KeyBaseline, ExistedAtBaseline.
    void MarkBaseline() { baseline_ = nextCreated_; }
    bool ExistedAtBaseline(const RegKey* key) const { return key->created < baseline_; }

    // Every key of the two hives, depth first in enumeration order, with its full
    // path (HKEY_LOCAL_MACHINE\... or HKEY_USERS\...).
    void Walk(const std::function<void(const std::string& path, const RegKey& key)>& visit);
    const std::vector<RegKey*>& Children(RegKey* key);

    RegKey* machineHive() { return hklm_.get(); }
    RegKey* usersHive() { return hku_.get(); }

private:
    // A key as a handle or a predefined root names it.
    struct Handle {
        std::shared_ptr<RegKey> key;
        REGSAM access = 0;
        std::string path;  // the path as the caller named it, for the change log
        // For a key reached through HKEY_CLASSES_ROOT: the path below "Classes".
        bool classesView = false;
        std::string classesPath;
        bool phantom = false;  // a key that planning would create: no key behind it
    };

    // The opening every Win32-shaped member shares: the call is counted, a planted fault
    // fails it with faultError, and the handle is resolved and held to the access needed.
    LONG Enter(HKEY key, LONG faultError, REGSAM needed, Handle* out);
    // And that of Open and Create: *result cleared, the subkey's path split.
    LONG EnterSubKey(HKEY parent, const char* subKey, HKEY* result, Handle* out, std::vector<std::string>* parts);
    LONG Resolve(HKEY key, Handle* out);
    HKEY AddHandle(Handle target, REGSAM access);
    bool SplitPath(const char* subKey, std::vector<std::string>* parts) const;
    std::shared_ptr<RegKey> Child(const std::shared_ptr<RegKey>& key, std::string_view name) const;
    std::shared_ptr<RegKey> AddChild(const std::shared_ptr<RegKey>& key, const std::string& name);
    std::shared_ptr<RegKey> Walk(std::shared_ptr<RegKey> from, const std::vector<std::string>& parts) const;
    std::shared_ptr<RegKey> ClassesKey(bool user) const;
    std::shared_ptr<RegKey> UserKey() const;
    std::shared_ptr<RegKey> RootFromName(std::string_view root, std::string_view* rest, bool* classes);
    void Invalidate(RegKey* key) { key->orderValid = false; }
    static void Fill(RegKey* key);
    static RegValue* FindValueNamed(RegKey* key, std::string_view name, bool wide, const CodePage& cp);
    void PutValueNamed(RegKey* key, std::string_view name, bool wideName, DWORD type, std::string data, bool wideData);
    // A stored name or string data as an A-function returns it.
    std::string AnsiName(const RegKey& key) const;
    std::string AnsiData(const RegValue& value) const;
    static void MarkDeleted(RegKey* key);
    // Before a change to a key's values, or to its subkeys: what the baseline needs of it.
    void KeepValues(RegKey* key);
    void KeepGone(RegKey* parent, const RegKey* child);
    void Record(os::Change change);
    const std::vector<std::shared_ptr<RegKey>> MergedChildren(const Handle& r);

    const CodePage* cp_;
    KeyOrder order_;
    std::string userSid_;
    uint64_t nextCreated_ = 1;
    uint64_t baseline_ = 0;  // keys created before this number were there at the baseline
    std::shared_ptr<RegKey> hklm_;
    std::shared_ptr<RegKey> hku_;
    std::unordered_map<uintptr_t, Handle> handles_;
    uintptr_t nextHandle_ = 0x1000;
    size_t calls_ = 0;
    std::function<bool()> fault_;
    std::vector<std::pair<std::string, std::string>>* reads_ = nullptr;
    bool planning_ = false;
    os::ChangeList* log_ = nullptr;
    std::vector<std::string> leftOut_;  // UTF-8 paths of the keys AddSubkey would not make
};

// Root names as regedit writes them.
const char* RootName(HKEY root);

}  // namespace sim
