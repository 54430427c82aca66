// The simulated machine's drives (see filesystem.h).
#include "tools/winsim/core/filesystem.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "tools/winsim/core/host_file.h"

namespace sim {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// What stands at `host`, inside the drive whose folder is `root`. A link is followed only to a
// place inside the drive: one that leads out of it, or nowhere, is refused, so that nothing a run
// reads, writes or deletes through a drive is outside it, whatever links the drive holds.
HostItem StatHost(const std::string& root, const std::string& host, bool* isFolder, uint64_t* size = nullptr) {
    struct stat st;
    if (::lstat(host.c_str(), &st) != 0) return HostItem::kMissing;
    if (S_ISLNK(st.st_mode)) {
        char* real = ::realpath(host.c_str(), nullptr);
        const std::string leadsTo = real ? real : "";
        std::free(real);
        const bool inside = leadsTo == root || leadsTo.rfind(root == "/" ? root : root + "/", 0) == 0;
        if (leadsTo.empty() || !inside || ::stat(host.c_str(), &st) != 0) return HostItem::kOutside;
    }
    *isFolder = S_ISDIR(st.st_mode);
    if (size) *size = static_cast<uint64_t>(st.st_size);
    return S_ISDIR(st.st_mode) || S_ISREG(st.st_mode) ? HostItem::kFound : HostItem::kSpecial;
}

DWORD HostError() {
    switch (errno) {
        case ENOENT:
            return ERROR_FILE_NOT_FOUND;
        case ENOTDIR:
            return ERROR_PATH_NOT_FOUND;
        case EEXIST:
            return ERROR_ALREADY_EXISTS;
        default:
            return ERROR_ACCESS_DENIED;
    }
}

// The short name's stem of a name in the code page, BASIS~ and .EXT, or the whole
// name upper-cased when it is an 8.3 name itself (*itself set).
void ShortStem(const std::string& name, const CodePage& cp, std::string* basis, std::string* extension, bool* itself) {
    const size_t dot = name.rfind('.');
    const bool hasExtension = dot != std::string::npos && dot > 0;
    const std::string base = hasExtension ? name.substr(0, dot) : name, ext = hasExtension ? name.substr(dot + 1) : "";
    *itself = base.size() <= 8 && ext.size() <= 3 && !(hasExtension && ext.empty()) &&
              name.find_first_of(" +,;=[]") == std::string::npos && base.find('.') == std::string::npos;
    // Blanks and dots go, the characters 8.3 names cannot hold become "_"; no
    // double-byte character is cut in two.
    auto squeeze = [&](const std::string& text, size_t limit) {
        std::string out;
        for (size_t i = 0; i < text.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(text[i]);
            const size_t width = cp.IsLeadByte(c) && i + 1 < text.size() ? 2 : 1;
            if (!*itself && (c == ' ' || c == '.')) continue;
            if (out.size() + width > limit) break;
            if (width == 2) {
                out += text.substr(i++, 2);
                continue;
            }
            out += std::strchr("+,;=[]", c) && c ? '_' : static_cast<char>(cp.ToUpper(c));
        }
        return out;
    };
    *basis = squeeze(base, *itself ? 8 : 6);
    *extension = ext.empty() ? "" : "." + squeeze(ext, 3);
}

}  // namespace

std::string WinPath::Text() const {
    std::string text(1, drive);
    text += ":\\";
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i) text += '\\';
        text += parts[i];
    }
    return text;
}

DWORD ParseWinPath(std::string_view text, const CodePage& cp, std::string_view currentDirectory, WinPath* out) {
    *out = WinPath();
    if (text.empty()) return ERROR_PATH_NOT_FOUND;
    std::string full;
    bool hasDrive = text.size() >= 2 && text[1] == ':' && std::isalpha(static_cast<unsigned char>(text[0]));
    if (hasDrive && (text.size() == 2 || !IsSeparator(text[2]))) {
        // Drive-relative (C:name): the current folder when it is on that drive, else its root.
        bool sameDrive = !currentDirectory.empty() && std::toupper(currentDirectory[0]) == std::toupper(text[0]);
        full = sameDrive ? std::string(currentDirectory) : std::string(text.substr(0, 2)) + "\\";
        full += '\\';
        full += text.substr(2);
    } else if (hasDrive) {
        full = std::string(text);
    } else if (IsSeparator(text[0])) {
        if (text.size() > 1 && IsSeparator(text[1])) return ERROR_PATH_NOT_FOUND;  // no network shares
        full = std::string(currentDirectory.substr(0, 2)) + std::string(text);
    } else {
        full = std::string(currentDirectory) + "\\" + std::string(text);
    }
    out->drive = static_cast<char>(std::toupper(static_cast<unsigned char>(full[0])));
    out->trailingSeparator = IsSeparator(full.back());

    std::string part;
    auto finish = [&]() -> DWORD {
        // Windows drops trailing dots and blanks from every part.
        while (!part.empty() && (part.back() == '.' || part.back() == ' ')) {
            if (part == "." || part == "..") break;
            part.pop_back();
        }
        if (part.empty() || part == ".") {
        } else if (part == "..") {
            if (!out->parts.empty()) out->parts.pop_back();
        } else {
            for (size_t i = 0; i < part.size(); ++i) {
                unsigned char c = static_cast<unsigned char>(part[i]);
                if (cp.IsLeadByte(c) && i + 1 < part.size()) {
                    ++i;  // a second byte such as 0x7C is no '|'
                    continue;
                }
                if (c < 0x20 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|') return kErrorInvalidName;
                if (c == '*' || c == '?') out->wildcard = true;
            }
            out->parts.push_back(part);
        }
        part.clear();
        return 0;
    };
    for (size_t i = 3; i < full.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(full[i]);
        if (cp.IsLeadByte(c) && i + 1 < full.size()) {
            part += full[i];
            part += full[++i];
        } else if (IsSeparator(full[i])) {
            if (DWORD error = finish()) return error;
        } else {
            part += full[i];
        }
    }
    return finish();
}

bool WildcardMatch(std::string_view pattern, std::string_view name, const CodePage& cp) {
    std::u16string p = cp.FoldKey(pattern), n = cp.FoldKey(name);
    size_t pi = 0, ni = 0, star = std::u16string::npos, mark = 0;
    while (ni < n.size()) {
        if (pi < p.size() && (p[pi] == u'?' || p[pi] == n[ni])) {
            ++pi;
            ++ni;
        } else if (pi < p.size() && p[pi] == u'*') {
            star = pi++;
            mark = ni;
        } else if (star != std::u16string::npos) {
            pi = star + 1;
            ni = ++mark;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == u'*') ++pi;
    return pi == p.size();
}

FileSystem::FileSystem(const CodePage* cp) : cp_(cp) {}

void FileSystem::MapDrive(char letter, std::string hostFolder) {
    // By where it really is: a drive that is a link to a folder elsewhere is that folder.
    if (char* real = ::realpath(hostFolder.c_str(), nullptr)) {
        hostFolder = real;
        std::free(real);
    }
    while (hostFolder.size() > 1 && hostFolder.back() == '/') hostFolder.pop_back();
    drives_[static_cast<char>(std::toupper(static_cast<unsigned char>(letter)))] = std::move(hostFolder);
}

bool FileSystem::HostName(const std::string& name, std::string* utf8) const {
    std::u16string wide = cp_->ToUtf16(name);
    std::string back;
    if (!cp_->FromUtf16(wide, &back) || back != name) return false;  // not a valid text
    *utf8 = Utf16ToUtf8(wide);
    return true;
}

HostItem FileSystem::MatchChild(const std::string& root, const std::string& hostFolder, const std::string& name,
                                std::string* hostName, bool* isFolder) const {
    std::string exact;
    if (HostName(name, &exact)) {
        HostItem look = StatHost(root, hostFolder + "/" + exact, isFolder);
        if (look != HostItem::kMissing) {  // the common case: same spelling
            *hostName = exact;
            return look;
        }
    }
    DIR* dir = ::opendir(hostFolder.c_str());
    if (!dir) return HostItem::kMissing;
    std::u16string key = cp_->FoldKey(name);
    bool found = false;
    while (dirent* entry = ::readdir(dir)) {
        std::string candidate = entry->d_name;
        if (candidate == "." || candidate == "..") continue;
        std::u16string wide;
        std::string inCodePage;
        if (!Utf8ToUtf16(candidate, &wide) || !cp_->FromUtf16(wide, &inCodePage)) continue;
        if (cp_->FoldKey(inCodePage) == key) {
            *hostName = candidate;
            found = true;
            break;
        }
    }
    ::closedir(dir);
    if (!found && name.find('~') != std::string::npos) {
        for (const auto& [host, shortName] : ShortNames(hostFolder)) {
            if (cp_->FoldKey(shortName) != key) continue;
            *hostName = host;
            found = true;
            break;
        }
    }
    return found ? StatHost(root, hostFolder + "/" + *hostName, isFolder) : HostItem::kMissing;
}

std::vector<std::pair<std::string, std::string>> FileSystem::ShortNames(const std::string& hostFolder) const {
    std::vector<std::pair<std::string, std::string>> names;  // host name, name in the code page
    if (DIR* dir = ::opendir(hostFolder.c_str())) {
        while (dirent* entry = ::readdir(dir)) {
            std::string utf8 = entry->d_name, name;
            std::u16string wide;
            if (utf8 != "." && utf8 != ".." && Utf8ToUtf16(utf8, &wide) && cp_->FromUtf16(wide, &name))
                names.emplace_back(utf8, name);
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end(),
              [&](const auto& a, const auto& b) { return cp_->FoldKey(a.second) < cp_->FoldKey(b.second); });
    std::map<std::string, int> taken;  // by stem: how many names gave it so far
    for (auto& [host, name] : names) {
        std::string basis, extension;
        bool itself = false;
        ShortStem(name, *cp_, &basis, &extension, &itself);
        name = itself ? basis + extension : basis + "~" + std::to_string(++taken[basis + extension]) + extension;
    }
    return names;
}

const FileSystem::Staged* FileSystem::StagedChild(const std::string& parentHost, const std::string& name) const {
    if (staged_.empty()) return nullptr;
    auto folder = staged_.find(parentHost);
    if (folder == staged_.end()) return nullptr;
    auto child = folder->second.find(cp_->FoldKey(name));
    return child == folder->second.end() ? nullptr : &child->second;
}

void FileSystem::Stage(const Located& at, Staged::State state, std::string bytes) {
    Staged& entry = staged_[at.parentHost][cp_->FoldKey(at.path.parts.back())];
    entry.state = state;
    entry.hostName = at.host.substr(at.parentHost.size() + 1);
    entry.bytes = std::move(bytes);
}

bool FileSystem::ReadLocated(const Located& at, std::string* bytes) const {
    if (at.staged) {
        *bytes = at.staged->bytes;
        return true;
    }
    bool found = false;
    std::string why;  // a link there leads inside the drive: Locate saw to it
    return at.isFile && ReadInput(at.host, bytes, &found, &why, SIZE_MAX, true) && found;
}

std::unique_ptr<RandomAccess> FileSystem::OpenLocated(const Located& at) const {
    if (at.staged) return std::make_unique<MemoryBytes>(at.staged->bytes);
    if (!at.isFile) return nullptr;  // a FIFO or a device is never opened
    std::string why;
    uint64_t size = 0;
    UniqueFd fd = OpenChecked(at.host, true, &size, &why);  // a link there leads inside the drive: Locate saw to it
    return fd ? std::make_unique<FileBytes>(std::move(fd), size) : nullptr;
}

std::vector<FileSystem::StagedChange> FileSystem::StagedChanges() const {
    std::vector<StagedChange> folders, files;
    for (const auto& [parent, children] : staged_) {
        for (const auto& [key, entry] : children) {
            std::string host = parent + "/" + entry.hostName;
            if (entry.state == Staged::kFolder)
                folders.push_back({StagedChange::kMakeFolder, host, {}});
            else
                files.push_back({entry.state == Staged::kFile ? StagedChange::kWrite : StagedChange::kDelete, host,
                                 entry.bytes});
        }
    }
    std::sort(folders.begin(), folders.end(),
              [](const StagedChange& a, const StagedChange& b) { return a.host.size() < b.host.size(); });
    folders.insert(folders.end(), files.begin(), files.end());
    return folders;
}

DWORD FileSystem::Locate(std::string_view path, Located* out, bool allowWildcard) const {
    *out = Located();
    if (DWORD error = ParseWinPath(path, *cp_, cwd_, &out->path)) return error;
    if (out->path.wildcard && !allowWildcard) return kErrorInvalidName;
    auto drive = drives_.find(out->path.drive);
    if (drive == drives_.end()) return ERROR_PATH_NOT_FOUND;
    std::string host = drive->second;
    const auto& parts = out->path.parts;
    if (parts.empty()) {
        out->host = out->parentHost = host;
        out->exists = out->isFolder = true;
        return 0;
    }
    const std::string& root = drive->second;
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        std::string child;
        bool isFolder = false;
        if (const Staged* staged = StagedChild(host, parts[i])) {
            if (staged->state != Staged::kFolder) return ERROR_PATH_NOT_FOUND;
            host += "/" + staged->hostName;
            continue;
        }
        HostItem look = MatchChild(root, host, parts[i], &child, &isFolder);
        if (look == HostItem::kOutside) return ERROR_ACCESS_DENIED;
        if (look == HostItem::kMissing || !isFolder) return ERROR_PATH_NOT_FOUND;
        host += "/" + child;
    }
    out->parentHost = host;
    std::string child;
    HostItem look = HostItem::kMissing;
    if (const Staged* staged = out->path.wildcard ? nullptr : StagedChild(host, parts.back())) {
        out->staged = staged->state == Staged::kDeleted ? nullptr : staged;
        out->exists = staged->state != Staged::kDeleted;
        out->isFolder = staged->state == Staged::kFolder;
        out->isFile = staged->state == Staged::kFile;
        out->host = host + "/" + staged->hostName;
    } else if (!out->path.wildcard &&
               (look = MatchChild(root, host, parts.back(), &child, &out->isFolder)) != HostItem::kMissing) {
        if (look == HostItem::kOutside) return ERROR_ACCESS_DENIED;
        out->exists = true;
        out->isFile = look == HostItem::kFound && !out->isFolder;
        out->host = host + "/" + child;
    } else {
        std::string utf8;
        if (!out->path.wildcard && !HostName(parts.back(), &utf8)) return kErrorInvalidName;
        out->host = host + "/" + utf8;
    }
    // "file\" names no folder: Windows answers that the path is not found.
    if (out->exists && !out->isFolder && out->path.trailingSeparator) return ERROR_PATH_NOT_FOUND;
    return 0;
}

void FileSystem::Record(os::Change::Kind kind, std::string_view path, std::string_view detail) {
    if (!log_) return;
    os::Change change;
    change.kind = kind;
    change.path = std::string(path);
    change.detail = std::string(detail);
    log_->push_back(std::move(change));
}

DWORD FileSystem::GetAttributes(std::string_view path, DWORD* attributes) const {
    *attributes = INVALID_FILE_ATTRIBUTES;
    Located at;
    if (DWORD error = Locate(path, &at)) return error;
    if (!at.exists) return ERROR_FILE_NOT_FOUND;
    *attributes = at.isFolder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    if (!at.isFolder && !at.staged && ::access(at.host.c_str(), W_OK) != 0) *attributes |= FILE_ATTRIBUTE_READONLY;
    return 0;
}

DWORD FileSystem::Copy(std::string_view from, std::string_view to, bool failIfExists) {
    Located src, dst;
    if (DWORD error = Locate(from, &src)) return error;
    if (!src.exists) return ERROR_FILE_NOT_FOUND;
    if (src.isFolder) return ERROR_ACCESS_DENIED;
    if (DWORD error = Locate(to, &dst)) return error;
    if (dst.exists) {
        if (dst.isFolder) return ERROR_ACCESS_DENIED;
        if (failIfExists) return ERROR_FILE_EXISTS;
        if (dst.host == src.host) return kErrorSharingViolation;
        if (!dst.staged && ::access(dst.host.c_str(), W_OK) != 0) return ERROR_ACCESS_DENIED;
    }
    std::string bytes;
    if (!ReadLocated(src, &bytes)) return ERROR_ACCESS_DENIED;
    if (staging_) {
        Stage(dst, Staged::kFile, std::move(bytes));
    } else {
        std::ofstream out(dst.host, std::ios::binary | std::ios::trunc);
        out << bytes;
        if (!out) return ERROR_ACCESS_DENIED;
    }
    Record(os::Change::kFileCopied, to, from);
    return 0;
}

DWORD FileSystem::Delete(std::string_view path) {
    Located at;
    if (DWORD error = Locate(path, &at)) return error;
    if (!at.exists) return ERROR_FILE_NOT_FOUND;
    if (at.isFolder) return ERROR_ACCESS_DENIED;
    if (staging_)
        Stage(at, Staged::kDeleted);
    else if (::unlink(at.host.c_str()) != 0)
        return HostError();
    Record(os::Change::kFileDeleted, path);
    return 0;
}

DWORD FileSystem::CreateFolder(std::string_view path) {
    Located at;
    if (DWORD error = Locate(path, &at)) return error;
    if (at.exists) return ERROR_ALREADY_EXISTS;
    if (staging_)
        Stage(at, Staged::kFolder);
    else if (::mkdir(at.host.c_str(), 0777) != 0)
        return HostError();
    Record(os::Change::kFolderCreated, path);
    return 0;
}

DWORD FileSystem::Find(std::string_view pattern, std::vector<FindEntry>* entries) const {
    entries->clear();
    Located at;
    if (DWORD error = Locate(pattern, &at, true)) return error;
    if (at.path.parts.empty() || at.path.trailingSeparator) return ERROR_FILE_NOT_FOUND;
    // An entry that is a link out of the drive is not listed: nothing can be done with it.
    const std::string& root = drives_.at(at.path.drive);
    auto add = [&](std::vector<FindEntry>* list, const std::string& host, const std::string& name,
                   const Staged* staged = nullptr) {
        FindEntry entry;
        entry.name = name;
        bool isFolder = false;
        if (staged) {
            isFolder = staged->state == Staged::kFolder;
            entry.size = staged->bytes.size();
        } else if (StatHost(root, host, &isFolder, &entry.size) == HostItem::kOutside) {
            return;
        }
        entry.attributes = isFolder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
        if (isFolder) entry.size = 0;
        list->push_back(entry);
    };
    auto nameOf = [&](const std::string& utf8, std::string* name) {
        std::u16string wide;
        return Utf8ToUtf16(utf8, &wide) && cp_->FromUtf16(wide, name);
    };
    if (!at.path.wildcard) {
        std::string name;
        if (!at.exists || !nameOf(at.host.substr(at.host.rfind('/') + 1), &name)) return ERROR_FILE_NOT_FOUND;
        add(entries, at.host, name, at.staged);
        return 0;
    }
    const std::string& mask = at.path.parts.back();
    if (at.path.parts.size() > 1) {  // folders other than a drive's root list . and .. too
        for (const char* dot : {".", ".."})
            if (WildcardMatch(mask, dot, *cp_)) add(entries, at.parentHost, dot);
    }
    std::vector<FindEntry> found;
    if (DIR* dir = ::opendir(at.parentHost.c_str())) {
        while (dirent* entry = ::readdir(dir)) {
            std::string utf8 = entry->d_name, name;
            if (utf8 == "." || utf8 == ".." || !nameOf(utf8, &name) || StagedChild(at.parentHost, name)) continue;
            if (WildcardMatch(mask, name, *cp_)) add(&found, at.parentHost + "/" + utf8, name);
        }
        ::closedir(dir);
    }
    auto staged = staged_.find(at.parentHost);
    for (const auto& [key, entry] : staged == staged_.end() ? decltype(staged->second){} : staged->second) {
        std::string name;
        if (entry.state != Staged::kDeleted && nameOf(entry.hostName, &name) && WildcardMatch(mask, name, *cp_))
            add(&found, "", name, &entry);
    }
    // NTFS lists a folder in the order of its upper-cased names.
    std::sort(found.begin(), found.end(),
              [&](const FindEntry& a, const FindEntry& b) { return cp_->FoldKey(a.name) < cp_->FoldKey(b.name); });
    entries->insert(entries->end(), found.begin(), found.end());
    return entries->empty() ? ERROR_FILE_NOT_FOUND : 0;
}

std::unique_ptr<RandomAccess> FileSystem::OpenFile(std::string_view path) const {
    Located at;
    if (Locate(path, &at) || !at.exists || at.isFolder) return nullptr;
    return OpenLocated(at);
}

bool FileSystem::ReadFile(std::string_view path, std::string* bytes) const {
    Located at;
    if (Locate(path, &at) || !at.exists || at.isFolder) return false;
    return ReadLocated(at, bytes);
}

DWORD FileSystem::MakeFolders(std::string_view path) {
    WinPath parsed;
    if (DWORD error = ParseWinPath(path, *cp_, cwd_, &parsed)) return error;
    std::string step(1, parsed.drive);
    step += ":";
    for (const auto& part : parsed.parts) {
        step += "\\" + part;
        Located at;
        if (DWORD error = Locate(step, &at)) return error;
        if (at.exists && !at.isFolder) return ERROR_ALREADY_EXISTS;
        if (!at.exists && ::mkdir(at.host.c_str(), 0777) != 0) return HostError();
    }
    return 0;
}

DWORD FileSystem::WriteFile(std::string_view path, std::string_view bytes) {
    WinPath parsed;
    if (DWORD error = ParseWinPath(path, *cp_, cwd_, &parsed)) return error;
    if (parsed.parts.empty()) return ERROR_ACCESS_DENIED;
    WinPath folder = parsed;
    folder.parts.pop_back();
    if (DWORD error = MakeFolders(folder.Text())) return error;
    Located at;
    if (DWORD error = Locate(path, &at)) return error;
    if (at.exists && at.isFolder) return ERROR_ACCESS_DENIED;
    std::ofstream out(at.host, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return out ? 0 : ERROR_ACCESS_DENIED;
}

std::string FileSystem::HostPath(std::string_view path) const {
    Located at;
    if (Locate(path, &at) || !at.exists) return "";
    return at.host;
}

std::string FileSystem::ShortPath(std::string_view path) const {
    WinPath parsed;
    if (ParseWinPath(path, *cp_, cwd_, &parsed) || !drives_.count(parsed.drive)) return "";
    const std::string& root = drives_.at(parsed.drive);
    std::string host = root, text = std::string(1, parsed.drive) + ":";
    for (const auto& part : parsed.parts) {
        std::string child;
        bool isFolder = false;
        const HostItem look = MatchChild(root, host, part, &child, &isFolder);
        if (look == HostItem::kMissing || look == HostItem::kOutside) return "";
        for (const auto& [name, shortName] : ShortNames(host))
            if (name == child) text += "\\" + shortName;
        host += "/" + child;
    }
    return parsed.parts.empty() ? text + "\\" : text;
}

std::string FileSystem::FullPath(std::string_view path) const {
    WinPath parsed;
    if (ParseWinPath(path, *cp_, cwd_, &parsed)) return "";
    return parsed.Text();
}

}  // namespace sim
